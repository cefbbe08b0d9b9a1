// Copyright Tavolin developers.
//
// Start-up checks of the settings loaded from sysparam. A value that would
// make every login, poll, post or room change fail later (or refuse every
// visitor) stops the start-up instead, with an error that names the setting
// and its value, so the operator sees it before any visitor does.

#ifndef TAVOLIN_COMPONENT_SETTINGS_CHECK_H_
#define TAVOLIN_COMPONENT_SETTINGS_CHECK_H_

#include <cstdint>
#include <string_view>

#include "tavolin/application.h"
#include "tavolin/variant.h"

namespace tavolin {

// The last row of the say ring from the setting maxtalk. Throws CallError
// (kInvalidProcedureCall) naming the setting unless it is a whole number from
// 0 to 32767: a ring needs a row, and the newest row's number is kept as a
// 16-bit integer.
int32_t SayRingTop(const Variant& maxtalk);

// Throws CallError (kInvalidProcedureCall) for the first setting under
// `prefix` in `application` whose value the chat cannot work with, in the
// form "setting ALIAS is 'VALUE': what it must be".
void CheckSettings(const Application& application, std::string_view prefix);

}  // namespace tavolin

#endif  // TAVOLIN_COMPONENT_SETTINGS_CHECK_H_
