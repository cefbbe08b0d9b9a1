// Copyright Tavolin developers.

#include "sitepages/site_html.h"

#include "text/html_text.h"
#include "text/strings.h"

namespace tavolin {

std::string PostForm(std::string_view attributes, std::string_view token) {
  return "<form method='post' " + std::string(attributes) +
         "><input type='hidden' name='token' value='" + text::HtmlEscape(token) + "'>";
}

std::string PageHead(std::string_view heading) {
  return "<h1>" + text::HtmlEscape(heading) +
         "</h1><p class='hint'><a href='userset.asp'>个人设置</a> | <a "
         "href='getcall.asp'>传呼</a> | <a href='guest.asp'>留言簿</a> | <a "
         "href='addfriend.asp'>好友申请</a></p>";
}

std::string OutcomeHtml(const std::optional<Outcome>& outcome) {
  if (!outcome) return "";
  return std::string(outcome->done ? "<p class='note'>" : "<p class='message'>") +
         text::HtmlEscape(outcome->message) + "</p>";
}

std::string MultilineHtml(std::string_view stored) {
  const std::string lines = text::ReplaceAll(text::ReplaceAll(stored, "\r\n", "\n"), "\r", "\n");
  return text::ReplaceAll(text::HtmlEscape(lines), "\n", "<br>");
}

}  // namespace tavolin
