// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "component/list_record.h"
#include "housekeeping/run_values.h"
#include "tavolin/error.h"
#include "testing/chat_test_env.h"
#include "testing/housekeeping_chat.h"

namespace tavolin {
namespace {

using testing::DaysAgo;

constexpr char kNothingToDo[] = "根据系统参数，房间不需要作任何修改。";

// Rooms are kept above 1000 experience and live 1440 minutes + experience - 60 per day built.
class RoomUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chat_.Exec("DELETE FROM room");
    chat_.SetParam("roomkeepexp", "1000");
    chat_.SetParam("roomtimeout", "1440");
    chat_.SetParam("roomexpperday", "60");
  }

  // Adds rooms "ID:experience:idle days", "+" after kept ones, named "r" and their ID; then loads
  // the lists. Idle 2 days is past the life of a room of no experience (1440 - 120 minutes).
  void AddRooms(const std::vector<std::string>& rooms, bool load = true) {
    for (const std::string& room : rooms) {
      int id, experience, days;
      std::sscanf(room.c_str(), "%d:%d:%d", &id, &experience, &days);
      chat_.Exec(
          "INSERT INTO room (ID, room_name, room_keep, room_exp, room_time, build_time) "
          "VALUES (?, ?, ?, ?, ?, ?)",
          {id, "r" + std::to_string(id), room.ends_with('+') ? 1 : 0, experience,
           DaysAgo(chat_, days), DaysAgo(chat_, days)});
    }
    if (load) object_->InitGlobal(chat_.app());
  }
  // The table's rooms, then the room list's, "+" after kept ones; the count of audit records.
  std::string State() {
    std::string shown;
    for (auto rows = chat_.db().Execute("SELECT ID, room_keep FROM room ORDER BY ID"); !rows->eof();
         rows->MoveNext()) {
      shown += rows->Field("ID").ToText() + (rows->Field("room_keep").ToLong() == 1 ? "+ " : " ");
    }
    shown += "|";
    const std::string list = chat_.lists().Rooms();
    for (const std::string& id : RecordKeys(list)) {
      shown += " " + id + (ListRecord(list, id).field(room_field::kKeep) == "1" ? "+" : "");
    }
    return shown + " | " +
           std::to_string(testing::CountOf(chat_, "SELECT count(*) AS n FROM record"));
  }
  std::string Run(Variant mode) {
    const std::string answer = object_->RoomUpdate(chat_.app(), mode).ToText();
    return answer + " = " + State();
  }

  testing::ChatTestEnv chat_;
  std::unique_ptr<Corvane> object_ = chat_.NewObject();
};

TEST_F(RoomUpdateTest, OnlyTheNumberOneMakesARealRun) {
  // Empty reads as 0, True as -1.
  std::string real;
  for (const Variant& mode : {Variant(1), Variant("1"), Variant(" 1.0 "), Variant(0), Variant(),
                              Variant::Null(), Variant(true), Variant("yes")}) {
    real += IsRealRun(mode) ? "1" : "0";
  }
  EXPECT_EQ(real, "11100000");
}

TEST_F(RoomUpdateTest, ExpiresIdleRoomsAndKeepsPopularOnesInTableAndList) {
  AddRooms({"1:0:0", "9:5000:30+"});
  EXPECT_EQ(Run(Variant(1)), std::string(kNothingToDo) + " = 1 9+ | 1 9+ | 0");
  AddRooms({"2:0:2", "3:0:2", "4:1500:0", "5:1500:0", "6:999:0"});
  EXPECT_EQ(Run(Variant(1)),
            "过期房间：[r2,r3]<br><br>设为永久：[r4, r5] = 1 4+ 5+ 6 9+ | 1 4+ 5+ 6 9+ | 2");
  EXPECT_EQ(chat_.Joined("SELECT occ_env AS v FROM record ORDER BY stype", "|"),
            "系统>系统> >[r2,r3]>自动> 由于人气不旺被系统自动清除！>清除房间%%|"
            "系统>系统> >[r4, r5]>自动> 由于人气值高而被系统自动修改！>设置房间%%为保留房间！");
  // Kept rooms stay kept.
  EXPECT_EQ(Run(Variant(1)), std::string(kNothingToDo) + " = 1 4+ 5+ 6 9+ | 1 4+ 5+ 6 9+ | 2");
}

TEST_F(RoomUpdateTest, PreviewListsARoomInBothListsAndWritesNothing) {
  AddRooms({"7:1200:3", "2:0:2"});  // 7 is popular, and idle past its life of 1440 + 1200 - 180
  const std::string before = chat_.lists().Rooms();
  EXPECT_EQ(Run(Variant(0)), "过期房间：[r2,r7]<br><br>设为永久：[r7] = 2 7 | 2 7 | 0");
  EXPECT_EQ(chat_.lists().Rooms(), before);
  // The real run keeps it first, so it no longer expires.
  EXPECT_EQ(Run(Variant(1)), "过期房间：[r2]<br><br>设为永久：[r7] = 7+ | 7+ | 2");
}

TEST_F(RoomUpdateTest, OnlyEmptyRoomsExpireAndUnlistedRoomsAreSkipped) {
  AddRooms({"2:0:2", "3:0:2"});
  chat_.lists().SetRoomField("2", room_field::kOccupants, "   ");
  chat_.lists().SetRoomField("3", room_field::kOccupants, " tom");
  // Rows the room list has no record of: neither listed nor kept.
  chat_.Exec(
      "INSERT INTO room (ID, room_name, room_exp, room_keep, room_time, build_time) VALUES "
      "(8, 'r8', 0, 0, ?, ?), (9, 'r9', 1500, 0, ?, ?)",
      {DaysAgo(chat_, 2), DaysAgo(chat_, 2), DaysAgo(chat_, 0), DaysAgo(chat_, 0)});
  EXPECT_EQ(Run(Variant(0)), "过期房间：[r2]<br> = 2 3 8 9 | 2 3 | 0");
  EXPECT_EQ(Run(Variant(1)), "过期房间：[r2]<br> = 3 8 9 | 3 | 1");
  EXPECT_EQ(ListRecord(chat_.lists().Rooms(), "3").field(room_field::kOccupants), " tom");
}

TEST_F(RoomUpdateTest, ABadLimitEndsTheCallWithTableAndListInStep) {
  AddRooms({"4:1500:0", "2:0:2"});
  chat_.Set("_roomexpperday", Variant(""));
  EXPECT_THROW(Run(Variant(1)), CallError);
  // The keep step had run, the expiry step had not.
  EXPECT_EQ(State(), "2 4+ | 2 4+ | 1");
}

}  // namespace
}  // namespace tavolin
