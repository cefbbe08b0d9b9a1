// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component/list_record.h"
#include "tavolin/error.h"
#include "testing/live_chat.h"

namespace tavolin {
namespace {

constexpr char kNoRoom[] = "你要去的房间并不存在!";
constexpr char kSameRoom[] = "你已经在这个房间里了!";

// Rooms hall, den (owned by olga), attic (its robot is called ann) and loft
// (owned by zed), all open to every level; ann (level 1) in the hall.
class ChangeRoomTest : public ::testing::Test {
 protected:
  ChangeRoomTest() {
    chat_.AddRoom(1, "hall");
    chat_.AddRoom(2, "den", "olga");
    chat_.AddRoom(3, "attic", "", "ann");
    chat_.AddRoom(4, "loft", "zed");
    for (int room = 1; room <= 4; ++room) {
      chat_.SetRoomField(room, room_field::kPermitLevel, "0");
      chat_.SetRoomField(room, room_field::kDoorOpen, "1");
    }
    chat_.app().Set("_l_delroom", Variant("8"));
    chat_.app().Set("_enterroomshow", Variant("##推门走进了房间，大家好！::009900::"));
    chat_.app().Set("_exitroomshow", Variant("##到别处逛逛去了。::990000::ff"));
    chat_.Enter("ann", 1);
  }
  std::string Move(Session& session, const char* toroom) {
    MemoryRequest request;
    if (toroom != nullptr) request.SetForm("toroom", toroom);
    return chat_.NewObject()->ChangeRoom(chat_.app(), session, request).ToText();
  }
  std::string Move(std::string_view name, const char* toroom) {
    return Move(chat_.SessionOf(name), toroom);
  }
  // What a refused or failed move must leave untouched.
  std::string Snapshot() {
    return chat_.lists().Users() + "|" + chat_.lists().Rooms() + "|" +
           std::to_string(chat_.NewestSayId());
  }
  testing::LiveChat chat_;
};

TEST_F(ChangeRoomTest, RefusalsInOrderChangeNothing) {
  chat_.Enter("olga", 1);
  chat_.SetRoomField(2, room_field::kDoorOpen, "0");
  chat_.SetRoomField(4, room_field::kDoorOpen, "0");  // zed is not in the chat
  chat_.SetRoomField(4, room_field::kPermitLevel, "2");
  const std::string before = Snapshot();
  MemorySession stranger;
  EXPECT_EQ(Move(stranger, "2"), "你还没有登陆到聊天室!");
  const std::vector<std::pair<const char*, std::string>> cases = {
      {nullptr, kNoRoom},
      {"  ", kNoRoom},
      {"9", kNoRoom},
      {"01", kNoRoom},  // no room key, so never compared as a number
      {"1", kSameRoom},
      {" 1 ", kSameRoom},
      {"3", "你被拒绝进入<font color=#009900>attic</font>！"},
      {"2", "<font color=#009900>den</font>的门被关上了，请呼叫房主开门吧！"},
      {"4", "<font color=#009900>loft</font>限制级别2以下的聊友进入！"}};
  for (const auto& [to, refusal] : cases) EXPECT_EQ(Move("ann", to), refusal) << refusal;
  EXPECT_EQ(Snapshot(), before);
  // A limit equal to the level lets in; the owner and managers pass every rule.
  chat_.SetRoomField(4, room_field::kPermitLevel, "1");
  EXPECT_EQ(Move("ann", "4"), "");
  chat_.SetRoomField(2, room_field::kPermitLevel, "9");
  EXPECT_EQ(Move("olga", "2"), "");
  chat_.Enter("max", 1, 8);
  chat_.SetRoomField(2, room_field::kRobot, "max");
  EXPECT_EQ(Move("max", "2"), "");
  EXPECT_EQ(chat_.RoomField(2, room_field::kOccupants), "olga max");
}

TEST_F(ChangeRoomTest, MoveUpdatesBothRoomsTheRingAndTheUserRecord) {
  chat_.Enter("bob", 2);
  chat_.SetUserField("ann", user_field::kNote, "note");
  EXPECT_EQ(Move("ann", " 2 "), "");
  EXPECT_EQ(chat_.RoomField(1, room_field::kOccupants), "");
  EXPECT_EQ(chat_.RoomField(2, room_field::kOccupants), "bob ann");
  EXPECT_EQ(chat_.UserField("ann", user_field::kRoom), "2");
  // The entry notice in the new room, then the leave notice in the old one.
  const VariantArray& ring = chat_.app().Get("_says").array();
  EXPECT_EQ(ring.at(1, 4).ToLong(), 2);
  EXPECT_EQ(
      ring.at(1, 5).ToText(),
      R"('##推门走进了房间，大家好！<\script>parent.addl(\'ann\',1,\'1010\',\'note\')</\script>','ann','hall',0,'009900','',-3,'10:00:00',)");
  EXPECT_EQ(ring.at(2, 4).ToLong(), 1);
  EXPECT_EQ(
      ring.at(2, 5).ToText(),
      R"('##到别处逛逛去了。<\script>parent.dell(\'ann\')</\script>','ann','den',0,'990000','ff',-3,'10:00:00',)");
  EXPECT_EQ(Move("ann", "4"), "");
  EXPECT_EQ(chat_.RoomField(4, room_field::kOccupants), " ann");
  EXPECT_EQ(chat_.RoomField(2, room_field::kOccupants), "bob");
}

TEST_F(ChangeRoomTest, NoticeWithoutThreePartsFailsBeforeAnythingIsWritten) {
  const std::string before = Snapshot();
  for (const char* exit : {"bye::990000", "bye::990000::"}) {
    chat_.app().Set("_exitroomshow", Variant(exit));
    chat_.app().Set("_enterroomshow", Variant());
    EXPECT_THROW(Move("ann", "2"), CallError);
    EXPECT_EQ(Snapshot(), before);
  }
  EXPECT_EQ(Move("ann", "1"), kSameRoom);  // refusals still answer first
}

}  // namespace
}  // namespace tavolin
