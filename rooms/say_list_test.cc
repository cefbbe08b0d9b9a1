// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>

#include "component/list_record.h"
#include "component/page_text.h"
#include "testing/live_chat.h"

namespace tavolin {
namespace {

class SayListTest : public ::testing::Test {
 protected:
  SayListTest() { chat_.AddRoom(1, "hall", "olga", "bot"); }

  std::string SayList(Session& session) {
    return chat_.NewObject()->InitSayList(chat_.app(), session).ToText();
  }
  std::string SayList(std::string_view name) { return SayList(chat_.SessionOf(name)); }

  testing::LiveChat chat_;
};

TEST_F(SayListTest, VisitorAloneGetsTheRoomTheLinesAndOneself) {
  chat_.Enter("ann", 1);
  chat_.SetUserField("ann", user_field::kNote, "away");
  chat_.Say("ann", "hello");
  chat_.clock().Advance(5);
  // A fresh window has nothing yet: the line arrives here.
  chat_.SetUserField("ann", user_field::kDeliveredSayId, "0");
  EXPECT_EQ(SayList("ann"),
            std::string(page::kPollPrefix) +
                "<meta http-equiv=refresh content='6;url=refresh.asp'><script>"
                "parent.allusernum=1;parent.roomname='hall';parent.roomauto='bot'; "
                "parent.roomtt=;  parent.room_owner='olga';  parent.room_des=''; "
                "parent.roomhtml=;  parent.roomguests='';  parent.roomlife=;"
                "parent.chftitle('');parent.chttitle('');  parent.clearsay();parent.clearper();"
                "parent.addsay(1,'hello','ann','大家',0,'c1','c2',0,'10:00:00','');"
                " parent.ref(1);parent.userlist=new Array('ann 1 1010 away');"
                "parent.userlist.sort();parent.showlist();</script>");
  EXPECT_EQ(chat_.UserField("ann", user_field::kDeliveredSayId), "1");
  EXPECT_EQ(chat_.UserField("ann", user_field::kLastPoll), "2026-03-04 10:00:05");

  // Caught up: nothing to deliver, still the newest id.
  const std::string again = SayList("ann");
  EXPECT_NE(again.find("parent.addsay(''); parent.ref(1);"), std::string::npos);
  EXPECT_EQ(chat_.UserField("ann", user_field::kDeliveredSayId), "1");
}

TEST_F(SayListTest, OccupantsPresentLeftAndNone) {
  chat_.Enter("ann", 1);
  chat_.Enter("bob", 1);
  chat_.SetUserField("bob", user_field::kSex, "0");
  chat_.SetUserField("bob", user_field::kFace, "1020");

  // Both present, a double blank between them: both listed, nothing written.
  chat_.SetRoomField(1, room_field::kOccupants, "ann  bob");
  std::string page = SayList("ann");
  EXPECT_NE(page.find("parent.allusernum=2;"), std::string::npos);
  EXPECT_NE(page.find("new Array('ann 1 1010 ','bob 0 1020 ');"), std::string::npos);
  EXPECT_EQ(chat_.RoomField(1, room_field::kOccupants), "ann  bob");

  // carl is named but has left the chat: dropped from the list and the room.
  chat_.SetRoomField(1, room_field::kOccupants, "ann carl bob");
  page = SayList("bob");
  EXPECT_NE(page.find("new Array('ann 1 1010 ','bob 0 1020 ');"), std::string::npos);
  EXPECT_EQ(chat_.RoomField(1, room_field::kOccupants), "ann bob");

  // Nobody named in the room: an empty array and no write.
  chat_.SetRoomField(1, room_field::kOccupants, "");
  page = SayList("ann");
  EXPECT_NE(page.find("parent.userlist=new Array();"), std::string::npos);
  EXPECT_EQ(chat_.RoomField(1, room_field::kOccupants), "");
}

TEST_F(SayListTest, OnlyVisibleLinesOfTheRoom) {
  chat_.AddRoom(2, "den");
  chat_.Enter("ann", 1);
  chat_.Enter("bob", 1);
  chat_.Enter("cid", 2);
  chat_.Enter("dan", 1);
  chat_.Say("cid", "elsewhere");
  chat_.Say("bob", "psst", "ann", {{"secret", "true"}});
  chat_.Say("bob", "secret", "dan", {{"secret", "true"}});
  const std::string page = SayList("ann");
  EXPECT_NE(page.find("parent.addsay(2,'psst','bob','ann',1,"), std::string::npos);
  EXPECT_EQ(page.find("elsewhere"), std::string::npos);
  EXPECT_EQ(page.find("'secret'"), std::string::npos);
  EXPECT_NE(page.find("parent.ref(3);"), std::string::npos);
}

TEST_F(SayListTest, StrangerIsSentToTheErrorPageAndNothingChanges) {
  chat_.Enter("ann", 1);
  chat_.SetRoomField(1, room_field::kOccupants, "ann gone");
  const std::string users = chat_.lists().Users();
  const std::string rooms = chat_.lists().Rooms();
  MemorySession stranger;
  stranger.Set("myname", Variant("ann"));
  stranger.Set("mytemp", Variant("stolen"));
  EXPECT_EQ(SayList(stranger), page::kShowError);
  EXPECT_EQ(chat_.lists().Users(), users);
  EXPECT_EQ(chat_.lists().Rooms(), rooms);
}

}  // namespace
}  // namespace tavolin
