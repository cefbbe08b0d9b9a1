// Copyright Tavolin developers.

#ifndef TAVOLIN_COMPONENT_CONFIG_SWITCH_H_
#define TAVOLIN_COMPONENT_CONFIG_SWITCH_H_

#include "tavolin/variant.h"

namespace tavolin {

// A configuration switch is on when it equals the text "1" (the number 1
// reads so too); Null equals nothing.
inline bool IsSwitchOn(const Variant& value) { return !value.is_null() && value.ToText() == "1"; }

}  // namespace tavolin

#endif  // TAVOLIN_COMPONENT_CONFIG_SWITCH_H_
