// Copyright Tavolin developers.
//
// `tavolin migrate sqlite:PATH postgresql://...`: brings a chat kept in a
// SQLite file into a PostgreSQL database, so that servers sharing that
// database go on with its users, rooms and records.

#ifndef TAVOLIN_TOOLS_MIGRATE_COMMAND_H_
#define TAVOLIN_TOOLS_MIGRATE_COMMAND_H_

#include <string_view>
#include <vector>

namespace tavolin::tools {

// Runs the command in `words` (after the word "migrate"); returns the exit
// code: 0 done, 1 refused or failed, 2 a usage error.
int Migrate(std::vector<std::string_view> words);

}  // namespace tavolin::tools

#endif  // TAVOLIN_TOOLS_MIGRATE_COMMAND_H_
