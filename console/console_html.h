// Copyright Tavolin developers.
//
// The console's page frame and the pieces its pages share. Pages are UTF-8
// HTML in the chat's look (chat.css), readable on a phone, with the menu of
// the console's pages and the anti-forgery token in the head for the forms.

#ifndef TAVOLIN_CONSOLE_CONSOLE_HTML_H_
#define TAVOLIN_CONSOLE_CONSOLE_HTML_H_

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "sitepages/site_html.h"

namespace tavolin::console {

// The whole page: `body` is HTML, `title` plain text.
std::string ConsoleFrame(std::string_view title, std::string_view body, std::string_view token);

// An escaped table cell row: each text escaped.
std::string TextRow(std::initializer_list<std::string_view> cells);

// A posted form to `action` doing `what` (the field "do"), with the token;
// `fields` is HTML of its inputs, `button` the button's words.
std::string ActionForm(std::string_view action, std::string_view what, std::string_view token,
                       std::string_view fields, std::string_view button);

// A hidden input and a labelled text input, values escaped.
std::string Hidden(std::string_view name, std::string_view value);
std::string Input(std::string_view label, std::string_view name, std::string_view value,
                  std::string_view type = "text");

}  // namespace tavolin::console

#endif  // TAVOLIN_CONSOLE_CONSOLE_HTML_H_
