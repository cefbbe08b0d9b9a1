// Copyright Tavolin developers.
//
// The simulated visitors. Visitor i is named "v<i>" (a name the login's rules
// accept), shares one password with the others and enters room
// 1 + i % kRooms: the seeded rooms that anybody may enter. Like a browser it
// keeps its session cookie and the newest say id the server reported.

#ifndef TAVOLIN_BENCH_LOAD_VISITORS_H_
#define TAVOLIN_BENCH_LOAD_VISITORS_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace tavolin::load {

inline constexpr int kRooms = 4;
inline constexpr std::string_view kPassword = "loadpass1";

struct Visitor {
  std::string cookie;  // "TAVOLINSID=..." once logged in
  int32_t last_say_id = 0;
};

inline std::string VisitorName(int i) { return "v" + std::to_string(i); }
inline int VisitorRoom(int i) { return 1 + i % kRooms; }

// Makes a fresh chat database at `path` for `visitors` online at once, idle
// for the whole run, with a say ring of `say_ring_lines` slots, and gives
// every visitor an account in one transaction, so that the logins take the
// path of returning users and meet no limit on registrations. Throws
// CallError on a database failure.
void PrepareChatDatabase(const std::string& path, int visitors, int say_ring_lines);

}  // namespace tavolin::load

#endif  // TAVOLIN_BENCH_LOAD_VISITORS_H_
