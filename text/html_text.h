// Copyright Tavolin developers.
//
// Escaping of texts that the site's own pages (not the engine's chat texts,
// which keep their own escapings) write into HTML and into script strings.

#ifndef TAVOLIN_TEXT_HTML_TEXT_H_
#define TAVOLIN_TEXT_HTML_TEXT_H_

#include <string>
#include <string_view>

namespace tavolin::text {

// For HTML text and attribute values: & < > " ' become entities.
std::string HtmlEscape(std::string_view text);

// For a single-quoted script string: backslash and quotes get a backslash,
// line breaks are dropped, and "</" is written "<\/" so the text cannot end
// the script element.
std::string ScriptStringEscape(std::string_view text);

}  // namespace tavolin::text

#endif  // TAVOLIN_TEXT_HTML_TEXT_H_
