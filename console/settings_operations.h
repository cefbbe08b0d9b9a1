// Copyright Tavolin developers.
//
// The chat's settings as the operator changes them: a new value is checked
// with the start-up's rules against the settings as they would be after the
// change, then stored in table sysparam and set in application state at
// once, so the next login, post or poll reads it.

#ifndef TAVOLIN_CONSOLE_SETTINGS_OPERATIONS_H_
#define TAVOLIN_CONSOLE_SETTINGS_OPERATIONS_H_

#include <string>
#include <string_view>
#include <vector>

#include "console/console_context.h"
#include "console/setting_guide.h"
#include "sitepages/site_html.h"

namespace tavolin::console {

struct SettingValue {
  const SettingGuide* guide;
  std::string value;  // as the chat reads it now
};

// Every setting of the guide, in its order, with its live value.
std::vector<SettingValue> ListSettings(ConsoleContext& context);

Outcome SaveSetting(ConsoleContext& context, std::string_view alias, std::string_view value);

}  // namespace tavolin::console

#endif  // TAVOLIN_CONSOLE_SETTINGS_OPERATIONS_H_
