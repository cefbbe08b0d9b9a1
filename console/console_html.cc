// Copyright Tavolin developers.

#include "console/console_html.h"

#include "text/html_text.h"

namespace tavolin::console {

using text::HtmlEscape;

namespace {

// What the chat's style sheet lacks for tables and a menu.
constexpr std::string_view kConsoleStyle =
    "<style>.panel.console{width:auto;max-width:1100px}"
    "nav.menu "
    "a{margin-right:12px;display:inline-block}table.list{border-collapse:collapse;margin:8px "
    "0;width:100%}"
    "table.list td,table.list th{border:1px solid #D6E4F2;padding:3px 6px;text-align:left;"
    "vertical-align:top}table.list th{background-color:#D6E4F2}form.inline{display:inline}"
    "form.console label{display:inline-block;margin:2px 10px 2px 0}"
    ".scroll{overflow-x:auto}</style>";

constexpr std::string_view kMenu =
    "<nav class='menu'><a href='/admin/'>控制台</a><a href='/admin/rooms.asp'>房间</a>"
    "<a href='/admin/users.asp'>用户</a><a href='/admin/locks.asp'>地址封锁</a>"
    "<a href='/admin/online.asp'>在线</a><a href='/admin/settings.asp'>设置</a>"
    "<a href='/admin/robot.asp'>机器人回答</a><a href='/admin/actions.asp'>动作</a>"
    "<a href='/admin/activity.asp'>活动</a><a href='/admin/userclear.asp'>用户清理</a>"
    "<a href='/admin/roomupdate.asp'>房间整理</a></nav>";

}  // namespace

std::string ConsoleFrame(std::string_view title, std::string_view body, std::string_view token) {
  return "<!DOCTYPE html><html><head><meta charset='utf-8'><meta name='csrf-token' content='" +
         HtmlEscape(token) +
         "'><meta name='viewport' content='width=device-width, initial-scale=1'><title>" +
         HtmlEscape(title) + " - Tavolin 控制台</title><link rel='stylesheet' href='/chat.css'>" +
         std::string(kConsoleStyle) + "</head><body class='site'><div class='panel console'><h1>" +
         HtmlEscape(title) + "</h1>" + std::string(kMenu) + std::string(body) +
         "</div></body></html>";
}

std::string TextRow(std::initializer_list<std::string_view> cells) {
  std::string row = "<tr>";
  for (std::string_view cell : cells) row += "<td>" + HtmlEscape(cell) + "</td>";
  return row + "</tr>";
}

std::string ActionForm(std::string_view action, std::string_view what, std::string_view token,
                       std::string_view fields, std::string_view button) {
  return PostForm("class='console' action='" + HtmlEscape(action) + "'", token) +
         Hidden("do", what) + std::string(fields) + "<button type='submit'>" + HtmlEscape(button) +
         "</button></form>";
}

std::string Hidden(std::string_view name, std::string_view value) {
  return "<input type='hidden' name='" + HtmlEscape(name) + "' value='" + HtmlEscape(value) + "'>";
}

std::string Input(std::string_view label, std::string_view name, std::string_view value,
                  std::string_view type) {
  return "<label>" + HtmlEscape(label) + " <input type='" + HtmlEscape(type) + "' name='" +
         HtmlEscape(name) + "' value='" + HtmlEscape(value) + "'></label>";
}

}  // namespace tavolin::console
