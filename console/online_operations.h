// Copyright Tavolin developers.
//
// Who is online now, and sending one of them out: the visit ends as a
// silent browser's does (the user record and the name leave, the room is
// told), and the chat window, at its next poll, leaves for the page that
// shows the words given here.

#ifndef TAVOLIN_CONSOLE_ONLINE_OPERATIONS_H_
#define TAVOLIN_CONSOLE_ONLINE_OPERATIONS_H_

#include <string>
#include <string_view>
#include <vector>

#include "console/console_context.h"
#include "sitepages/site_html.h"

namespace tavolin::console {

struct OnlineVisitor {
  std::string name;
  std::string room;  // the room's id
  std::string address;
  std::string level;         // the level of this visit
  int64_t idle_minutes = 0;  // since the visitor's last line (or entry)
};

// Everybody online, in the user list's order. Takes the application lock.
std::vector<OnlineVisitor> OnlineVisitors(ConsoleContext& context);

// The words a visitor sent out by the operator reads.
inline constexpr std::string_view kSentOutWords = "你已经被管理员请出了聊天室。";

// Ends the visit of `name` when online, leaving `words` for the chat window;
// false when `name` is not online. Writes no audit row (the callers do).
bool SendOutVisitor(ConsoleContext& context, std::string_view name, std::string words);

// The console's action: sends `name` out with kSentOutWords and records it.
Outcome SendOut(ConsoleContext& context, std::string_view name);

}  // namespace tavolin::console

#endif  // TAVOLIN_CONSOLE_ONLINE_OPERATIONS_H_
