// Copyright Tavolin developers.
//
// The room robots' answers (table autoact). The robot draws an answer by
// number from the count in "_autosay_count", so the answers stay numbered
// 1 to the count without gaps (a deleted answer's followers move up one) and
// the count follows every add and delete at once.

#ifndef TAVOLIN_CONSOLE_ROBOT_OPERATIONS_H_
#define TAVOLIN_CONSOLE_ROBOT_OPERATIONS_H_

#include <string>
#include <string_view>
#include <vector>

#include "console/console_context.h"
#include "sitepages/site_html.h"

namespace tavolin::console {

struct RobotAnswer {
  std::string id;
  std::string text;
};

// In number order.
std::vector<RobotAnswer> ListRobotAnswers(ConsoleContext& context);

Outcome AddRobotAnswer(ConsoleContext& context, std::string_view text);
Outcome EditRobotAnswer(ConsoleContext& context, std::string_view id, std::string_view text);
Outcome DeleteRobotAnswer(ConsoleContext& context, std::string_view id);

}  // namespace tavolin::console

#endif  // TAVOLIN_CONSOLE_ROBOT_OPERATIONS_H_
