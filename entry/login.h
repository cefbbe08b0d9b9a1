// Copyright Tavolin developers.
//
// The values one login establishes and hands from phase to phase: the
// request's values checked by the admission rules, then what the account
// check or the registration found out about the visitor.

#ifndef TAVOLIN_ENTRY_LOGIN_H_
#define TAVOLIN_ENTRY_LOGIN_H_

#include <cstdint>
#include <string>

#include "tavolin/corvane.h"

namespace tavolin {

// The account check's refusal of a wrong password.
inline constexpr char kWrongPasswordMessage[] =
    "错误：您输入了错误的密码，如果您是老版本用户，请在登陆页面上作密码转换！";

struct Corvane::Login {
  // Set by the admission rules.
  std::string ip;              // REMOTE_ADDR, trimmed
  std::string name;            // sUserName trimmed and cut to 10 characters
  std::string lower_name;      // the name in small letters, for the name rules
  std::string typed_password;  // sPass as sent
  int32_t max_people = 0;
  // Set before the account check.
  std::string scrambled_password;

  // Set by the account check: for an existing user `name` becomes the name
  // as stored, whose letter case may differ from the typed one.
  int16_t sex = 0;
  int32_t stored_level = 1;
  int32_t level = 1;  // the stored level, raised by a temporary level
  int32_t face = 1010;
  std::string notices;  // the private line of login notices; "" for none
};

// An address lock found for the visitor's address: it locks out every new
// user and the existing users whose level is below `level`.
struct Corvane::AddressLock {
  bool locked = false;
  int32_t level = 0;
};

}  // namespace tavolin

#endif  // TAVOLIN_ENTRY_LOGIN_H_
