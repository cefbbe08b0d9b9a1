// Copyright Tavolin developers.
//
// The words a visitor sent out by the operator reads when the chat window
// leaves: kept per name and login token until that window's next page asks
// for them, so a later visit under the same name never sees them, and for 20
// minutes at most.
//
// Thread safety: both functions may be called from any thread.

#ifndef TAVOLIN_CONSOLE_FAREWELLS_H_
#define TAVOLIN_CONSOLE_FAREWELLS_H_

#include <optional>
#include <string>
#include <string_view>

#include "tavolin/application.h"

namespace tavolin::console {

void LeaveFarewell(Application& app, std::string_view prefix, std::string_view name,
                   std::string_view token, std::string words);

// The words left for the visit of `name` under `token`, taken (asked again,
// nothing); nothing when none were left.
std::optional<std::string> TakeFarewell(Application& app, std::string_view prefix,
                                        std::string_view name, std::string_view token);

}  // namespace tavolin::console

#endif  // TAVOLIN_CONSOLE_FAREWELLS_H_
