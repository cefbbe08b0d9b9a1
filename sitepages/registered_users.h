// Copyright Tavolin developers.
//
// Names a visitor types for other users (an addressee, a friend) are taken
// only when a user of that name is registered, and then in the letter case
// table user stores, so that they match the user list's keys.

#ifndef TAVOLIN_SITEPAGES_REGISTERED_USERS_H_
#define TAVOLIN_SITEPAGES_REGISTERED_USERS_H_

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "sitepages/site_html.h"
#include "tavolin/database.h"

namespace tavolin {

// The name as table user stores it, or nothing when no user has it.
std::optional<std::string> RegisteredName(Connection& db, std::string_view name);

// The stored name of the user typed in an addressee field, or the refusal:
// nothing typed, too long, nobody of that name.
std::variant<std::string, Outcome> FindAddressee(Connection& db, std::string_view typed);

}  // namespace tavolin

#endif  // TAVOLIN_SITEPAGES_REGISTERED_USERS_H_
