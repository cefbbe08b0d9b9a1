// Copyright Tavolin developers.
//
// Reading the values a housekeeping run is given: its mode, the configuration
// switches, and the configured limits that go into its commands as numbers.

#ifndef TAVOLIN_HOUSEKEEPING_RUN_VALUES_H_
#define TAVOLIN_HOUSEKEEPING_RUN_VALUES_H_

#include <string_view>

#include "component/config_switch.h"
#include "tavolin/variant.h"

namespace tavolin {

// True when `mode` asks for a real run: it equals the number 1 (a text that
// reads as 1 counts). Anything else asks for a preview that changes nothing.
bool IsRealRun(const Variant& mode);

// True when `value` can serve as a configured limit: a number, not blank.
bool IsLimitValue(const Variant& value);

// The configured limit `value` (stored under `key`) as a number to bind into
// a command. Throws CallError (kDatabase) when it is empty or not numeric: the
// command it belongs to cannot run with it, so it is refused before it runs.
Variant LimitParameter(const Variant& value, std::string_view key);

}  // namespace tavolin

#endif  // TAVOLIN_HOUSEKEEPING_RUN_VALUES_H_
