// Copyright Tavolin developers.
//
// The checks of what an operator types into the console, shared by every
// operation: whole numbers in a range, dates, and texts that the chat's
// lists and scripts can carry.

#ifndef TAVOLIN_CONSOLE_CONSOLE_INPUT_H_
#define TAVOLIN_CONSOLE_CONSOLE_INPUT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tavolin/date_time.h"
#include "tavolin/variant.h"

namespace tavolin::console {

// The text (blanks around it ignored) as a whole number from `low` to
// `high`, or nothing.
std::optional<int32_t> WholeNumber(std::string_view text, int32_t low, int32_t high);

// The row id that `id` (as a form sends it) names, bound as a number:
// PostgreSQL refuses a text that is no number for a number column, where a
// SQLite comparison only finds no row. Any other text gives 0, which no row
// has.
Variant RowId(std::string_view id);

// A date with or without its time: "YYYY-MM-DD HH:MM:SS", "YYYY-MM-DD HH:MM",
// "YYYY-MM-DD", and a browser's "YYYY-MM-DDTHH:MM"; nothing for anything else.
std::optional<DateTime> DateInput(std::string_view text);

// Whether a text can stand in a field of the live lists: no list marker
// ("$>", "<$") and no control character.
bool FitsLists(std::string_view text);

// Whether a name (a room's, its owner's, its robot's) can stand in the chat's
// scripts and notices as it is: it fits the lists and holds none of ' " \ < >.
bool PlainName(std::string_view text);

}  // namespace tavolin::console

#endif  // TAVOLIN_CONSOLE_CONSOLE_INPUT_H_
