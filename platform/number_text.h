// Copyright Tavolin developers.
//
// Numbers as text, the way the automation platform reads and writes them.
// Both directions use '.' as the decimal point whatever the C locale says.

#ifndef TAVOLIN_PLATFORM_NUMBER_TEXT_H_
#define TAVOLIN_PLATFORM_NUMBER_TEXT_H_

#include <optional>
#include <string>
#include <string_view>

namespace tavolin {

// Reads a decimal number: surrounding blanks, an optional sign, digits with
// an optional decimal point (at least one digit), and an optional exponent
// ("e" or "E", optional sign, digits). Returns nullopt for any other text.
// A number too large for a double gives +/-infinity, one too small gives 0,
// so that callers can tell "not a number" from "out of range".
std::optional<double> ParseNumber(std::string_view text);

// The shortest text of `value` with at most 15 significant digits: plain
// notation for decimal exponents from -4 to 14, otherwise a mantissa and an
// exponent of at least two digits ("1E+20", "1E-05"). Zero is "0".
std::string FormatNumber(double value);

}  // namespace tavolin

#endif  // TAVOLIN_PLATFORM_NUMBER_TEXT_H_
