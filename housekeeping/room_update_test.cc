// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>

#include "component/list_record.h"
#include "housekeeping/housekeeping_testing.h"
#include "housekeeping/run_values.h"
#include "tavolin/error.h"
#include "testing/chat_test_env.h"

namespace tavolin {
namespace {

using testing::CountOf;
using testing::DaysAgo;

constexpr char kNothingToDo[] = "根据系统参数，房间不需要作任何修改。";

TEST(RunValuesTest, OnlyTheNumberOneMakesARealRun) {
  for (const Variant& real : {Variant(1), Variant("1"), Variant(" 1.0 ")}) {
    EXPECT_TRUE(IsRealRun(real)) << real.ToText();
  }
  // Empty reads as 0, True as -1.
  for (const Variant& preview :
       {Variant(0), Variant(), Variant::Null(), Variant(true), Variant("yes")}) {
    EXPECT_FALSE(IsRealRun(preview));
  }
}

// Rooms are kept above 1000 experience; a room lives 1440 minutes plus its
// experience, less 60 minutes for every day since it was built.
class RoomUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chat_.Exec("DELETE FROM room");
    chat_.SetParam("roomkeepexp", "1000");
    chat_.SetParam("roomtimeout", "1440");
    chat_.SetParam("roomexpperday", "60");
  }

  void AddRoom(int id, const std::string& name, int experience, int idle_days, int kept = 0) {
    chat_.Exec(
        "INSERT INTO room (ID, room_name, room_keep, room_exp, room_time, build_time) "
        "VALUES (?, ?, ?, ?, ?, ?)",
        {id, name, kept, experience, DaysAgo(chat_, idle_days), DaysAgo(chat_, idle_days)});
  }
  // Idle for two days: past its life of 1440 - 2 * 60 minutes.
  void AddIdleRoom(int id, const std::string& name) { AddRoom(id, name, 0, 2); }
  // Busy today, with experience enough to be kept.
  void AddPopularRoom(int id, const std::string& name) { AddRoom(id, name, 1500, 0); }

  void Load() { object_->InitGlobal(chat_.app()); }
  std::string Run(Variant mode) { return object_->RoomUpdate(chat_.app(), mode).ToText(); }

  // The table's rooms, "+" after kept ones, then the room list's the same way.
  std::string Rooms() {
    std::string rooms;
    for (auto rows = chat_.db().Execute("SELECT ID, room_keep FROM room ORDER BY ID"); !rows->eof();
         rows->MoveNext()) {
      rooms += rows->Field("ID").ToText() + (rows->Field("room_keep").ToLong() == 1 ? "+ " : " ");
    }
    rooms += "|";
    const std::string list = chat_.lists().Rooms();
    for (const std::string& id : RecordKeys(list)) {
      rooms += " " + id + (ListRecord(list, id).field(room_field::kKeep) == "1" ? "+" : "");
    }
    return rooms;
  }
  std::string AuditEnv(int kind) {
    auto rows = chat_.db().Execute("SELECT occ_env FROM record WHERE stype=?", {kind});
    return rows->eof() ? "(none)" : rows->Field("occ_env").ToText();
  }
  int32_t Records() { return CountOf(chat_, "SELECT count(*) AS n FROM record"); }

  testing::ChatTestEnv chat_;
  std::unique_ptr<Corvane> object_ = chat_.NewObject();
};

TEST_F(RoomUpdateTest, ExpiresIdleRoomsAndKeepsPopularOnesInTableAndList) {
  AddRoom(1, "hall", 0, 0);
  AddRoom(9, "old but kept", 5000, 30, 1);
  Load();
  EXPECT_EQ(Run(Variant(1)), kNothingToDo);
  EXPECT_EQ(Records(), 0);
  AddIdleRoom(2, "a");
  AddIdleRoom(3, "b");
  AddPopularRoom(4, "c");
  AddPopularRoom(5, "d");
  AddRoom(6, "quiet", 999, 0);
  Load();
  EXPECT_EQ(Run(Variant(1)), "过期房间：[a,b]<br><br>设为永久：[c, d]");
  EXPECT_EQ(Rooms(), "1 4+ 5+ 6 9+ | 1 4+ 5+ 6 9+");
  EXPECT_EQ(AuditEnv(16), "系统>系统> >[a,b]>自动> 由于人气不旺被系统自动清除！>清除房间%%");
  EXPECT_EQ(AuditEnv(17),
            "系统>系统> >[c, d]>自动> 由于人气值高而被系统自动修改！>设置房间%%为保留房间！");
  EXPECT_EQ(Records(), 2);
  EXPECT_EQ(Run(Variant(1)), kNothingToDo);  // kept rooms stay kept
}

TEST_F(RoomUpdateTest, PreviewListsARoomInBothListsAndWritesNothing) {
  AddRoom(7, "x", 1200, 3);  // popular, and idle past its life of 1440 + 1200 - 180
  AddIdleRoom(2, "a");
  Load();
  const std::string before = chat_.lists().Rooms();
  EXPECT_EQ(Run(Variant(0)), "过期房间：[a,x]<br><br>设为永久：[x]");
  EXPECT_EQ(chat_.lists().Rooms(), before);
  EXPECT_EQ(Rooms(), "2 7 | 2 7");
  EXPECT_EQ(Records(), 0);
  // The real run keeps it first, so it no longer expires.
  EXPECT_EQ(Run(Variant(1)), "过期房间：[a]<br><br>设为永久：[x]");
  EXPECT_EQ(Rooms(), "7+ | 7+");
}

TEST_F(RoomUpdateTest, OnlyEmptyRoomsExpireAndUnlistedRoomsAreSkipped) {
  AddIdleRoom(2, "blank");
  AddIdleRoom(3, "busy");
  Load();
  chat_.lists().SetRoomField("2", room_field::kOccupants, "   ");
  chat_.lists().SetRoomField("3", room_field::kOccupants, " tom");
  AddIdleRoom(8, "unlisted");    // a row the room list has no record of
  AddPopularRoom(9, "popular");  // likewise: neither listed nor kept
  EXPECT_EQ(Run(Variant(0)), "过期房间：[blank]<br>");
  EXPECT_EQ(Run(Variant(1)), "过期房间：[blank]<br>");
  EXPECT_EQ(Rooms(), "3 8 9 | 3");
  EXPECT_EQ(ListRecord(chat_.lists().Rooms(), "3").field(room_field::kOccupants), " tom");
}

TEST_F(RoomUpdateTest, ABadLimitEndsTheCallWithTableAndListInStep) {
  AddPopularRoom(4, "c");
  AddIdleRoom(2, "a");
  Load();
  chat_.Set("_roomexpperday", Variant(""));
  EXPECT_THROW(Run(Variant(1)), CallError);
  // The keep step had run, the expiry step had not.
  EXPECT_EQ(Rooms(), "2 4+ | 2 4+");
}

}  // namespace
}  // namespace tavolin
