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

bool Refused(LoginChat& chat, MemorySession& session) {
  return text::Contains(chat.Refresh(session), "showerr.asp");
}

TEST(EnteringTest, FirstEntryOfANewUserEndToEnd) {
  LoginChat chat;
  chat.SetParam("enterchatshow", "##来了::c1::c2");
  chat.Load();
  ASSERT_EQ(chat.LogIn(LoginForm("ann", "pw").Sex("1")), "");
  MemorySession& session = chat.last_session();
  const std::string token = session.Get("mytemp").ToText();
  EXPECT_TRUE(token.starts_with("10:00:00")) << token;
  EXPECT_EQ(chat.Users(), "<$ann$>" + token +
                              "$>10.0.0.1$>1$>1$>1$>2026-03-04 10:00:00$>1010$>0$>1$>-10"
                              "$>2026-03-04 10:00:00$>2026-03-04 10:00:00$>$>$>$><$ann$>");
  EXPECT_EQ(chat.RoomField(1, room_field::kOccupants), " ann");
  EXPECT_EQ(chat.RoomField(1, room_field::kLastActivity), "2026-03-04 10:00:00");
  // The enter line to the room, then the welcome line to the visitor alone,
  // both delivered by the first poll.
  EXPECT_EQ(chat.RingColumn(5, 1).ToText(),
            "'<small>girl</small>##来了<\\script>parent.addl(\\'ann\\',1,\\'1010\\',\\'\\')"
            "</\\script>','ann','大厅',0,'c1','c2',-3,'10:00:00',");
  EXPECT_EQ(chat.RingColumn(3).ToLong(), 1);
  const std::string poll = chat.Refresh(session);
  EXPECT_TRUE(text::Contains(poll, ",2,'【系统】ann:欢迎光临！")) << poll;
  EXPECT_TRUE(text::Contains(poll, "parent.ref(2);parent.allusernum=1;")) << poll;
}

TEST(EnteringTest, ReEntryGoesBackToTheOldRoomAndShutsOutTheOldSession) {
  LoginChat chat;
  chat.SetParam("newusernum", "10");
  chat.SetParam("reentershow", "##回来了::r1::r2");
  chat.AddUser("Ann", "pw");
  chat.Load();
  ASSERT_EQ(chat.LogIn(LoginForm("ann", "pw").Room("4")), "");
  MemorySession& first = chat.last_session();
  ASSERT_EQ(chat.LogIn("bob"), "");
  EXPECT_EQ(chat.UserField("bob", user_field::kDeliveredSayId), "-9");
  chat.clock().Advance(60);
  ASSERT_EQ(chat.LogIn(LoginForm("ANN", "pw").Room("3")), "");
  MemorySession& second = chat.last_session();
  // A returning user with no notices gets the enter line alone.
  EXPECT_EQ(chat.NewestSayId(), 4);
  // One record, at the end, under the stored name, in the old room.
  EXPECT_EQ(RecordKeys(chat.Users()), (std::vector<std::string>{"bob", "Ann"}));
  EXPECT_EQ(second.Get("myname").ToText(), "Ann");
  EXPECT_EQ(chat.UserField("Ann", user_field::kRoom), "4");
  EXPECT_EQ(chat.RoomField(4, room_field::kOccupants), " Ann");
  EXPECT_EQ(chat.RoomField(4, room_field::kLastActivity), "2026-03-04 10:01:00");
  EXPECT_EQ(chat.RoomField(3, room_field::kOccupants), "");
  EXPECT_TRUE(chat.RingColumn(5).ToText().starts_with(
      "'<small>girl</small>##回来了<\\script>parent.addl(\\'Ann\\',1,\\'1020\\',\\'\\')"
      "</\\script>','Ann','情感驿站',0,'r1','r2',-3,'10:01:00',"));
  EXPECT_TRUE(Refused(chat, first));
  EXPECT_FALSE(Refused(chat, second));

  // Entries within one second still get tokens of their own.
  ASSERT_EQ(chat.LogIn(LoginForm("ann", "pw")), "");
  MemorySession& third = chat.last_session();
  EXPECT_NE(third.Get("mytemp").ToText(), second.Get("mytemp").ToText());
  EXPECT_TRUE(Refused(chat, second));
  EXPECT_FALSE(Refused(chat, third));
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
  EXPECT_EQ(chat.Users() + chat.lists().Rooms(), rooms);
  EXPECT_EQ(chat.NewestSayId(), 0);
  // A re-entry checks its own message.
  chat.SetParam("enterchatshow", "##来了::c1::c2");
  chat.Load();
  ASSERT_EQ(chat.LogIn("ann"), "");
  const std::string lists = chat.Users() + chat.lists().Rooms();
  EXPECT_THROW(chat.LogIn("ann"), CallError);
  EXPECT_EQ(chat.Users() + chat.lists().Rooms(), lists);
  EXPECT_EQ(chat.NewestSayId(), 1);
}

}  // namespace
}  // namespace tavolin
