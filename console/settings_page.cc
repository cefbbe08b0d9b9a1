// Copyright Tavolin developers.
//
// The settings page: every setting, group by group, with what it does and a
// form to change it.

#include <optional>
#include <string>

#include "console/console_html.h"
#include "console/console_pages.h"
#include "console/settings_operations.h"
#include "text/html_text.h"

namespace tavolin::console {

namespace {

constexpr std::string_view kAction = "/admin/settings.asp";

// A switch offers on and off, keeping a value that is neither.
std::string SwitchChoice(const std::string& value) {
  std::string options;
  for (const auto& [choice, words] : {std::pair{"1", "开"}, std::pair{"0", "关"}}) {
    options += "<option value='" + std::string(choice) + "'" +
               (value == choice ? " selected" : "") + ">" + words + "</option>";
  }
  if (value != "1" && value != "0") {
    options += "<option selected value='" + text::HtmlEscape(value) + "'>" +
               text::HtmlEscape(value) + "</option>";
  }
  return "<select name='value'>" + options + "</select>";
}

std::string SettingRow(const SettingValue& setting, std::string_view token) {
  const std::string alias(setting.guide->alias);
  const std::string field = setting.guide->is_switch ? SwitchChoice(setting.value)
                                                     : "<input type='text' name='value' value='" +
                                                           text::HtmlEscape(setting.value) + "'>";
  return "<tr id='setting-" + alias + "'><td>" + alias + "</td><td>" +
         text::HtmlEscape(setting.guide->description) + "</td><td>" +
         ActionForm(kAction, "save", token, Hidden("alias", alias) + field, "保存") + "</td></tr>";
}

}  // namespace

std::optional<Outcome> SettingsAction(ConsoleVisit& visit) {
  if (visit.Value("do") != "save") return std::nullopt;
  return SaveSetting(visit.context, visit.Value("alias"), visit.Value("value"));
}

std::string SettingsPage(ConsoleVisit& visit, const std::optional<Outcome>& outcome) {
  std::string page = OutcomeHtml(outcome);
  std::optional<SettingGroup> group;
  for (const SettingValue& setting : ListSettings(visit.context)) {
    if (group != setting.guide->group) {
      if (group) page += "</table></div>";
      group = setting.guide->group;
      page += "<h2>" + std::string(GroupName(*group)) +
              "</h2><div class='scroll'><table class='list'><tr><th>设置</th><th>作用</th>"
              "<th>值</th></tr>";
    }
    page += SettingRow(setting, visit.token);
  }
  return page + "</table></div>";
}

}  // namespace tavolin::console
