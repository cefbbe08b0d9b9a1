// Copyright Tavolin developers.
//
// Wrong passwords at the login hold back both the name they were given for
// and the address they came from, so that neither one name nor one address
// can try passwords quickly. An address gets more free failures than a name,
// as visitors behind one address share it.

#ifndef TAVOLIN_ENTRY_LOGIN_THROTTLE_H_
#define TAVOLIN_ENTRY_LOGIN_THROTTLE_H_

#include <cstdint>
#include <optional>
#include <string>

#include "tavolin/application.h"

namespace tavolin {

// The refusal of a login of `lower_name` from `ip` while either is held back.
std::optional<std::string> GuessingRefusal(Application& application, const std::string& lower_name,
                                           const std::string& ip, int64_t now);
// Counts a wrong password against the name and the address.
void CountWrongPassword(Application& application, const std::string& lower_name,
                        const std::string& ip, int64_t now);
// A right password ends the name's run of failures.
void ClearWrongPasswords(Application& application, const std::string& lower_name);

}  // namespace tavolin

#endif  // TAVOLIN_ENTRY_LOGIN_THROTTLE_H_
