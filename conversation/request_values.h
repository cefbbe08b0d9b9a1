// Copyright Tavolin developers.
//
// Reading the values of a chat request: whatever a browser sends, a value is
// either understood or refused with a clear error, never a crash.

#ifndef TAVOLIN_CONVERSATION_REQUEST_VALUES_H_
#define TAVOLIN_CONVERSATION_REQUEST_VALUES_H_

#include <cstdint>
#include <optional>
#include <string_view>

#include "tavolin/variant.h"

namespace tavolin {

// A say id sent by the browser: nullopt when the value is absent or empty.
// Throws CallError (kTypeMismatch) when it is anything but a whole number in
// the 32-bit range.
std::optional<int32_t> OptionalSayId(const Variant& value, std::string_view name);

// A number a browser sent: nullopt when the value is empty, not a number,
// or beyond the range of a double (junk such as 1e400, not an error).
std::optional<double> SentNumber(const Variant& value);

// The private flag of a post: true exactly when the value reads as -1 or as
// the word true in any letter case.
bool IsPrivateFlag(const Variant& value);

// The poster's chosen act number: the value as a 16-bit integer when it is a
// number in range, otherwise 0.
int16_t ChosenActNumber(const Variant& value);

}  // namespace tavolin

#endif  // TAVOLIN_CONVERSATION_REQUEST_VALUES_H_
