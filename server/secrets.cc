// Copyright Tavolin developers.

#include "server/secrets.h"

#include <sys/random.h>

#include <array>
#include <stdexcept>

namespace tavolin::server {

std::string NewSecret() {
  std::array<unsigned char, 16> bytes{};
  size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t got = ::getrandom(bytes.data() + filled, bytes.size() - filled, 0);
    if (got < 0) throw std::runtime_error("no random bytes from the operating system");
    filled += static_cast<size_t>(got);
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string secret;
  for (const unsigned char byte : bytes) {
    secret += kHex[byte >> 4];
    secret += kHex[byte & 15];
  }
  return secret;
}

bool SecretMatches(std::string_view given, std::string_view expected) {
  if (expected.empty() || given.size() != expected.size()) return false;
  unsigned char difference = 0;
  for (size_t i = 0; i < given.size(); ++i) {
    difference |= static_cast<unsigned char>(given[i] ^ expected[i]);
  }
  return difference == 0;
}

}  // namespace tavolin::server
