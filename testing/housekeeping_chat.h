// Copyright Tavolin developers.
//
// What the housekeeping tests share: a way to the private helpers that the
// login calls (before and apart from the login itself), and small readers of
// the test database.

#ifndef TAVOLIN_TESTING_HOUSEKEEPING_CHAT_H_
#define TAVOLIN_TESTING_HOUSEKEEPING_CHAT_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tavolin/corvane.h"
#include "testing/chat_test_env.h"

namespace tavolin {

class HousekeepingTestPeer {
 public:
  static void TallyVisit(Corvane& object, Application& application, const DateTime& now) {
    object.TallyVisit(application, now);
  }
  static void DailyCleanup(Corvane& object, Application& application, const DateTime& now) {
    object.DailyCleanup(application, now);
  }
};

namespace testing {

// The date-time text `days` whole days before the chat's clock.
inline std::string DaysAgo(ChatTestEnv& chat, int days) {
  return chat.clock().Now().AddSeconds(-int64_t{days} * 86400).ToString();
}

// The number in column n of the first row of `query`.
inline int32_t CountOf(ChatTestEnv& chat, std::string_view query,
                       const std::vector<Variant>& params = {}) {
  return chat.db().Execute(query, params)->Field("n").ToLong();
}

}  // namespace testing

}  // namespace tavolin

#endif  // TAVOLIN_TESTING_HOUSEKEEPING_CHAT_H_
