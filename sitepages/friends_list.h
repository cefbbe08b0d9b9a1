// Copyright Tavolin developers.
//
// The friends list of table user: registered names separated by single
// blanks, each at most once.

#ifndef TAVOLIN_SITEPAGES_FRIENDS_LIST_H_
#define TAVOLIN_SITEPAGES_FRIENDS_LIST_H_

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "sitepages/site_html.h"
#include "tavolin/database.h"

namespace tavolin {

// The list a visitor typed (names separated by any blanks or line breaks),
// each name as table user stores it, repeats left out; or the refusal: too
// many names, or names nobody has.
std::variant<std::string, Outcome> TypedFriends(Connection& db, std::string_view typed);

// `friends` with `name` added at the end, unless it is there already; nothing
// when the list is full.
std::optional<std::string> WithFriend(std::string_view friends, std::string_view name);

// The refusal of a list that would grow past kMaxFriends names.
Outcome FriendsListFull(std::string_view whose);

}  // namespace tavolin

#endif  // TAVOLIN_SITEPAGES_FRIENDS_LIST_H_
