// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>

#include "component/list_record.h"
#include "housekeeping/housekeeping_testing.h"
#include "tavolin/error.h"
#include "testing/chat_test_env.h"

namespace tavolin {
namespace {

using testing::DaysAgo;

// Calls go after 7 days, friend requests after 3, audit records and guestbook
// entries after 30, one-time visitors after 30 days.
class DailyCleanupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const auto& [alias, days] : {std::pair{"friendtimeout", "7"},
                                      {"calltimeout", "3"},
                                      {"managelogtimeout", "30"},
                                      {"gbtimeout", "30"},
                                      {"usernameoncetimeout", "30"}}) {
      chat_.SetParam(alias, days);
    }
    for (int days : {8, 5}) {
      chat_.Exec("INSERT INTO calls (towho, calltime) VALUES ('tom', ?)", {DaysAgo(chat_, days)});
      chat_.Exec("INSERT INTO friendrq (who, towho, sub_time) VALUES ('ann', 'tom', ?)",
                 {DaysAgo(chat_, days - 4)});
    }
    const std::string old = DaysAgo(chat_, 31), today = DaysAgo(chat_, 0);
    chat_.Exec("INSERT INTO record (stype, occ_time, occ_env) VALUES (1, ?, 'old')", {old});
    chat_.Exec("INSERT INTO guestbook (towho, post_time) VALUES ('tom', ?)", {old});
    chat_.Exec("INSERT INTO user (username, visit_num, out_time) VALUES ('gone', 1, ?)", {old});
    chat_.Exec(
        "INSERT INTO room (ID, room_name, room_exp, room_keep, room_time, build_time) "
        "VALUES (21, 'idle', 0, 0, ?, ?), (22, 'popular', 5000, 0, ?, ?)",
        {DaysAgo(chat_, 2), DaysAgo(chat_, 2), today, today});
  }

  void Clean() {
    object_->InitGlobal(chat_.app());
    HousekeepingTestPeer::DailyCleanup(*object_, chat_.app(), chat_.clock().Now());
  }
  // Rows left in the tables the cleanup deletes from, then the kinds of audit
  // records it wrote.
  std::string Left() {
    std::string left;
    for (const char* counted :
         {"count(*) FROM calls", "count(*) FROM friendrq", "count(*) FROM guestbook",
          "count(*) FROM user WHERE username='gone'", "count(*) FROM record WHERE occ_env='old'",
          "count(*) FROM room WHERE room_keep=0",
          "count(DISTINCT stype) FROM record WHERE stype IN (16, 17, 57)"}) {
      left += std::to_string(
          testing::CountOf(chat_, "SELECT (SELECT " + std::string(counted) + ") AS n"));
    }
    return left;
  }

  testing::ChatTestEnv chat_;
  std::unique_ptr<Corvane> object_ = chat_.NewObject();
};

TEST_F(DailyCleanupTest, DeletesByTheCrossedLimitsThenClearsUsersAndRooms) {
  Clean();
  // Calls by the friend-request limit, friend requests by the call limit.
  EXPECT_EQ(chat_.db().Execute("SELECT calltime FROM calls")->Field("calltime").ToText(),
            DaysAgo(chat_, 5));
  EXPECT_EQ(chat_.db().Execute("SELECT sub_time FROM friendrq")->Field("sub_time").ToText(),
            DaysAgo(chat_, 1));
  // The old audit record went before the housekeeping wrote its own.
  EXPECT_EQ(Left(), "1100003");
  const std::string rooms = chat_.lists().Rooms();
  EXPECT_FALSE(HasRecord(rooms, "21"));
  EXPECT_EQ(ListRecord(rooms, "22").field(room_field::kKeep), "1");
}

TEST_F(DailyCleanupTest, SwitchesNotOneSkipTheirJobs) {
  chat_.SetParam("autoclearmanagelog", "0");
  chat_.SetParam("autocleargb", "");
  chat_.SetParam("autoclearusername", "yes");
  chat_.SetParam("roomautoclear", "0");
  Clean();
  EXPECT_EQ(Left(), "1111120");  // calls and friend requests are always cleared
}

TEST_F(DailyCleanupTest, ABadDayLimitStopsBeforeItsCommand) {
  chat_.SetParam("calltimeout", "3 or 1=1");
  EXPECT_THROW(Clean(), CallError);
  // The command before it ran; its own did not, nor anything after it.
  EXPECT_EQ(Left(), "1211120");
}

TEST(UserClearTest, EachVisitorIsJudgedByOwnLimitAndSavedRowsStay) {
  testing::ChatTestEnv chat;
  chat.SetParam("usernameoncetimeout", "30");
  chat.SetParam("usernametimeout", "180");
  const auto add_user = [&](const std::string& name, int visits, int days_away, int saved = 0) {
    chat.Exec("INSERT INTO user (username, visit_num, out_time, saved) VALUES (?, ?, ?, ?)",
              {name, visits, testing::DaysAgo(chat, days_away), saved});
  };
  const auto run = [&](Variant mode) {
    auto object = chat.NewObject();
    object->InitGlobal(chat.app());
    return object->UserClear(chat.app(), mode).ToText();
  };
  // The users left, then the audit records.
  const auto left = [&] {
    auto row = chat.db().Execute(
        "SELECT (SELECT group_concat(username, ' ') FROM (SELECT username FROM user ORDER BY ID)) "
        "AS u, (SELECT ifnull(group_concat(stype || ' ' || occ_time || ' ' || occ_env), '') "
        "FROM record) AS r");
    return row->Field("u").ToText() + " | " + row->Field("r").ToText();
  };

  add_user("dan", 1, 30);   // exactly at the one-time limit
  add_user("bob", 3, 180);  // exactly at the regular limit
  EXPECT_EQ(run(Variant(1)), "");
  EXPECT_EQ(left(), "dan bob | ");  // nothing stale writes nothing
  chat.Exec("DELETE FROM user");
  add_user("tom", 1, 31);       // one-time visitor past 30 days
  add_user("bob", 3, 100);      // regular visitor within 180 days
  add_user("ann", 0, 31);       // never counted: a one-time visitor
  add_user("eve", 1, 400, 1);   // saved
  add_user("cat", 2, 181);      // regular visitor past 180 days
  add_user("gus", 5, 400, -1);  // saved

  // A preview lists them in row order and changes nothing.
  EXPECT_EQ(run(Variant(0)), "[tom, ann, cat]");
  EXPECT_EQ(left(), "tom bob ann eve cat gus | ");
  chat.clock().Advance(3600);
  EXPECT_EQ(run(Variant("1")), "[tom, ann, cat]");
  const std::string cleared =
      " | 57 2026-03-04 11:00:00 系统>系统> >[tom, ann, cat]>自动>长时间不访问被自动清除 "
      "！>清除用户%%";
  EXPECT_EQ(left(), "bob eve gus" + cleared);

  // A limit that is not a number changes nothing.
  add_user("tom", 1, 31);
  chat.SetParam("usernametimeout", "30 or 1=1");
  EXPECT_THROW(run(Variant(1)), CallError);
  EXPECT_EQ(left(), "bob eve gus tom" + cleared);
}

}  // namespace
}  // namespace tavolin
