// Copyright Tavolin developers.

#include "server/forgery_guard.h"

#include "text/strings.h"

namespace tavolin::server {

bool FromOwnOrigin(const HttpRequest& request) {
  const std::string origin = text::AsciiLower(request.Header("origin"));
  if (origin.empty()) return true;
  std::string_view host_part = origin;
  if (host_part.starts_with("http://")) {
    host_part.remove_prefix(7);
  } else if (host_part.starts_with("https://")) {
    host_part.remove_prefix(8);
  } else {
    return false;  // "null" (a sandboxed or local page) and anything odd
  }
  const auto is_host = [host_part](std::string header) {
    header = text::AsciiLower(header.substr(0, header.find(',')));
    return !header.empty() && text::TrimBlanks(header) == host_part;
  };
  return is_host(request.Header("host")) || is_host(request.Header("x-forwarded-host"));
}

std::string WithTokenMeta(std::string html, std::string_view token) {
  static constexpr std::string_view kHead = "<head>";
  const size_t head = html.find(kHead);
  if (head == std::string::npos) return html;
  html.insert(head + kHead.size(), "<meta name='csrf-token' content='" + std::string(token) + "'>");
  return html;
}

}  // namespace tavolin::server
