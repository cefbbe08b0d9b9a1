// Copyright Tavolin developers.

#include "text/html_text.h"

namespace tavolin::text {

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string ScriptStringEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '\\' || c == '\'' || c == '"') {
      out += '\\';
      out += c;
    } else if (c == '/' && !out.empty() && out.back() == '<') {
      // Checked on the output, so that a dropped line break between the two
      // cannot join them.
      out += "\\/";
    } else if (c != '\r' && c != '\n') {
      out += c;
    }
  }
  return out;
}

}  // namespace tavolin::text
