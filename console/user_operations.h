// Copyright Tavolin developers.
//
// The registered users as the operator keeps them, in the columns the login
// reads: user_level; a temporary level in table vrecord (only one above 5
// raises the level); the standing in out_info with its end in out_time
// (5 kicked out until then, 6 frozen until then, 7 frozen for ever, 0 none);
// the password as the login's scramble stores it. A change reaches a visitor
// who is online at once: a new level is the level of the visit, and a kicked
// or frozen visitor (or one whose row is deleted) is sent out, reading the
// words the login would refuse them with.

#ifndef TAVOLIN_CONSOLE_USER_OPERATIONS_H_
#define TAVOLIN_CONSOLE_USER_OPERATIONS_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/console_context.h"
#include "sitepages/site_html.h"

namespace tavolin::console {

struct UserView {
  std::string name, level, temp_level, standing, until, first_ip, last_ip, visits, registered,
      last_login, temp_until;
  bool online = false;
};

// Users whose name begins with `name_prefix` (any letter case) and whose
// first or last address begins with `address_prefix`; "" matches all. At
// most 100, by name.
std::vector<UserView> FindUsers(ConsoleContext& context, std::string_view name_prefix,
                                std::string_view address_prefix);
std::optional<UserView> ShowUser(ConsoleContext& context, std::string_view name);

// The standings of out_info.
enum class Standing { kNone = 0, kKicked = 5, kFrozen = 6, kFrozenForEver = 7 };

Outcome SetLevel(ConsoleContext& context, std::string_view name, std::string_view level);
// A level of 0 lifts the temporary level; `until` ("" for none) ends it.
Outcome SetTemporaryLevel(ConsoleContext& context, std::string_view name, std::string_view level,
                          std::string_view until);
// `until` is read for kKicked and kFrozen only.
Outcome SetStanding(ConsoleContext& context, std::string_view name, Standing standing,
                    std::string_view until);
// A new password, told once in the outcome's message.
Outcome ResetPassword(ConsoleContext& context, std::string_view name);
Outcome DeleteUser(ConsoleContext& context, std::string_view name);

}  // namespace tavolin::console

#endif  // TAVOLIN_CONSOLE_USER_OPERATIONS_H_
