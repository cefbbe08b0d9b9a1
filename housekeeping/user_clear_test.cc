// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>

#include "housekeeping/housekeeping_testing.h"
#include "tavolin/error.h"
#include "testing/chat_test_env.h"

namespace tavolin {
namespace {

using testing::ChatTestEnv;
using testing::CountOf;
using testing::DaysAgo;

class UserClearTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chat_.SetParam("usernameoncetimeout", "30");
    chat_.SetParam("usernametimeout", "180");
  }

  void AddUser(const std::string& name, int visits, int days_away, int saved = 0) {
    chat_.Exec("INSERT INTO user (username, visit_num, out_time, saved) VALUES (?, ?, ?, ?)",
               {name, visits, DaysAgo(chat_, days_away), saved});
  }

  // Loads the configuration and runs UserClear on a fresh object.
  std::string Run(Variant mode) {
    auto object = chat_.NewObject();
    object->InitGlobal(chat_.app());
    return object->UserClear(chat_.app(), mode).ToText();
  }

  int32_t Users() { return CountOf(chat_, "SELECT count(*) AS n FROM user"); }
  int32_t Records() { return CountOf(chat_, "SELECT count(*) AS n FROM record"); }

  ChatTestEnv chat_;
};

TEST_F(UserClearTest, EachVisitorIsJudgedByOwnLimitAndSavedRowsStay) {
  AddUser("dan", 1, 30);   // exactly at the one-time limit
  AddUser("bob", 3, 180);  // exactly at the regular limit
  EXPECT_EQ(Run(Variant(1)), "");
  EXPECT_EQ(Records(), 0);  // nothing stale writes nothing
  chat_.Exec("DELETE FROM user");
  AddUser("tom", 1, 31);       // one-time visitor past 30 days
  AddUser("bob", 3, 100);      // regular visitor within 180 days
  AddUser("ann", 0, 31);       // never counted: a one-time visitor
  AddUser("eve", 1, 400, 1);   // saved
  AddUser("cat", 2, 181);      // regular visitor past 180 days
  AddUser("gus", 5, 400, -1);  // saved

  // A preview lists them in row order and changes nothing.
  EXPECT_EQ(Run(Variant(0)), "[tom, ann, cat]");
  EXPECT_EQ(Users(), 6);
  EXPECT_EQ(Records(), 0);

  chat_.clock().Advance(3600);
  EXPECT_EQ(Run(Variant("1")), "[tom, ann, cat]");
  auto left = chat_.db().Execute("SELECT username FROM user ORDER BY ID");
  std::string names;
  for (; !left->eof(); left->MoveNext()) names += left->Field("username").ToText() + " ";
  EXPECT_EQ(names, "bob eve gus ");

  auto record = chat_.db().Execute("SELECT stype, occ_time, occ_env FROM record");
  ASSERT_FALSE(record->eof());
  EXPECT_EQ(record->Field("stype").ToLong(), 57);
  EXPECT_EQ(record->Field("occ_time").ToDate(), chat_.clock().Now());
  EXPECT_EQ(record->Field("occ_env").ToText(),
            "系统>系统> >[tom, ann, cat]>自动>长时间不访问被自动清除 ！>清除用户%%");
  record->MoveNext();
  EXPECT_TRUE(record->eof());

  // A limit that is not a number changes nothing.
  AddUser("tom", 1, 31);
  chat_.SetParam("usernametimeout", "30 or 1=1");
  EXPECT_THROW(Run(Variant(1)), CallError);
  EXPECT_EQ(Users(), 4);
  EXPECT_EQ(Records(), 1);
}

}  // namespace
}  // namespace tavolin
