// Copyright Tavolin developers.
//
// The settings the operator may change from the console: each row of table
// sysparam the chat reads, with its group and a line saying what it does.
// The visit counters (hour24, visitor) are not among them: the logins keep
// them, and the activity page shows them.

#ifndef TAVOLIN_CONSOLE_SETTING_GUIDE_H_
#define TAVOLIN_CONSOLE_SETTING_GUIDE_H_

#include <span>
#include <string_view>

namespace tavolin::console {

enum class SettingGroup { kEntry, kPosting, kHousekeeping, kAppearance };

struct SettingGuide {
  std::string_view alias;  // the sysparam row's alias
  SettingGroup group;
  std::string_view description;  // one line, for the operator
  bool is_switch = false;        // read as on when "1"
};

// In the order the page shows them, group by group.
std::span<const SettingGuide> SettingGuides();

// The guide of `alias` (letter case ignored), or null.
const SettingGuide* FindSettingGuide(std::string_view alias);

std::string_view GroupName(SettingGroup group);

}  // namespace tavolin::console

#endif  // TAVOLIN_CONSOLE_SETTING_GUIDE_H_
