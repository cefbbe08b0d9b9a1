// Copyright Tavolin developers.
//
// The decoding of request targets, form bodies and cookie headers.

#include <string>

#include "fuzz/fuzz_input.h"
#include "server/url_codec.h"

namespace tavolin::server {

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string decoded = PercentDecode(text);
  fuzz::Check(decoded.size() <= text.size(), "decoding never lengthens");
  fuzz::Check(PercentDecode(PercentEncode(text)) == text, "encoding then decoding gives the text");

  for (const auto& [name, value] : ParseUrlEncoded(text)) {
    fuzz::Check(name.size() + value.size() <= text.size(), "a pair is no longer than the body");
  }
  for (const auto& [name, value] : ParseCookies(text)) {
    fuzz::Check(name.size() + value.size() <= text.size(), "a cookie is no longer than the header");
  }
  const auto [path, query] = SplitTarget(text);
  fuzz::Check(path.size() + query.size() <= text.size(), "path and query lie in the target");
  return 0;
}

}  // namespace tavolin::server
