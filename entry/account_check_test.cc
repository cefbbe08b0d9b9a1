// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>

#include "entry/login_test_support.h"

namespace tavolin {
namespace {

using testing::LoginChat;
using testing::LoginForm;

constexpr char kWrongPassword[] =
    "错误：您输入了错误的密码，如果您是老版本用户，请在登陆页面上作密码转换！";
constexpr char kLockedAddress[] = "对不起：您的IP被封锁了！";

class AccountCheckTest : public ::testing::Test {
 protected:
  AccountCheckTest() {
    chat_.AddUser("ann", "secret", 3);
    chat_.Load();
  }
  std::string Standing(int out_info, int out_time_offset_seconds,
                       const std::string& password = "secret") {
    chat_.Exec("UPDATE user SET out_info = ?, out_time = ? WHERE username = 'ann'",
               {Variant(out_info),
                Variant(chat_.clock().Now().AddSeconds(out_time_offset_seconds).ToString())});
    return chat_.LogIn(LoginForm("ann", password));
  }

  LoginChat chat_;
};

TEST_F(AccountCheckTest, PasswordThenStandingInOrder) {
  const std::string row_before = chat_.UserColumn("ann", "visit_num").ToText();
  EXPECT_EQ(Standing(0, -60, "wrong"), kWrongPassword);
  // The password is checked first, so a frozen account with a wrong password
  // hears about the password.
  EXPECT_EQ(Standing(7, -60, "wrong"), kWrongPassword);
  EXPECT_EQ(Standing(5, 3600), "对不起：您是被赶出聊天室的，目前聊天室还不允许你进去！");
  EXPECT_EQ(Standing(6, 3600), "对不起：您的帐号被暂时冻结，目前聊天室还不允许你进去！");
  EXPECT_EQ(Standing(7, -60), "对不起：您的帐号被永久冻结了！");
  EXPECT_EQ(chat_.UserColumn("ann", "visit_num").ToText(), row_before);  // refusals write nothing
  EXPECT_EQ(chat_.Users(), "");

  EXPECT_EQ(Standing(6, -60), "");  // the freeze has run out
  EXPECT_EQ(Standing(5, -60), "");
}

TEST_F(AccountCheckTest, AdmittedUserRowRecordsTheVisit) {
  chat_.Exec("UPDATE user SET temppass = 'x', last_ip = 'old' WHERE username = 'ann'");
  chat_.clock().Advance(90);
  EXPECT_EQ(chat_.LogIn(LoginForm("ann", "secret").Address("10.7.7.7")), "");
  EXPECT_EQ(chat_.UserColumn("ann", "visit_num").ToLong(), 5);
  EXPECT_EQ(chat_.UserColumn("ann", "temppass").ToText(), " ");
  EXPECT_EQ(chat_.UserColumn("ann", "last_ip").ToText(), "10.7.7.7");
  EXPECT_EQ(chat_.UserColumn("ann", "in_time").ToDate(), chat_.clock().Now());
  EXPECT_EQ(chat_.UserColumn("ann", "out_time").ToDate(), chat_.clock().Now());
  // The user record carries the row's sex, level and face.
  EXPECT_EQ(chat_.UserField("ann", user_field::kSex), "1");
  EXPECT_EQ(chat_.UserField("ann", user_field::kStoredLevel), "3");
  EXPECT_EQ(chat_.UserField("ann", user_field::kFace), "1020");

  // Only the first 15 characters of the typed password count.
  chat_.AddUser("longpw", "abcdefghijklmno");
  EXPECT_EQ(chat_.LogIn(LoginForm("longpw", "abcdefghijklmnoXYZ")), "");
}

TEST_F(AccountCheckTest, TemporaryLevelAboveFiveRaisesTheLevel) {
  chat_.Exec("INSERT INTO vrecord (username, temp_level) VALUES ('ann', 8)");
  EXPECT_EQ(chat_.LogIn(LoginForm("ann", "secret")), "");
  EXPECT_EQ(chat_.UserField("ann", user_field::kLevel), "8");
  EXPECT_EQ(chat_.UserField("ann", user_field::kStoredLevel), "3");

  chat_.AddUser("bob", "secret", 3);
  chat_.Exec("INSERT INTO vrecord (username, temp_level) VALUES ('bob', 5)");
  EXPECT_EQ(chat_.LogIn(LoginForm("bob", "secret")), "");
  EXPECT_EQ(chat_.UserField("bob", user_field::kLevel), "3");
}

TEST_F(AccountCheckTest, AddressLockByLevelForExistingUsersAndForEveryNewUser) {
  chat_.AddUser("vip", "secret", 4);
  chat_.Exec("INSERT INTO ip_lock (ip, end_time, act_level) VALUES ('10.0.', ?, 4)",
             {Variant(chat_.clock().Now().AddSeconds(86400).ToString())});
  EXPECT_EQ(chat_.LogIn(LoginForm("ann", "secret")), kLockedAddress);  // level 3 < 4
  EXPECT_EQ(chat_.LogIn(LoginForm("vip", "secret")), "");
  EXPECT_EQ(chat_.LogIn("newbie"), kLockedAddress);
  EXPECT_TRUE(chat_.UserColumn("newbie", "username").is_empty());
  // Another address is not caught.
  EXPECT_EQ(chat_.LogIn(LoginForm("ann", "secret").Address("192.168.1.1")), "");

  chat_.Exec("UPDATE ip_lock SET end_time = ?",
             {Variant(chat_.clock().Now().AddSeconds(-60).ToString())});
  EXPECT_EQ(chat_.LogIn("newbie"), "");
}

}  // namespace
}  // namespace tavolin
