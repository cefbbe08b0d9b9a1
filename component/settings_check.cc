// Copyright Tavolin developers.

#include "component/settings_check.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "component/config_switch.h"
#include "housekeeping/run_values.h"
#include "tavolin/error.h"
#include "text/strings.h"

namespace tavolin {

namespace {

constexpr int32_t kLargestRingTop = 32767;
// A name is cut to ten characters, and a double-byte one counts two.
constexpr double kLongestNameLength = 20;

std::string Shown(const Variant& value) {
  if (value.is_null()) return "Null";
  if (value.is_array()) return "(an array)";
  return value.ToText();
}

[[noreturn]] void Refuse(std::string_view alias, const Variant& value, std::string_view need) {
  throw CallError(ErrorCode::kInvalidProcedureCall, "setting " + std::string(alias) + " is '" +
                                                        Shown(value) + "': " + std::string(need));
}

// The value read as the engine reads it (a missing setting is 0), or nothing
// when that read would fail.
template <typename T>
std::optional<T> ReadAs(const Variant& value, T (Variant::*read)() const) {
  if (!value.IsNumeric()) return std::nullopt;
  try {
    return (value.*read)();
  } catch (const CallError&) {
    return std::nullopt;
  }
}

std::optional<double> Number(const Variant& value) { return ReadAs(value, &Variant::ToDouble); }
std::optional<int32_t> WholeNumber(const Variant& value) { return ReadAs(value, &Variant::ToLong); }

// The pieces of the value's text between `separator`s ("" has none).
std::vector<std::string> Pieces(const Variant& value, std::string_view separator) {
  std::vector<std::string> pieces;
  if (value.is_null() || value.is_array()) return pieces;
  const std::string text = value.ToText();
  for (std::string_view piece : text::Split(text, separator)) pieces.emplace_back(piece);
  return pieces;
}

bool IsNumber(const Variant& value) { return Number(value).has_value(); }
bool IsNotNegative(const Variant& value) { return Number(value).value_or(-1) >= 0; }
bool IsWhole(const Variant& value) { return WholeNumber(value).has_value(); }
bool IsWholeNotNegative(const Variant& value) { return WholeNumber(value).value_or(-1) >= 0; }
bool IsWholePositive(const Variant& value) { return WholeNumber(value).value_or(0) >= 1; }
bool IsRingTop(const Variant& value) {
  const std::optional<int32_t> top = WholeNumber(value);
  return top && *top >= 0 && *top <= kLargestRingTop;
}
bool IsLevelOrBlank(const Variant& value) {
  return value.is_string() ? text::TrimBlanks(value.view()).empty() || IsNumber(value)
                           : IsNumber(value);
}
bool IsLimit(const Variant& value) { return IsLimitValue(value) && IsNumber(value); }
bool IsNotice(const Variant& value) { return Pieces(value, "::").size() >= 3; }
// A colour as the chat's scripts and stored colour lists carry it: "#" and
// hex digits, or a colour's name. Anything else could end a script string.
bool IsColour(std::string_view word) {
  if (word.starts_with('#')) {
    return word.size() > 1 &&
           word.substr(1).find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
  }
  return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  });
}
// At least `least` colours separated by single blanks, and nothing else.
bool HasColours(const Variant& value, size_t least) {
  const std::vector<std::string> words = Pieces(value, " ");
  return words.size() >= least && std::all_of(words.begin(), words.end(), IsColour);
}
bool HasTwoColours(const Variant& value) { return HasColours(value, 2); }
bool HasAColour(const Variant& value) { return HasColours(value, 1); }
// The chat window's name stands in its scripts as it is.
bool IsWindowName(const Variant& value) {
  const std::string name = value.is_string() ? value.ToText() : "";
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  });
}
bool HasNoEmptyWord(const Variant& value) {
  const std::vector<std::string> words = Pieces(value, ",");
  return std::find(words.begin(), words.end(), "") == words.end();
}
bool IsHourTable(const Variant& value) {
  const std::vector<std::string> elements = Pieces(value, ",");
  if (elements.size() < 25) return false;
  for (const std::string& element : elements) {
    if (!IsNumber(Variant(element))) return false;
  }
  const std::optional<int32_t> last_hour = WholeNumber(Variant(elements[24]));
  return last_hour && *last_hour >= 0 && *last_hour <= 23;
}

constexpr char kRingTopNeed[] =
    "it must be a whole number from 0 to 32767 (the say ring's last row)";
constexpr char kNoticeNeed[] =
    "it must hold words, colour and colour separated by \"::\", or no visitor can come in";
constexpr char kRateNeed[] =
    "it must be a whole number, not below 0 (0: no limit), of a visitor's posts in its time";
constexpr char kLimitNeed[] = "it must be a number of days (the daily cleanup runs at 14:00)";

struct Setting {
  std::string_view alias;
  bool (*usable)(const Variant&);
  std::string_view need;
  // The switch that must be on for the setting to be read; empty: always.
  std::string_view only_with = {};
};

// Every setting whose bad value fails each request of a kind.
constexpr Setting kSettings[] = {
    {"maxtalk", IsRingTop, kRingTopNeed},
    {"nosaytimeout", IsNotNegative, "it must be a number of minutes, not below 0 (every poll)"},
    {"dontsavevalue", IsWholeNotNegative,
     "it must be a whole number of minutes, not below 0 (every poll)"},
    {"maxsayslength", IsWholePositive, "it must be a whole number from 1 up (every post)"},
    {"minsayslength", IsNumber, "it must be a number (the chat page's script)"},
    {"listreftime", IsNumber, "it must be a number (the chat page's script)"},
    {"l_tt", IsNumber, "it must be a level number (every post)"},
    {"l_allhtml", IsNumber, "it must be a level number (every post in HTML)"},
    {"l_title", IsNumber, "it must be a level number (every room title)"},
    {"titlelength", IsWhole, "it must be a whole number (every room title)"},
    {"l_delroom", IsLevelOrBlank, "it must be a level number or empty (every room change)"},
    {"disableproxy", IsNumber, "it must be a number, 1 to refuse proxies (every login)"},
    {"maxpeople", IsWholeNotNegative, "it must be a whole number, not below 0 (every login)"},
    {"namelength", IsNumber, "it must be a number (every login)"},
    {"maxnamelength", IsNumber, "it must be a number (every login)"},
    {"usernamefilter", HasNoEmptyWord,
     "its words must be separated by single commas: an empty word refuses every name"},
    {"newusernum", IsNumber, "it must be a number (every registration)"},
    {"facecolorstr", HasTwoColours,
     "it must hold at least two colours (#hex or a name) separated by single blanks (every "
     "registration and chat page)"},
    {"backgroudcolorstr", HasAColour,
     "it must hold at least one colour (#hex or a name), separated by single blanks (every "
     "registration and chat page)"},
    {"user", IsWindowName,
     "it must be letters, digits and _ only (the chat window's name in every chat page)"},
    {"enterchatshow", IsNotice, kNoticeNeed},
    {"reentershow", IsNotice, kNoticeNeed},
    {"enterroomshow", IsNotice, "it must hold words, colour and colour separated by \"::\""},
    {"exitroomshow", IsNotice, "it must hold words, colour and colour separated by \"::\""},
    {"visitor", IsNumber, "it must be a number (every login counts in it)"},
    {"hour24", IsHourTable,
     "it must be 25 numbers separated by \",\", the last an hour from 0 to 23 (every login)"},
    {"friendtimeout", IsLimit, kLimitNeed},
    {"calltimeout", IsLimit, kLimitNeed},
    {"managelogtimeout", IsLimit, kLimitNeed, "autoclearmanagelog"},
    {"gbtimeout", IsLimit, kLimitNeed, "autocleargb"},
    {"usernameoncetimeout", IsLimit, kLimitNeed, "autoclearusername"},
    {"usernametimeout", IsLimit, kLimitNeed, "autoclearusername"},
    {"roomkeepexp", IsLimit, kLimitNeed, "roomautoclear"},
    {"roomtimeout", IsLimit, kLimitNeed, "roomautoclear"},
    {"roomexpperday", IsLimit, kLimitNeed, "roomautoclear"},
    {"maxsaysper10s", IsWholeNotNegative, kRateNeed},
    {"maxcallsperminute", IsWholeNotNegative, kRateNeed},
    {"maxgbperminute", IsWholeNotNegative, kRateNeed},
    {"maxfriendrqperminute", IsWholeNotNegative, kRateNeed},
    {"maxtoallcallsperhour", IsWholeNotNegative, kRateNeed},
};

}  // namespace

int32_t SayRingTop(const Variant& maxtalk) {
  if (!IsRingTop(maxtalk)) Refuse("maxtalk", maxtalk, kRingTopNeed);
  return maxtalk.ToLong();
}

void CheckSettings(const Application& application, std::string_view prefix) {
  const auto get = [&](std::string_view alias) {
    return application.Get(std::string(prefix) + "_" + std::string(alias));
  };
  for (const Setting& setting : kSettings) {
    if (!setting.only_with.empty() && !IsSwitchOn(get(setting.only_with))) continue;
    const Variant value = get(setting.alias);
    if (!setting.usable(value)) Refuse(setting.alias, value, setting.need);
  }
  // A name is let in when its length lies from namelength to twice
  // maxnamelength; no length of a name may do so.
  const Variant shortest = get("namelength");
  const double longest = 2 * *Number(get("maxnamelength"));
  if (std::max(*Number(shortest), 1.0) > std::min(longest, kLongestNameLength)) {
    Refuse("namelength", shortest,
           "no name from 1 to 20 long lies between it and twice maxnamelength (" +
               Variant(longest).ToText() + "): every name would be refused");
  }
}

}  // namespace tavolin
