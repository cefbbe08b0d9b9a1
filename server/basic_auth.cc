// Copyright Tavolin developers.

#include "server/basic_auth.h"

#include "server/secrets.h"

#include "text/strings.h"

namespace tavolin::server {

std::string Base64Decode(std::string_view text, bool& ok) {
  static constexpr std::string_view kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  unsigned buffer = 0;
  int bits = 0;
  ok = true;
  for (const char c : text) {
    if (c == '=') break;
    const size_t value = kAlphabet.find(c);
    if (value == std::string_view::npos) {
      ok = false;
      return "";
    }
    buffer = (buffer << 6) | static_cast<unsigned>(value);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((buffer >> bits) & 0xFF);
    }
  }
  return out;
}

bool BasicAuthMatches(std::string_view authorization, std::string_view user,
                      std::string_view password) {
  if (password.empty()) return false;
  authorization = text::TrimBlanks(authorization);
  constexpr std::string_view kScheme = "basic ";
  if (authorization.size() < kScheme.size() ||
      !text::EqualsIgnoringAsciiCase(authorization.substr(0, kScheme.size()), kScheme)) {
    return false;
  }
  bool ok = false;
  const std::string given =
      Base64Decode(text::TrimBlanks(authorization.substr(kScheme.size())), ok);
  const std::string expected = std::string(user) + ":" + std::string(password);
  return ok && SecretMatches(given, expected);
}

GuardedAuth CheckBasicAuthGuarded(GuessThrottle& throttle, std::string_view address,
                                  std::string_view authorization, std::string_view user,
                                  std::string_view password, int64_t now) {
  const std::string key(address);
  if (const int64_t wait = throttle.Wait(key, now); wait > 0) return {.wait = wait};
  if (BasicAuthMatches(authorization, user, password)) {
    throttle.Clear(key);
    return {.allowed = true};
  }
  if (!text::TrimBlanks(authorization).empty()) throttle.Fail(key, now);
  return {};
}

}  // namespace tavolin::server
