// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>

#include "entry/login_test_support.h"
#include "tavolin/error.h"

namespace tavolin {
namespace {

using testing::LoginChat;
using testing::LoginForm;

TEST(RoomChoiceTest, UnknownRoomsFallBackToTheFirstRoom) {
  LoginChat chat;
  chat.SetParam("newusernum", "10");
  chat.Load();
  EXPECT_EQ(chat.LogIn(LoginForm("ann", "pw").Room("3")), "");
  EXPECT_EQ(chat.UserField("ann", user_field::kRoom), "3");
  EXPECT_EQ(chat.LogIn(LoginForm("bob", "pw").Room("abc")), "");
  EXPECT_EQ(chat.UserField("bob", user_field::kRoom), "1");
  EXPECT_EQ(chat.LogIn(LoginForm("cat", "pw").Room("99")), "");
  EXPECT_EQ(chat.UserField("cat", user_field::kRoom), "1");
  EXPECT_EQ(chat.LogIn(LoginForm("dan", "pw").Room("2.6")), "");
  EXPECT_EQ(chat.UserField("dan", user_field::kRoom), "3");

  // Without room 1 a text that is no number also lands in the first room.
  chat.Exec("DELETE FROM room WHERE ID = 1");
  chat.Load();
  EXPECT_EQ(chat.LogIn(LoginForm("eve", "pw").Room("abc")), "");
  EXPECT_EQ(chat.UserField("eve", user_field::kRoom), "2");
  EXPECT_EQ(chat.RoomField(2, room_field::kOccupants), " eve");

  chat.Exec("DELETE FROM room");
  chat.Load();
  EXPECT_THROW(chat.LogIn("fay"), CallError);
}

TEST(RoomChoiceTest, OwnerPassesRobotLevelAndDoorRulesInOrder) {
  LoginChat chat;
  chat.SetParam("newusernum", "10");
  chat.Exec(
      "UPDATE room SET room_owner = 'Boss', room_auto = 'Robo', permit_level = 3, door_open = 0 "
      "WHERE ID = 3");
  chat.Load();
  auto as = [&](const std::string& name) { return chat.LogIn(LoginForm(name, "pw").Room("3")); };
  EXPECT_EQ(as("robo"), "您的名字和房间机器人同名被拒绝进入！");
  EXPECT_EQ(as("ann"), "您要去的房间有级别限制，您不能直接登陆！");
  EXPECT_EQ(as("boss"), "");
  EXPECT_EQ(chat.UserField("boss", user_field::kRoom), "3");

  chat.Exec("UPDATE room SET permit_level = 1 WHERE ID = 3");
  chat.Load();
  EXPECT_EQ(as("ann"), "您要去的房间的门已经关上了！");
  chat.Exec("UPDATE room SET door_open = 1 WHERE ID = 3");
  chat.Load();
  EXPECT_EQ(as("ann"), "");
  // A refused visitor has no row: the room rules come before registration.
  EXPECT_TRUE(chat.UserColumn("robo", "username").is_empty());
}

}  // namespace
}  // namespace tavolin
