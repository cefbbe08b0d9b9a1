// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>

#include "entry/login_test_support.h"
#include "tavolin/error.h"
#include "text/strings.h"

namespace tavolin {
namespace {

using testing::LoginChat;
using testing::LoginForm;

constexpr char kShowError[] = "top.location.href = 'showerr.asp'";

TEST(EnteringTest, FirstEntryOfANewUserEndToEnd) {
  LoginChat chat;
  chat.SetParam("enterchatshow", "##来了::c1::c2");
  chat.Load();
  ASSERT_EQ(chat.LogIn(LoginForm("ann", "pw").Sex("1")), "");
  MemorySession& session = chat.last_session();

  EXPECT_EQ(session.Get("myname").ToText(), "ann");
  EXPECT_EQ(session.Get("mytemp").ToText(), "10:00:00");
  EXPECT_EQ(chat.Users(),
            "<$ann$>10:00:00$>10.0.0.1$>1$>1$>1$>2026-03-04 10:00:00$>1010$>0$>1$>-10"
            "$>2026-03-04 10:00:00$>2026-03-04 10:00:00$>$>$>$><$ann$>");
  EXPECT_EQ(chat.RoomField(1, room_field::kOccupants), " ann");
  EXPECT_EQ(chat.RoomField(1, room_field::kLastActivity), "2026-03-04 10:00:00");

  // The enter line to the room, then the welcome line to the visitor alone.
  EXPECT_EQ(chat.NewestSayId(), 2);
  EXPECT_EQ(chat.RingColumn(5, 1).ToText(),
            "'<small>girl</small>##来了<\\script>parent.addl(\\'ann\\',1,\\'1010\\',\\'\\')"
            "</\\script>','ann','大厅',0,'c1','c2',-3,'10:00:00',");
  EXPECT_EQ(chat.RingColumn(4, 1).ToLong(), 1);
  EXPECT_EQ(chat.RingColumn(3).ToLong(), 1);
  EXPECT_EQ(chat.RingColumn(4).ToLong(), 1);

  // The new browser's first poll proves the session and delivers both lines.
  const std::string poll = chat.Refresh(session);
  EXPECT_FALSE(text::Contains(poll, kShowError)) << poll;
  EXPECT_TRUE(text::Contains(poll, "parent.addsay(1,'<small>girl</small>##来了")) << poll;
  EXPECT_TRUE(text::Contains(poll, ",2,'【系统】ann:欢迎光临！")) << poll;
  EXPECT_TRUE(text::Contains(poll, "parent.ref(2);parent.allusernum=1;")) << poll;
}

TEST(EnteringTest, DeliveryStartsTenLinesBeforeTheEntry) {
  LoginChat chat;
  chat.SetParam("newusernum", "10");
  chat.Load();
  ASSERT_EQ(chat.LogIn("ann"), "");
  ASSERT_EQ(chat.LogIn("bob"), "");
  ASSERT_EQ(chat.NewestSayId(), 4);
  chat.AddUser("cat", "pw");
  ASSERT_EQ(chat.LogIn("cat"), "");
  EXPECT_EQ(chat.UserField("cat", user_field::kDeliveredSayId), "-6");
  EXPECT_EQ(chat.NewestSayId(), 5);  // a returning user with no notices: one line
  EXPECT_EQ(chat.UserField("cat", user_field::kSex), "1");
  EXPECT_TRUE(text::Contains(chat.RingColumn(5).ToText(),
                             "<small>girl</small>##兴高采烈地走进了聊天室，大家欢迎！"));
}

TEST(EnteringTest, ReEntryGoesBackToTheOldRoom) {
  LoginChat chat;
  chat.SetParam("newusernum", "10");
  chat.SetParam("reentershow", "##回来了::r1::r2");
  chat.AddUser("ann", "pw");
  chat.Load();
  ASSERT_EQ(chat.LogIn(LoginForm("ann", "pw").Room("4")), "");
  MemorySession& old_session = chat.last_session();
  ASSERT_EQ(chat.LogIn("bob"), "");
  chat.clock().Advance(60);

  ASSERT_EQ(chat.LogIn(LoginForm("ann", "pw").Room("3")), "");
  MemorySession& new_session = chat.last_session();
  const std::string users = chat.Users();
  EXPECT_EQ(users.find("<$bob$>"), 0U);  // ann's one record is at the end
  EXPECT_EQ(CountRecords(users), 2);
  EXPECT_EQ(chat.UserField("ann", user_field::kRoom), "4");
  EXPECT_EQ(chat.RoomField(4, room_field::kOccupants), " ann");
  EXPECT_EQ(chat.RoomField(4, room_field::kLastActivity), "2026-03-04 10:01:00");
  EXPECT_EQ(chat.RoomField(3, room_field::kOccupants), "");
  EXPECT_TRUE(chat.RingColumn(5).ToText().starts_with(
      "'<small>girl</small>##回来了<\\script>parent.addl(\\'ann\\',1,\\'1020\\',\\'\\')"
      "</\\script>','ann','情感驿站',0,'r1','r2',-3,'10:01:00',"));
  EXPECT_EQ(chat.RingColumn(4).ToLong(), 4);

  // The new token belongs to the new session only.
  EXPECT_TRUE(text::Contains(chat.Refresh(old_session), kShowError));
  EXPECT_FALSE(text::Contains(chat.Refresh(new_session), kShowError));
}

TEST(EnteringTest, NameAsStoredIsUsedEverywhere) {
  LoginChat chat;
  chat.AddUser("Tom", "pw");
  chat.Load();
  ASSERT_EQ(chat.LogIn(LoginForm("tom", "pw")), "");
  EXPECT_EQ(chat.last_session().Get("myname").ToText(), "Tom");
  EXPECT_TRUE(HasRecord(chat.Users(), "Tom"));
  EXPECT_FALSE(HasRecord(chat.Users(), "tom"));
  EXPECT_EQ(chat.RoomField(1, room_field::kOccupants), " Tom");
  EXPECT_TRUE(text::Contains(chat.RingColumn(5).ToText(), "parent.addl(\\'Tom\\'"));
  EXPECT_EQ(chat.UserColumn("Tom", "visit_num").ToLong(), 5);
  // Typed in yet another case, it is still the same visitor re-entering.
  ASSERT_EQ(chat.LogIn(LoginForm("TOM", "pw")), "");
  EXPECT_EQ(CountRecords(chat.Users()), 1);
  EXPECT_EQ(chat.RoomField(1, room_field::kOccupants), " Tom");
}

TEST(EnteringTest, EnterMessageWithoutThreePartsFailsBeforeAnyChange) {
  LoginChat chat;
  chat.SetParam("enterchatshow", "##来了::990000");
  chat.SetParam("reentershow", "");
  chat.AddUser("ann", "pw");
  chat.Load();
  const std::string rooms = chat.lists().Rooms();
  EXPECT_THROW(chat.LogIn("bob"), CallError);
  EXPECT_TRUE(chat.last_session().Get("myname").is_empty());
  EXPECT_EQ(chat.Users(), "");
  EXPECT_EQ(chat.lists().Rooms(), rooms);
  EXPECT_EQ(chat.NewestSayId(), 0);

  // A re-entry checks its own message.
  chat.SetParam("enterchatshow", "##来了::c1::c2");
  chat.Load();
  ASSERT_EQ(chat.LogIn("ann"), "");
  const std::string users = chat.Users();
  const std::string rooms_with_ann = chat.lists().Rooms();
  EXPECT_THROW(chat.LogIn("ann"), CallError);
  EXPECT_EQ(chat.Users(), users);
  EXPECT_EQ(chat.lists().Rooms(), rooms_with_ann);
  EXPECT_EQ(chat.NewestSayId(), 1);
}

}  // namespace
}  // namespace tavolin
