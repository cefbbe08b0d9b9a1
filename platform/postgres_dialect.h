// Copyright Tavolin developers.
//
// The chat's commands and its create script are written in the dialect the
// SQLite side speaks; these translate them for PostgreSQL. Quoted literals,
// quoted identifiers and comments are kept as they are.

#ifndef TAVOLIN_PLATFORM_POSTGRES_DIALECT_H_
#define TAVOLIN_PLATFORM_POSTGRES_DIALECT_H_

#include <string>
#include <string_view>

namespace tavolin {

// `command` with "?" placeholders numbered from $1, now() replaced by the
// literal `now_text` (so that a test clock is the database's clock too),
// last_insert_rowid() by lastval(), LIKE by ILIKE (SQLite's LIKE ignores
// letter case) and the identifier user, a reserved word here, quoted.
// `placeholders` receives the number of placeholders found.
std::string TranslateCommand(std::string_view command, std::string_view now_text,
                             int* placeholders);

// A create script translated as commands are, with SQLite's column types
// mapped: an INTEGER PRIMARY KEY (AUTOINCREMENT or not) is SERIAL, TEXT
// COLLATE NOCASE is citext (whose extension the script creates), DATETIME is
// TIMESTAMP(0). At its end every serial column's sequence moves past the
// highest id the script inserted, so that seed rows with ids given do not
// collide with later ones.
std::string TranslateCreateScript(std::string_view script, std::string_view now_text);

}  // namespace tavolin

#endif  // TAVOLIN_PLATFORM_POSTGRES_DIALECT_H_
