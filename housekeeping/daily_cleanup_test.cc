// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>

#include "component/list_record.h"
#include "housekeeping/housekeeping_testing.h"
#include "tavolin/error.h"
#include "testing/chat_test_env.h"

namespace tavolin {
namespace {

using testing::ChatTestEnv;
using testing::CountOf;
using testing::DaysAgo;

// Calls go after 7 days, friend requests after 3, audit records and guestbook
// entries after 30, one-time visitors after 30 days.
class DailyCleanupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chat_.SetParam("friendtimeout", "7");
    chat_.SetParam("calltimeout", "3");
    chat_.SetParam("managelogtimeout", "30");
    chat_.SetParam("gbtimeout", "30");
    chat_.SetParam("usernameoncetimeout", "30");
    for (int days : {8, 5}) {
      chat_.Exec("INSERT INTO calls (towho, calltime) VALUES ('tom', ?)", {DaysAgo(chat_, days)});
    }
    for (int days : {4, 2}) {
      chat_.Exec("INSERT INTO friendrq (who, towho, sub_time) VALUES ('ann', 'tom', ?)",
                 {DaysAgo(chat_, days)});
    }
    chat_.Exec("INSERT INTO record (stype, occ_time, occ_env) VALUES (1, ?, 'old')",
               {DaysAgo(chat_, 31)});
    chat_.Exec("INSERT INTO guestbook (towho, post_time) VALUES ('tom', ?)", {DaysAgo(chat_, 31)});
    chat_.Exec("INSERT INTO user (username, visit_num, out_time) VALUES ('gone', 1, ?)",
               {DaysAgo(chat_, 31)});
    chat_.Exec(
        "INSERT INTO room (ID, room_name, room_exp, room_keep, room_time, build_time) "
        "VALUES (21, 'idle', 0, 0, ?, ?), (22, 'popular', 5000, 0, ?, ?)",
        {DaysAgo(chat_, 2), DaysAgo(chat_, 2), DaysAgo(chat_, 0), DaysAgo(chat_, 0)});
    object_ = chat_.NewObject();
  }

  void Clean() {
    object_->InitGlobal(chat_.app());
    HousekeepingTestPeer::DailyCleanup(*object_, chat_.app(), chat_.clock().Now());
  }
  int32_t Count(const std::string& table) {
    return CountOf(chat_, "SELECT count(*) AS n FROM " + table);
  }
  std::string Times(const std::string& column, const std::string& table) {
    std::string times;
    for (auto rows = chat_.db().Execute("SELECT " + column + " AS t FROM " + table); !rows->eof();
         rows->MoveNext()) {
      times += rows->Field("t").ToText() + ";";
    }
    return times;
  }
  std::string RoomList() { return chat_.lists().Rooms(); }

  ChatTestEnv chat_;
  std::unique_ptr<Corvane> object_;
};

TEST_F(DailyCleanupTest, DeletesByTheCrossedLimitsThenClearsUsersAndRooms) {
  Clean();
  // Calls by the friend-request limit, friend requests by the call limit.
  EXPECT_EQ(Times("calltime", "calls"), DaysAgo(chat_, 5) + ";");
  EXPECT_EQ(Times("sub_time", "friendrq"), DaysAgo(chat_, 2) + ";");
  EXPECT_EQ(Count("guestbook"), 0);
  // The old audit record went before the housekeeping wrote its own.
  EXPECT_EQ(Count("record WHERE occ_env='old'"), 0);
  EXPECT_EQ(Count("record WHERE stype=57"), 1);
  EXPECT_EQ(Count("user WHERE username='gone'"), 0);
  EXPECT_EQ(Count("record WHERE stype=17"), 1);
  EXPECT_EQ(Count("record WHERE stype=16"), 1);
  EXPECT_FALSE(HasRecord(RoomList(), "21"));
  EXPECT_EQ(ListRecord(RoomList(), "22").field(room_field::kKeep), "1");
  EXPECT_EQ(Count("room WHERE ID=21"), 0);
}

TEST_F(DailyCleanupTest, SwitchesNotOneSkipTheirJobs) {
  chat_.SetParam("autoclearmanagelog", "0");
  chat_.SetParam("autocleargb", "");
  chat_.SetParam("autoclearusername", "yes");
  chat_.SetParam("roomautoclear", "0");
  Clean();
  EXPECT_EQ(Count("calls"), 1);  // always cleared
  EXPECT_EQ(Count("record"), 1);
  EXPECT_EQ(Count("guestbook"), 1);
  EXPECT_EQ(Count("user WHERE username='gone'"), 1);
  EXPECT_EQ(Count("room WHERE ID IN (21, 22) AND room_keep=0"), 2);
}

TEST_F(DailyCleanupTest, ABadDayLimitStopsBeforeItsCommand) {
  chat_.SetParam("calltimeout", "3 or 1=1");
  EXPECT_THROW(Clean(), CallError);
  EXPECT_EQ(Count("calls"), 1);     // the command before it ran
  EXPECT_EQ(Count("friendrq"), 2);  // its own did not, nor anything after it
  EXPECT_EQ(Count("record"), 1);
}

}  // namespace
}  // namespace tavolin
