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
  for (const auto& [name, asked, room] :
       std::vector<std::tuple<std::string, std::string, std::string>>{
           {"ann", "3", "3"}, {"bob", "abc", "1"}, {"cat", "99", "1"}, {"dan", "2.6", "3"}}) {
    EXPECT_EQ(chat.LogIn(LoginForm(name, "pw").Room(asked)), "");
    EXPECT_EQ(chat.UserField(name, user_field::kRoom), room) << asked;
  }
  chat.Exec("DELETE FROM room WHERE ID = 1");
  chat.Load();
  EXPECT_EQ(chat.LogIn(LoginForm("eve", "pw").Room("abc")), "");
  EXPECT_EQ(chat.RoomField(2, room_field::kOccupants), " eve");
  chat.Exec("DELETE FROM room");
  chat.Load();
  EXPECT_THROW(chat.LogIn("fay"), CallError);
}

TEST(RoomChoiceTest, OwnerPassesRobotLevelAndDoorRulesInOrder) {
  LoginChat chat;
  chat.SetParam("newusernum", "10");
  const std::vector<std::tuple<int, int, std::string, std::string>> cases = {
      {3, 0, "robo", "您的名字和房间机器人同名被拒绝进入！"},
      {3, 0, "ann", "您要去的房间有级别限制，您不能直接登陆！"},
      {3, 0, "boss", ""},
      {1, 0, "ann", "您要去的房间的门已经关上了！"},
      {1, 1, "ann", ""}};
  for (const auto& [level, door, name, answer] : cases) {
    chat.Exec(
        "UPDATE room SET room_owner = 'Boss', room_auto = 'Robo', permit_level = ?, "
        "door_open = ? WHERE ID = 3",
        {Variant(level), Variant(door)});
    chat.Load();
    EXPECT_EQ(chat.LogIn(LoginForm(name, "pw").Room("3")), answer) << name;
    // The room rules come before registration: a refused visitor has no row.
    EXPECT_EQ(chat.UserColumn(name, "username").is_empty(), !answer.empty()) << name;
  }
}

}  // namespace
}  // namespace tavolin
