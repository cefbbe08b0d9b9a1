// Copyright Tavolin developers.
//
// Address locks in table ip_lock, as the login reads them: the lock's text
// found anywhere in a visitor's address (so "10.1." locks that range) holds
// until end_time; it keeps out every new user and the existing users whose
// level is below act_level.

#ifndef TAVOLIN_CONSOLE_LOCK_OPERATIONS_H_
#define TAVOLIN_CONSOLE_LOCK_OPERATIONS_H_

#include <string>
#include <string_view>
#include <vector>

#include "console/console_context.h"
#include "sitepages/site_html.h"

namespace tavolin::console {

struct AddressLockView {
  std::string id, address, until, exempt_level;
};

std::vector<AddressLockView> ListLocks(ConsoleContext& context);
// `address`: digits, hex letters, "." and ":" only (no pattern characters).
Outcome AddLock(ConsoleContext& context, std::string_view address, std::string_view until,
                std::string_view exempt_level);
Outcome RemoveLock(ConsoleContext& context, std::string_view id);

}  // namespace tavolin::console

#endif  // TAVOLIN_CONSOLE_LOCK_OPERATIONS_H_
