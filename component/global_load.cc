// Copyright Tavolin developers.
//
// Start-up load: the configuration from table sysparam, the robot-answer
// count and the news links, then the empty say ring, the empty user list and
// the room list from table room. Calling it again resets the live chat.

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "component/column_text.h"
#include "component/list_record.h"
#include "component/live_state.h"
#include "component/room_record.h"
#include "component/schema.h"
#include "component/settings_check.h"
#include "tavolin/corvane.h"
#include "text/strings.h"

namespace tavolin {

namespace {

// The news links shown in the chat page: at most this many, newest first.
constexpr int kMaxNewsLinks = 6;

// The news links as a (n x 2) array of link and title, or "" when there are
// none.
Variant LoadNewsLinks(Connection& db) {
  const int count = db.Execute("SELECT count(*) as cs FROM scrollad")->Field("cs").ToLong();
  if (count == 0) return Variant("");
  const int rows_wanted = std::min(count, kMaxNewsLinks);
  VariantArray links(0, rows_wanted - 1, 0, 1);
  auto rows = db.Execute("SELECT * FROM scrollad order by ID desc");
  for (int i = 0; i < rows_wanted && !rows->eof(); ++i) {
    links.at(i, 1) = Variant(text::TrimBlanks(ColumnText(*rows, "ad_title")));
    links.at(i, 0) = Variant(text::TrimBlanks(ColumnText(*rows, "ad_link")));
    rows->MoveNext();
  }
  return Variant(std::move(links));
}

}  // namespace

Variant Corvane::InitGlobal(Application& TheApplication) {
  preglobal_1(TheApplication);
  LoadRoomList(TheApplication);
  return Variant();
}

void Corvane::preglobal_1(Application& TheApplication) {
  Connection& db = Database(TheApplication);
  UpgradeChatSchema(db);
  for (auto rows = db.Execute("SELECT alias,body FROM sysparam"); !rows->eof(); rows->MoveNext()) {
    TheApplication.Set(Key("_" + rows->Field("alias").ToText()), rows->Field("body"));
  }
  TheApplication.Set(Key("_init"), Variant("true"));
  TheApplication.Set(Key("_autosay_count"),
                     db.Execute("select count(*) as totalnum from autoact")->Field("totalnum"));
  VariantArray votes(0, 9);
  votes.at(0) = Variant(int16_t{0});
  TheApplication.Set(Key("_votes"), Variant(std::move(votes)));
  TheApplication.Set(Key("_chatroomclock"), Variant(env_->Now()));
  TheApplication.Set(Key("_chatopentime"), Variant(env_->Now()));
  TheApplication.Set(Key("_bbss"), LoadNewsLinks(db));
}

void Corvane::LoadRoomList(Application& TheApplication) {
  const int32_t max_talk = SayRingTop(TheApplication.Get(Key("_maxtalk")));
  VariantArray says(0, max_talk, 0, 5);
  for (int i = 0; i <= max_talk; ++i) says.at(i, 0) = Variant(int16_t{0});

  std::vector<LiveRecord> rooms;
  for (auto rows = Database(TheApplication).Execute("SELECT * FROM room order by ID"); !rows->eof();
       rows->MoveNext()) {
    rooms.push_back(RoomRecordFromRow(*rows));
  }

  // The ring, its index and both lists change together, so that no request
  // sees a new ring with an old index.
  LiveState& live = Live(TheApplication);
  ApplicationLock lock(TheApplication);
  live.WriteRing({Variant(std::move(says)), Variant(int16_t{0})});
  live.Reset(std::move(rooms));
}

}  // namespace tavolin
