// Copyright Tavolin developers.
//
// `tavolin admin`: the operator's console from the command line, for scripts
// and for a box without a browser. Each change is one of the console's
// forms: without --server it runs through the console's operations on the
// database; with --server URL it is posted to that running server's console,
// which changes its database and its live chat together.

#ifndef TAVOLIN_TOOLS_ADMIN_COMMAND_H_
#define TAVOLIN_TOOLS_ADMIN_COMMAND_H_

#include <string_view>
#include <vector>

namespace tavolin::tools {

// Runs the command in `words` (after the word "admin"); returns the exit
// code: 0 done, 1 refused or failed, 2 a usage error.
int Admin(std::vector<std::string_view> words);

}  // namespace tavolin::tools

#endif  // TAVOLIN_TOOLS_ADMIN_COMMAND_H_
