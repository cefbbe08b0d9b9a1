// Copyright Tavolin developers.

#ifndef TAVOLIN_SERVER_BASIC_AUTH_H_
#define TAVOLIN_SERVER_BASIC_AUTH_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "entry/guess_throttle.h"

namespace tavolin::server {

// True when the Authorization header carries HTTP basic credentials for
// `user` with `password`. Compares in time independent of where a
// difference lies. An empty `password` never matches.
bool BasicAuthMatches(std::string_view authorization, std::string_view user,
                      std::string_view password);

// The answer to the credentials of a request from `address`: a wrong
// password counts against the address (a request without credentials, as a
// browser sends first, does not), and an address held back is answered
// `wait` seconds before any check.
struct GuardedAuth {
  bool allowed = false;
  int64_t wait = 0;
};
GuardedAuth CheckBasicAuthGuarded(GuessThrottle& throttle, std::string_view address,
                                  std::string_view authorization, std::string_view user,
                                  std::string_view password, int64_t now);

// Decodes standard base64; nullopt-like "" with `ok` false on bad input.
std::string Base64Decode(std::string_view text, bool& ok);

}  // namespace tavolin::server

#endif  // TAVOLIN_SERVER_BASIC_AUTH_H_
