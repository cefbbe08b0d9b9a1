// Copyright Tavolin developers.

#include "console/settings_operations.h"

#include <optional>

#include "component/settings_check.h"
#include "console/audit_entry.h"
#include "console/console_input.h"
#include "tavolin/error.h"

namespace tavolin::console {

namespace {

// The settings the start-up checks read besides the guide's.
constexpr std::string_view kCounters[] = {"hour24", "visitor"};

std::string Key(std::string_view alias) { return "_" + std::string(alias); }

// The start-up's refusal of the settings with `alias` set to `value`, or
// nothing when the chat can work with them.
std::optional<std::string> StartupRefusal(ConsoleContext& context, std::string_view alias,
                                          const std::string& value) {
  Application after;
  for (const SettingGuide& guide : SettingGuides()) {
    after.Set(Key(guide.alias), context.Setting(Key(guide.alias)));
  }
  for (std::string_view counter : kCounters) {
    after.Set(Key(counter), context.Setting(Key(counter)));
  }
  after.Set(Key(alias), Variant(value));
  try {
    CheckSettings(after, "");
  } catch (const CallError& error) {
    return error.what();
  }
  return std::nullopt;
}

}  // namespace

std::vector<SettingValue> ListSettings(ConsoleContext& context) {
  std::vector<SettingValue> settings;
  for (const SettingGuide& guide : SettingGuides()) {
    const Variant value = context.Setting(Key(guide.alias));
    settings.push_back({&guide, value.is_string() || value.IsNumeric() ? value.ToText() : ""});
  }
  return settings;
}

Outcome SaveSetting(ConsoleContext& context, std::string_view alias, std::string_view typed) {
  const SettingGuide* guide = FindSettingGuide(alias);
  if (guide == nullptr) return Outcome::Refused("没有这个设置。");
  const std::string name(guide->alias);
  const std::string value(typed);
  if (!FitsLists(value)) {
    return Outcome::Refused("设置 " + name + " 没有保存：里面不能有 $> <$ 和控制字符。");
  }
  if (guide->is_switch && value != "0" && value != "1") {
    return Outcome::Refused("设置 " + name + " 没有保存：只能是 1（开）或 0（关）。");
  }
  if (auto refusal = StartupRefusal(context, name, value)) {
    return Outcome::Refused("设置 " + name + " 没有保存：" + *refusal);
  }
  const std::string before = context.Setting(Key(name)).ToText();
  Connection& db = context.db();
  if (db.Execute("SELECT ID FROM sysparam WHERE alias=?", {Variant(name)})->eof()) {
    db.Execute("INSERT INTO sysparam (alias,body) VALUES (?,?)", {Variant(name), Variant(value)});
  } else {
    db.Execute("UPDATE sysparam SET body=? WHERE alias=?", {Variant(value), Variant(name)});
  }
  context.app().Set(context.prefix() + Key(name), Variant(value));
  RecordChange(context, AuditArea::kSettings, name, "“" + before + "”改为“" + value + "”");
  return Outcome::Done("设置 " + name + " 已经改为“" + value + "”，马上生效。");
}

}  // namespace tavolin::console
