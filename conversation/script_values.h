// Copyright Tavolin developers.
//
// How stored and visitor values are written into the browser script of a
// page: texts so that they cannot end the script string (or the script
// element) they stand in, numbers so that a missing one cannot break the
// script's syntax.

#ifndef TAVOLIN_CONVERSATION_SCRIPT_VALUES_H_
#define TAVOLIN_CONVERSATION_SCRIPT_VALUES_H_

#include <string>
#include <string_view>

#include "tavolin/variant.h"

namespace tavolin {

// A text the browser shows as HTML from inside a single-quoted script string
// (a chat line's text): HTML specials become entities, then the string is
// escaped, so the visitor sees exactly what was sent.
std::string ShownInScript(std::string_view text);

// A number written bare into script: the value's number text, or "0" when it
// is empty, NULL or not a number.
std::string ScriptNumber(const Variant& value);

}  // namespace tavolin

#endif  // TAVOLIN_CONVERSATION_SCRIPT_VALUES_H_
