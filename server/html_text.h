// Copyright Tavolin developers.
//
// Escaping of texts the server's own pages write into HTML and script.

#ifndef TAVOLIN_SERVER_HTML_TEXT_H_
#define TAVOLIN_SERVER_HTML_TEXT_H_

#include <string>
#include <string_view>

namespace tavolin::server {

// For HTML text and attribute values: & < > " ' become entities.
std::string HtmlEscape(std::string_view text);

// For a single-quoted script string: backslash and quote get a backslash,
// line breaks are dropped, and "</" is written "<\/" so the text cannot end
// the script element.
std::string ScriptStringEscape(std::string_view text);

}  // namespace tavolin::server

#endif  // TAVOLIN_SERVER_HTML_TEXT_H_
