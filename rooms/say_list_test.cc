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
  SayListTest() {
    chat_.AddRoom(1, "hall", "olga", "bot");
    chat_.Enter("ann", 1);
  }
  std::string SayList(Session& session) {
    return chat_.NewObject()->InitSayList(chat_.app(), session).ToText();
  }
  std::string SayList(std::string_view name) { return SayList(chat_.SessionOf(name)); }
  testing::LiveChat chat_;
};

TEST_F(SayListTest, RoomSettingsLinesAndOccupants) {
  chat_.SetUserField("ann", user_field::kNote, "away");
  chat_.SetRoomField(1, room_field::kDescription, "Tom's");
  chat_.Say("ann", "hello");
  chat_.clock().Advance(5);
  chat_.SetUserField("ann", user_field::kDeliveredSayId, "0");  // a fresh window
  // Empty numbers are written 0 and texts escaped, so the script still runs.
  EXPECT_EQ(SayList("ann"),
            std::string(page::kPollPrefix) +
                "<meta http-equiv=refresh content='6;url=refresh.asp'><script>"
                "parent.allusernum=1;parent.roomname='hall';parent.roomauto='bot'; "
                "parent.roomtt=0;  parent.room_owner='olga';  parent.room_des='Tom\\'s'; "
                "parent.roomhtml=0;  parent.roomguests='';  parent.roomlife=0;"
                "parent.chftitle('');parent.chttitle('');  parent.clearsay();parent.clearper();"
                "parent.addsay(1,'hello','ann','大家',0,'c1','c2',0,'10:00:00','');"
                " parent.ref(1);parent.userlist=new Array('ann 1 1010 away');"
                "parent.userlist.sort();parent.showlist();</script>");
  EXPECT_EQ(chat_.UserField("ann", user_field::kDeliveredSayId), "1");
  EXPECT_EQ(chat_.UserField("ann", user_field::kLastPoll), "2026-03-04 10:00:05");
  EXPECT_NE(SayList("ann").find("parent.addsay(''); parent.ref(1);"), std::string::npos);

  chat_.Enter("bob", 1);
  chat_.SetUserField("bob", user_field::kFace, "1020");
  // Occupant field, items shown, field stored after.
  const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
      {"ann  bob", "'ann 1 1010 away','bob 1 1020 '", "ann  bob"},     // nothing written
      {"ann carl bob", "'ann 1 1010 away','bob 1 1020 '", "ann bob"},  // carl has left
      {"", "", ""}};
  for (const auto& [occupants, items, stored] : cases) {
    chat_.SetRoomField(1, room_field::kOccupants, occupants);
    EXPECT_NE(SayList("bob").find("parent.userlist=new Array(" + items + ");"), std::string::npos)
        << occupants;
    EXPECT_EQ(chat_.RoomField(1, room_field::kOccupants), stored);
  }
}

TEST_F(SayListTest, OnlyVisibleLinesAndNothingForAStranger) {
  chat_.AddRoom(2, "den");
  chat_.Enter("bob", 1);
  chat_.Enter("cid", 2);
  chat_.Enter("dan", 1);
  chat_.Say("cid", "elsewhere");
  chat_.Say("bob", "psst", "ann", {{"secret", "true"}});
  chat_.Say("bob", "secret", "dan", {{"secret", "true"}});
  const std::string page = SayList("ann");
  EXPECT_NE(page.find("parent.addsay(2,'psst','bob','ann',1,'c1','c2',0,'10:00:00','');"
                      " parent.ref(3);"),
            std::string::npos);

  chat_.SetRoomField(1, room_field::kOccupants, "ann gone");
  const std::string lists = chat_.lists().Users() + chat_.lists().Rooms();
  MemorySession stranger;
  stranger.Set("myname", Variant("ann"));
  stranger.Set("mytemp", Variant("stolen"));
  EXPECT_EQ(SayList(stranger), page::kShowError);
  EXPECT_EQ(chat_.lists().Users() + chat_.lists().Rooms(), lists);
}

}  // namespace
}  // namespace tavolin
