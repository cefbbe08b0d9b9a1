// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

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
    chat_.AddUser("vip", "secret", 4);
    chat_.Load();
  }
  LoginChat chat_;
};

TEST_F(AccountCheckTest, PasswordThenStandingInOrderAndRefusalsWriteNothing) {
  // out_info, out_time from now in seconds, password, answer.
  const std::vector<std::tuple<int, int, std::string, std::string>> cases = {
      {0, -60, "wrong", kWrongPassword},
      {7, -60, "wrong", kWrongPassword},  // the password is checked first
      {5, 3600, "secret", "对不起：您是被赶出聊天室的，目前聊天室还不允许你进去！"},
      {6, 3600, "secret", "对不起：您的帐号被暂时冻结，目前聊天室还不允许你进去！"},
      {7, -60, "secret", "对不起：您的帐号被永久冻结了！"},
      {6, -60, "secret", ""},  // the freeze has run out
      {5, -60, "secret", ""}};
  for (const auto& [standing, offset, password, answer] : cases) {
    chat_.Exec("UPDATE user SET out_info = ?, out_time = ?, visit_num = 4 WHERE username = 'ann'",
               {Variant(standing), Variant(chat_.clock().Now().AddSeconds(offset).ToString())});
    EXPECT_EQ(chat_.LogIn(LoginForm("ann", password)), answer) << standing << password;
    EXPECT_EQ(chat_.UserColumn("ann", "visit_num").ToLong(), answer.empty() ? 5 : 4);
  }
}

TEST_F(AccountCheckTest, AdmittedUserRowAndRecord) {
  chat_.Exec("INSERT INTO vrecord (username, temp_level) VALUES ('ann', 8), ('vip', 5)");
  chat_.clock().Advance(90);
  // Only the first 15 characters of the typed password count.
  chat_.AddUser("longpw", "abcdefghijklmno");
  EXPECT_EQ(chat_.LogIn(LoginForm("longpw", "abcdefghijklmnoXYZ")), "");
  EXPECT_EQ(chat_.LogIn(LoginForm("ann", "secret").Address("10.7.7.7")), "");
  EXPECT_EQ(chat_.UserColumn("ann", "temppass").ToText(), " ");
  EXPECT_EQ(chat_.UserColumn("ann", "last_ip").ToText(), "10.7.7.7");
  EXPECT_EQ(chat_.UserColumn("ann", "in_time").ToDate(), chat_.clock().Now());
  EXPECT_EQ(chat_.UserColumn("ann", "out_time").ToDate(), chat_.clock().Now());
  // Sex, face and levels from the row; a temporary level above 5 raises it.
  EXPECT_EQ(chat_.UserField("ann", user_field::kSex), "1");
  EXPECT_EQ(chat_.UserField("ann", user_field::kFace), "1020");
  EXPECT_EQ(chat_.UserField("ann", user_field::kStoredLevel), "3");
  EXPECT_EQ(chat_.UserField("ann", user_field::kLevel), "8");
  EXPECT_EQ(chat_.LogIn(LoginForm("vip", "secret")), "");
  EXPECT_EQ(chat_.UserField("vip", user_field::kLevel), "4");
}

TEST_F(AccountCheckTest, AddressLockByLevelForExistingUsersAndForEveryNewUser) {
  chat_.Exec("INSERT INTO ip_lock (ip, end_time, act_level) VALUES ('10.0.', ?, 4)",
             {Variant(chat_.clock().Now().AddSeconds(86400).ToString())});
  EXPECT_EQ(chat_.LogIn(LoginForm("ann", "secret")), kLockedAddress);  // level 3 < 4
  EXPECT_EQ(chat_.LogIn(LoginForm("vip", "secret")), "");
  EXPECT_EQ(chat_.LogIn("newbie"), kLockedAddress);
  EXPECT_TRUE(chat_.UserColumn("newbie", "username").is_empty());
  EXPECT_EQ(chat_.LogIn(LoginForm("ann", "secret").Address("192.168.1.1")), "");
  chat_.Exec("UPDATE ip_lock SET end_time = ?",
             {Variant(chat_.clock().Now().AddSeconds(-60).ToString())});
  EXPECT_EQ(chat_.LogIn("newbie"), "");
}

}  // namespace
}  // namespace tavolin
