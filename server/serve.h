// Copyright Tavolin developers.
//
// `tavolin serve`: runs the chat server until SIGINT or SIGTERM.

#ifndef TAVOLIN_SERVER_SERVE_H_
#define TAVOLIN_SERVER_SERVE_H_

#include <string>
#include <vector>

namespace tavolin::server {

// Parses the serve options in `args` (after the word "serve"), starts the
// server, waits for a stop signal, shuts down in order and returns the exit
// code. `binary_path` locates the site files when --site is not given.
int Serve(const std::string& binary_path, const std::vector<std::string>& args);

}  // namespace tavolin::server

#endif  // TAVOLIN_SERVER_SERVE_H_
