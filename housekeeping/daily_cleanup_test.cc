// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>

#include "component/list_record.h"
#include "tavolin/error.h"
#include "testing/chat_test_env.h"
#include "testing/housekeeping_chat.h"
#include "text/strings.h"

namespace tavolin {
namespace {

using testing::DaysAgo;

// Calls go after 7 days, friend requests after 3, audit records, guestbook entries and one-time
// visitors after 30; `changes` ("alias=value&...") then alter the settings. The answer: the ages
// in days of the calls and friend requests left, the rows left in the other tables the cleanup
// deletes from, the kinds of audit record it wrote, whether room 21 is listed and room 22 kept.
std::string CleanWith(const std::string& changes) {
  testing::ChatTestEnv chat;
  const std::string settings =
      "friendtimeout=7&calltimeout=3&managelogtimeout=30&gbtimeout=30&usernameoncetimeout=30&" +
      changes;
  for (std::string_view change : text::Split(settings, "&")) {
    const size_t split = change.find('=');
    chat.SetParam(change.substr(0, split), std::string(change.substr(split + 1)));
  }
  for (int days : {8, 5}) {
    chat.Exec("INSERT INTO calls (towho, calltime) VALUES ('tom', ?)", {DaysAgo(chat, days)});
    chat.Exec("INSERT INTO friendrq (who, towho, sub_time) VALUES ('ann', 'tom', ?)",
              {DaysAgo(chat, days - 4)});
  }
  const std::string old = DaysAgo(chat, 31), today = DaysAgo(chat, 0), idle = DaysAgo(chat, 2);
  chat.Exec("INSERT INTO record (stype, occ_time, occ_env) VALUES (1, ?, 'old')", {old});
  chat.Exec("INSERT INTO guestbook (towho, post_time) VALUES ('tom', ?)", {old});
  chat.Exec("INSERT INTO user (username, visit_num, out_time) VALUES ('gone', 1, ?)", {old});
  chat.Exec(
      "INSERT INTO room (ID, room_name, room_exp, room_keep, room_time, build_time) "
      "VALUES (21, 'idle', 0, 0, ?, ?), (22, 'popular', 5000, 0, ?, ?)",
      {idle, idle, today, today});
  auto object = chat.NewObject();
  object->InitGlobal(chat.app());
  std::string left;
  try {
    HousekeepingTestPeer::DailyCleanup(*object, chat.app(), chat.clock().Now());
  } catch (const CallError&) {
    left = "error ";
  }
  left += chat.Joined("SELECT DATEDIFF('d', calltime, now()) AS v FROM calls ORDER BY ID") + " " +
          chat.Joined("SELECT DATEDIFF('d', sub_time, now()) AS v FROM friendrq ORDER BY ID") +
          " " +
          chat.Joined(
              "SELECT '' || (SELECT count(*) FROM guestbook) || (SELECT count(*) FROM user WHERE "
              "username='gone') || (SELECT count(*) FROM record WHERE occ_env='old') || "
              "(SELECT count(*) FROM room WHERE room_keep=0) AS v") +
          " " +
          chat.Joined(
              "SELECT stype AS v FROM record WHERE stype IN (16, 17, 57) GROUP BY stype "
              "ORDER BY min(ID)");
  const std::string rooms = chat.lists().Rooms();
  return left + (HasRecord(rooms, "21") ? " 21" : "") + " keep " +
         ListRecord(rooms, "22").field(room_field::kKeep);
}

TEST(DailyCleanupTest, DeletesByTheCrossedLimitsAndSkipsSwitchedOffJobsAndStopsAtABadLimit) {
  const struct {
    std::string changes, left;
  } cases[] = {
      // Calls by the friend-request limit, friend requests by the call limit; the old audit record
      // went before the housekeeping wrote its own.
      {"", "5 1 0000 57,17,16 keep 1"},
      // Switches other than 1 skip their jobs; calls and friend requests are always cleared.
      {"autoclearmanagelog=0&autocleargb=&autoclearusername=yes&roomautoclear=0",
       "5 1 1112  21 keep 0"},
      // The command before it ran; its own did not, nor anything after it.
      {"calltimeout=3 or 1=1", "error 5 4,1 1112  21 keep 0"},
  };
  for (const auto& c : cases) EXPECT_EQ(CleanWith(c.changes), c.left) << c.changes;
}

TEST(DailyCleanupTest, UserClearJudgesEachVisitorByOwnLimitAndKeepsSavedRows) {
  testing::ChatTestEnv chat;
  chat.SetParam("usernameoncetimeout", "30");
  chat.SetParam("usernametimeout", "180");
  const auto add_user = [&](const std::string& name, int visits, int days_away, int saved = 0) {
    chat.Exec("INSERT INTO user (username, visit_num, out_time, saved) VALUES (?, ?, ?, ?)",
              {name, visits, testing::DaysAgo(chat, days_away), saved});
  };
  // The users left, then the audit records.
  const auto left = [&] {
    return chat.Joined("SELECT username AS v FROM user ORDER BY ID", " ") + " | " +
           chat.Joined(
               "SELECT stype || ' ' || occ_time || ' ' || occ_env AS v FROM record "
               "ORDER BY ID");
  };
  // The answer, then what is left.
  const auto run = [&](Variant mode) {
    auto object = chat.NewObject();
    object->InitGlobal(chat.app());
    const std::string answer = object->UserClear(chat.app(), mode).ToText();
    return answer + left();
  };
  add_user("dan", 1, 30);                    // exactly at the one-time limit
  add_user("bob", 3, 180);                   // exactly at the regular limit
  EXPECT_EQ(run(Variant(1)), "dan bob | ");  // nothing stale writes nothing
  chat.Exec("DELETE FROM user");
  add_user("tom", 1, 31);       // one-time visitor past 30 days
  add_user("bob", 3, 100);      // regular visitor within 180 days
  add_user("ann", 0, 31);       // never counted: a one-time visitor
  add_user("eve", 1, 400, 1);   // saved
  add_user("cat", 2, 181);      // regular visitor past 180 days
  add_user("gus", 5, 400, -1);  // saved
  // A preview lists them in row order and changes nothing.
  EXPECT_EQ(run(Variant(0)), "[tom, ann, cat]tom bob ann eve cat gus | ");
  chat.clock().Advance(3600);
  const std::string cleared =
      " | 57 2026-03-04 11:00:00 系统>系统> >[tom, ann, cat]>自动>长时间不访问被自动清除 "
      "！>清除用户%%";
  EXPECT_EQ(run(Variant("1")), "[tom, ann, cat]bob eve gus" + cleared);
  // A limit that is not a number changes nothing.
  add_user("tom", 1, 31);
  chat.SetParam("usernametimeout", "30 or 1=1");
  EXPECT_THROW(run(Variant(1)), CallError);
  EXPECT_EQ(left(), "bob eve gus tom" + cleared);
}

}  // namespace
}  // namespace tavolin
