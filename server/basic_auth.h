// Copyright Tavolin developers.

#ifndef TAVOLIN_SERVER_BASIC_AUTH_H_
#define TAVOLIN_SERVER_BASIC_AUTH_H_

#include <string>
#include <string_view>

namespace tavolin::server {

// True when the Authorization header carries HTTP basic credentials for
// `user` with `password`. Compares in time independent of where a
// difference lies. An empty `password` never matches.
bool BasicAuthMatches(std::string_view authorization, std::string_view user,
                      std::string_view password);

// Decodes standard base64; nullopt-like "" with `ok` false on bad input.
std::string Base64Decode(std::string_view text, bool& ok);

}  // namespace tavolin::server

#endif  // TAVOLIN_SERVER_BASIC_AUTH_H_
