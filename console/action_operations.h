// Copyright Tavolin developers.
//
// The canned actions (table action): a command word and its three wordings,
// to everybody, to oneself and to another visitor. A post "/word" reads them
// from the table, so a change is in use at the next post.

#ifndef TAVOLIN_CONSOLE_ACTION_OPERATIONS_H_
#define TAVOLIN_CONSOLE_ACTION_OPERATIONS_H_

#include <string>
#include <string_view>
#include <vector>

#include "console/console_context.h"
#include "sitepages/site_html.h"

namespace tavolin::console {

struct CannedAction {
  std::string id;
  std::string name;  // the command word after "/"
  std::string to_all, to_self, to_other;
};

// In name order.
std::vector<CannedAction> ListActions(ConsoleContext& context);

// `action.id` is ignored when adding.
Outcome AddAction(ConsoleContext& context, const CannedAction& action);
Outcome EditAction(ConsoleContext& context, const CannedAction& action);
Outcome DeleteAction(ConsoleContext& context, std::string_view id);

}  // namespace tavolin::console

#endif  // TAVOLIN_CONSOLE_ACTION_OPERATIONS_H_
