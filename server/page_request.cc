// Copyright Tavolin developers.

#include "server/page_request.h"

#include "server/url_codec.h"
#include "text/gbk.h"
#include "text/strings.h"

namespace tavolin::server {

MemoryRequest ToPageRequest(const HttpRequest& http) {
  MemoryRequest request;
  const auto [path, query] = SplitTarget(http.target);
  for (const auto& [name, value] : ParseUrlEncoded(query)) {
    request.SetQuery(text::GbkFormToUtf8(name), text::GbkFormToUtf8(value));
  }
  const std::string content_type = text::AsciiLower(http.Header("content-type"));
  if (http.method == "POST" && content_type.starts_with("application/x-www-form-urlencoded")) {
    for (const auto& [name, value] : ParseUrlEncoded(http.body)) {
      request.SetForm(text::GbkFormToUtf8(name), text::GbkFormToUtf8(value));
    }
  }
  for (const auto& [name, value] : ParseCookies(http.Header("cookie"))) {
    request.SetCookie(name, text::GbkToUtf8(PercentDecode(value)));
  }
  request.SetServerVariable("REMOTE_ADDR", http.peer_address);
  request.SetServerVariable("REQUEST_METHOD", http.method);
  request.SetServerVariable("PATH_INFO", PercentDecode(path));
  request.SetServerVariable("QUERY_STRING", std::string(query));
  for (const auto& [header, variable] :
       {std::pair{"via", "HTTP_VIA"}, std::pair{"x-forwarded-for", "HTTP_X_FORWARDED_FOR"}}) {
    if (http.headers.contains(header)) request.SetServerVariable(variable, http.Header(header));
  }
  return request;
}

}  // namespace tavolin::server
