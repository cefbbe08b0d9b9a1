// Copyright Tavolin developers.
//
// Decoding what a browser puts in a request line, a form body and a cookie
// header. Texts come back as the browser sent their bytes (GBK on our wire);
// the caller converts them.

#ifndef TAVOLIN_SERVER_URL_CODEC_H_
#define TAVOLIN_SERVER_URL_CODEC_H_

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavolin::server {

using NameValues = std::vector<std::pair<std::string, std::string>>;

// Percent-decodes `text`, "+" standing for a blank. A "%" not followed by two
// hex digits is kept as it is.
std::string PercentDecode(std::string_view text);

// Percent-encodes everything but unreserved characters (for links and tests).
std::string PercentEncode(std::string_view text);

// Splits "a=1&b=2" into decoded pairs, in order; a piece without "=" is a
// name with an empty value; empty pieces are skipped.
NameValues ParseUrlEncoded(std::string_view text);

// Splits a Cookie header "a=1; b=2" into pairs (values not decoded).
NameValues ParseCookies(std::string_view header);

// Splits a request target into its path and query ("" when none).
std::pair<std::string_view, std::string_view> SplitTarget(std::string_view target);

}  // namespace tavolin::server

#endif  // TAVOLIN_SERVER_URL_CODEC_H_
