// Copyright Tavolin developers.
//
// The login token a session proves its visit with. It is the time of day of
// the entry; when that text was the last one handed out (two entries in the
// same second), a counter is appended, so that every entry gets a token of
// its own and a re-entry always shuts out the older session.

#ifndef TAVOLIN_ENTRY_LOGIN_TOKEN_H_
#define TAVOLIN_ENTRY_LOGIN_TOKEN_H_

#include <string>

namespace tavolin {

// The token for an entry at `time_text` (the time-of-day text). Safe to call
// from any thread; shared by the whole process.
std::string NextLoginToken(const std::string& time_text);

}  // namespace tavolin

#endif  // TAVOLIN_ENTRY_LOGIN_TOKEN_H_
