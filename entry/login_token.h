// Copyright Tavolin developers.
//
// The login token a session proves its visit with. It is the time of day of
// the entry; when the chat handed out that text last (two entries in the same
// second), a counter is appended, so that every entry gets a token of its own
// and a re-entry always shuts out the older session.

#ifndef TAVOLIN_ENTRY_LOGIN_TOKEN_H_
#define TAVOLIN_ENTRY_LOGIN_TOKEN_H_

#include <string>
#include <string_view>

#include "tavolin/application.h"

namespace tavolin {

// The token for an entry at `time_text` (the time-of-day text) into the chat
// kept in `application` under `prefix`. The generator is shared by every
// request of that chat. REQUIRES: the caller holds the application lock.
std::string NextLoginToken(Application& application, std::string_view prefix,
                           const std::string& time_text);

}  // namespace tavolin

#endif  // TAVOLIN_ENTRY_LOGIN_TOKEN_H_
