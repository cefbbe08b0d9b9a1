// Copyright Tavolin developers.
//
// Secret values of the server: session identifiers and anti-forgery tokens
// are made from the operating system's random source, and a secret a
// request brings is compared without giving away where it differs.
//
// Thread safety: both functions may be called from any thread.

#ifndef TAVOLIN_SERVER_SECRETS_H_
#define TAVOLIN_SERVER_SECRETS_H_

#include <string>
#include <string_view>

namespace tavolin::server {

// 128 random bits as 32 lower-case hex digits. Throws std::runtime_error
// when the operating system gives no random bytes.
std::string NewSecret();

// Whether `given` equals `expected`, in time that depends only on their
// lengths. An empty `expected` never matches.
bool SecretMatches(std::string_view given, std::string_view expected);

}  // namespace tavolin::server

#endif  // TAVOLIN_SERVER_SECRETS_H_
