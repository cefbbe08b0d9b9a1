// Copyright Tavolin developers.
//
// The SQL functions the chat's commands use beyond SQLite's own:
//
//   datediff(interval, d1, d2)  boundaries of `interval` ('d', 'h', 'n', 's',
//                               any letter case) crossed from d1 to d2, as
//                               tavolin::DateDiff counts them. d1 and d2 are
//                               date texts in a DateTime::Parse form or
//                               serial-date numbers. A NULL argument gives
//                               NULL; an unreadable date or an unknown
//                               interval fails the statement.
//   now()                       the Env's current local date-time as text in
//                               DateTime::ToString() form.
//
// SQLite matches function names without regard to case, so DATEDIFF and NOW
// reach the same functions.

#ifndef TAVOLIN_PLATFORM_SQLITE_FUNCTIONS_H_
#define TAVOLIN_PLATFORM_SQLITE_FUNCTIONS_H_

#include <sqlite3.h>

#include "tavolin/env.h"

namespace tavolin {

// Registers datediff() and now() on `db`. `env` must outlive `db`.
// Returns the SQLite result code of the first registration that failed, or
// SQLITE_OK.
int RegisterChatFunctions(sqlite3* db, Env* env);

}  // namespace tavolin

#endif  // TAVOLIN_PLATFORM_SQLITE_FUNCTIONS_H_
