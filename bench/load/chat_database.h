// Copyright Tavolin developers.
//
// A fresh chat database made ready for a load run: `visitors` may be online
// at once and stay idle for the whole run, the say ring has
// `say_ring_lines` slots, and every visitor already has an account, written
// in one transaction, so that the logins take the path of returning users
// and meet no limit on registrations.

#ifndef TAVOLIN_BENCH_LOAD_CHAT_DATABASE_H_
#define TAVOLIN_BENCH_LOAD_CHAT_DATABASE_H_

#include <string>

namespace tavolin::load {

// Creates and seeds the SQLite database at `path`, then adjusts it.
// Throws CallError on a database failure.
void PrepareChatDatabase(const std::string& path, int visitors, int say_ring_lines);

}  // namespace tavolin::load

#endif  // TAVOLIN_BENCH_LOAD_CHAT_DATABASE_H_
