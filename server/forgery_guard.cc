// Copyright Tavolin developers.

#include "server/forgery_guard.h"

#include <cctype>

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

bool FromOwnPage(const HttpRequest& request) {
  const std::string fetch_site = text::AsciiLower(request.Header("sec-fetch-site"));
  if (!fetch_site.empty()) return fetch_site == "same-origin";
  const std::string referer = text::AsciiLower(request.Header("referer"));
  const size_t scheme = referer.find("://");
  if (scheme == std::string::npos) return false;
  const std::string host = referer.substr(scheme + 3, referer.find('/', scheme + 3) - scheme - 3);
  return !host.empty() && host == text::AsciiLower(request.Header("host"));
}

namespace {

// Where the "<head>" that opens `html` starts: after blanks, a doctype and
// the "<html>" tag at most; npos when the page opens otherwise.
size_t OpeningHead(std::string_view html) {
  size_t at = 0;
  const auto skip_blanks = [&] {
    while (at < html.size() && std::isspace(static_cast<unsigned char>(html[at]))) ++at;
  };
  const auto skip_tag = [&](std::string_view opening) {
    skip_blanks();
    if (!text::AsciiLower(html.substr(at, opening.size())).starts_with(opening)) return;
    const size_t end = html.find('>', at);
    if (end != std::string_view::npos) at = end + 1;
  };
  skip_tag("<!doctype");
  skip_tag("<html");
  skip_blanks();
  return html.substr(at).starts_with("<head>") ? at : std::string_view::npos;
}

}  // namespace

std::string WithTokenMeta(std::string html, std::string_view token) {
  static constexpr std::string_view kHead = "<head>";
  const size_t head = OpeningHead(html);
  if (head == std::string::npos) return html;
  html.insert(head + kHead.size(), "<meta name='csrf-token' content='" + std::string(token) + "'>");
  return html;
}

}  // namespace tavolin::server
