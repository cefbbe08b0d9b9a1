// Copyright Tavolin developers.
//
// userset.asp: the visitor's own settings in table user, which the chat page
// reads on its next load: the window colours (bgcolor holds background,
// first and second face colour joined by ":"), the colour numbers of names
// and lines, font size, line height and the friends list; and the password,
// changed only with the old one and stored scrambled as the login compares
// it. The values are written into the chat page's script as they are
// stored, so each is checked against its form before it is stored.

#include <cctype>
#include <iterator>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "component/column_text.h"
#include "sitepages/friends_list.h"
#include "sitepages/input_limits.h"
#include "sitepages/site_html.h"
#include "sitepages/site_pages.h"
#include "sitepages/site_visit.h"
#include "text/html_text.h"
#include "text/strings.h"

namespace tavolin {

namespace {

// A whole-number setting and its range.
struct NumberSetting {
  std::string_view column;
  std::string_view label;
  int min;
  int max;
};
// Colour numbers pick from the chat's colour list (registration draws 0 to
// 17); font size and line height grow the say frames' text from 9pt and 120%.
constexpr NumberSetting kNumbers[] = {
    {"n_color", "名字颜色", 0, 17},
    {"s_color", "发言颜色", 0, 17},
    {"f_size", "字体大小", 0, 10},
    {"l_height", "行距", 0, 20},
};

struct ColorSetting {
  std::string_view field;
  std::string_view label;
};
constexpr ColorSetting kColors[] = {
    {"bgcolor", "背景颜色"},
    {"bc1", "窗口颜色一"},
    {"bc2", "窗口颜色二"},
};

// "#RGB" or "#RRGGBB" (the "#" may be left out), as "#" and capitals.
std::optional<std::string> Color(std::string_view typed) {
  std::string color = TrimmedInput(typed);
  if (color.starts_with('#')) color.erase(0, 1);
  if ((color.size() != 3 && color.size() != 6) ||
      color.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
    return std::nullopt;
  }
  for (char& c : color) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return "#" + color;
}

std::optional<int> WholeNumber(std::string_view typed, int min, int max) {
  const std::string digits = TrimmedInput(typed);
  if (digits.empty() || digits.size() > 3 ||
      digits.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  const int value = std::stoi(digits);
  if (value < min || value > max) return std::nullopt;
  return value;
}

Outcome SaveSettings(SiteVisit& visit) {
  std::vector<std::string> colors;
  for (const ColorSetting& setting : kColors) {
    const std::optional<std::string> color = Color(visit.Form(setting.field));
    if (!color) {
      return Outcome::Refused(std::string(setting.label) +
                              "要写成#加三位或六位十六进制数字，例如#336699。");
    }
    colors.push_back(*color);
  }
  std::vector<Variant> values = {Variant(text::Join(colors, ":"))};
  for (const NumberSetting& setting : kNumbers) {
    const std::optional<int> value =
        WholeNumber(visit.Form(setting.column), setting.min, setting.max);
    if (!value) {
      return Outcome::Refused(std::string(setting.label) + "要在" + std::to_string(setting.min) +
                              "到" + std::to_string(setting.max) + "之间。");
    }
    values.emplace_back(*value);
  }
  const auto friends = TypedFriends(visit.db(), visit.Form("friends"));
  if (const auto* refusal = std::get_if<Outcome>(&friends)) return *refusal;
  values.emplace_back(std::get<std::string>(friends));
  values.emplace_back(visit.name());
  visit.db().Execute(
      "update user set bgcolor=?,n_color=?,s_color=?,f_size=?,l_height=?,friends=? "
      "where username=?",
      values);
  return Outcome::Done("设置已经保存，下次打开聊天室窗口时生效。");
}

// The scrambled form of a typed password, as the login makes it.
std::string Scrambled(Corvane& object, std::string_view typed) {
  Variant password{std::string(text::LeftChars(typed, kMaxPasswordChars))};
  return object.trpass(password).ToText();
}

Outcome ChangePassword(SiteVisit& visit) {
  const std::string stored = ColumnText(*visit.UserRow(), "passwd");
  if (Scrambled(visit.object(), visit.Form("oldpass")) != stored) {
    return Outcome::Refused("原来的密码不对，密码没有改。");
  }
  const std::string password(text::TrimBlanks(visit.Form("newpass")));
  if (password.empty()) return Outcome::Refused("新密码不能是空的。");
  if (auto refusal = TooLong(password, kMaxPasswordChars, "密码")) return *refusal;
  if (password != text::TrimBlanks(visit.Form("newpass2"))) {
    return Outcome::Refused("两次输入的新密码不一样，密码没有改。");
  }
  // The login refuses a password equal to the name.
  if (text::EqualsIgnoringAsciiCase(password, visit.name())) {
    return Outcome::Refused("新密码不能和名字一样。");
  }
  visit.db().Execute("update user set passwd=? where username=?",
                     {Variant(Scrambled(visit.object(), password)), Variant(visit.name())});
  return Outcome::Done("密码已经改好了，下次登录请用新密码。");
}

std::string Input(std::string_view field, std::string_view label, const std::string& value,
                  size_t max_length) {
  return "<p>" + std::string(label) + " <input name='" + std::string(field) + "' value='" +
         text::HtmlEscape(value) + "' maxlength='" + std::to_string(max_length) + "'></p>";
}

std::string SettingsForm(SiteVisit& visit) {
  auto user = visit.UserRow();
  const std::string stored_colors = ColumnText(*user, "bgcolor");
  std::vector<std::string_view> colors = text::Split(stored_colors, ":");
  colors.resize(std::size(kColors));
  std::string form =
      visit.PostForm("userset.asp") + "<input type='hidden' name='do' value='settings'>";
  for (size_t i = 0; i < std::size(kColors); ++i) {
    form += Input(kColors[i].field, kColors[i].label, std::string(colors[i]), 7);
  }
  for (const NumberSetting& setting : kNumbers) {
    form += Input(setting.column,
                  std::string(setting.label) + "（" + std::to_string(setting.min) + "-" +
                      std::to_string(setting.max) + "）",
                  ColumnText(*user, setting.column), 3);
  }
  form += "<p>好友（名字之间用空格隔开，最多" + std::to_string(kMaxFriends) +
          "个）<br><textarea name='friends' rows='3' cols='40'>" +
          text::HtmlEscape(text::TrimBlanks(ColumnText(*user, "friends"))) +
          "</textarea></p><button type='submit'>保存设置</button></form>";
  return form;
}

std::string PasswordForm(const SiteVisit& visit) {
  const std::string max = std::to_string(kMaxPasswordChars);
  return "<h2>修改密码</h2>" + visit.PostForm("userset.asp") +
         "<input type='hidden' name='do' value='password'><p>原来的密码 <input type='password' "
         "name='oldpass' "
         "maxlength='" +
         max + "'></p><p>新密码 <input type='password' name='newpass' maxlength='" + max +
         "'></p><p>再输一次 <input type='password' name='newpass2' maxlength='" + max +
         "'></p><button type='submit'>修改密码</button></form>";
}

}  // namespace

std::optional<PageContent> UserSettingsPage(const SiteHost& host) {
  SiteVisit visit(host);
  if (!visit.in_chat()) return std::nullopt;
  std::optional<Outcome> outcome;
  if (visit.posted()) {
    outcome = visit.Form("do") == "password" ? ChangePassword(visit) : SaveSettings(visit);
  }
  return PageContent{"个人设置", PageHead("个人设置") + OutcomeHtml(outcome) + SettingsForm(visit) +
                                     PasswordForm(visit)};
}

}  // namespace tavolin
