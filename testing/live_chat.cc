// Copyright Tavolin developers.

#include "testing/live_chat.h"

#include <vector>

#include "component/list_record.h"
#include "component/live_state.h"
#include "tavolin/error.h"

namespace tavolin::testing {

template <typename Found>
static Found Required(Found found, std::string_view key) {
  if (found) return found;
  throw CallError(ErrorCode::kSubscriptOutOfRange,
                  "no record of '" + std::string(key) + "' in the live chat");
}

std::string LiveLists::Users() const {
  ApplicationLock lock(app_);
  return LiveStateOf(app_, prefix_)->UserListText();
}

std::string LiveLists::Rooms() const {
  ApplicationLock lock(app_);
  return LiveStateOf(app_, prefix_)->RoomListText();
}

std::string LiveLists::UserField(std::string_view name, int field) const {
  ApplicationLock lock(app_);
  return Required(LiveStateOf(app_, prefix_)->FindUser(name), name)->field(field);
}

std::string LiveLists::RoomField(std::string_view room, int field) const {
  ApplicationLock lock(app_);
  const LiveState& live = *LiveStateOf(app_, prefix_);
  if (field != room_field::kOccupants) return Required(live.FindRoom(room), room)->field(field);
  Required(live.HasRoom(room), room);
  return live.OccupantText(room);
}

void LiveLists::SetUserField(std::string_view name, int field, std::string value) {
  ApplicationLock lock(app_);
  LiveState& live = *LiveStateOf(app_, prefix_);
  LiveRecord user = *Required(live.FindUser(name), name);
  user.set_field(field, std::move(value));
  live.StoreUser(user);
}

void LiveLists::SetRoomField(std::string_view room, int field, std::string value) {
  ApplicationLock lock(app_);
  LiveState& live = *LiveStateOf(app_, prefix_);
  Required(live.HasRoom(room), room);
  if (field == room_field::kOccupants) return live.SetOccupantText(room, std::move(value));
  live.SetRoomField(room, field, std::move(value));
}

LiveChat::LiveChat(Application& app, ManualClockEnv& clock)
    : clock_(clock), app_(app), lists_(app) {}

LiveChat::LiveChat(int max_talk)
    : own_clock_(std::make_unique<ManualClockEnv>(TestStartTime())),
      own_app_(std::make_unique<Application>()),
      clock_(*own_clock_),
      app_(*own_app_),
      lists_(app_) {
  VariantArray ring(0, max_talk, 0, 5);
  for (int i = 0; i <= max_talk; ++i) ring.at(i, 0) = Variant(int16_t{0});
  app_.Set("_says", Variant(std::move(ring)));
  app_.Set("_current", Variant(int16_t{0}));
  app_.Set("_chatroomclock", Variant(clock_.Now()));
  // The limits and levels, name and value in turn.
  const char* pairs[] = {
      "_nosaytimeout",     "30", "_dontsavevalue", "120", "_maxsayslength", "200",
      "_enablesaysfilter", "1",  "_saysfilterstr", "",    "_l_title",       "5",
      "_l_allhtml",        "8",  "_l_tt",          "3"};
  for (size_t i = 0; i < std::size(pairs); i += 2) app_.Set(pairs[i], Variant(pairs[i + 1]));
}

void LiveChat::AddRoom(int id, std::string_view name, std::string_view owner,
                       std::string_view robot) {
  std::vector<std::string> fields(room_field::kCount);
  fields[room_field::kName] = name;
  fields[room_field::kOwner] = owner;
  fields[room_field::kRobot] = robot;
  ApplicationLock lock(app_);
  LiveStateOf(app_, "")->AppendRoom(LiveRecord(std::to_string(id), std::move(fields)));
}

Session& LiveChat::Enter(std::string_view name, int room, int level) {
  const std::string token = "token" + std::to_string(++tokens_);
  const std::string now = clock_.Now().ToString();
  const std::string level_text = std::to_string(level);
  const std::vector<std::string> fields = {
      token, "127.0.0.1", "1", level_text, std::to_string(room),
      now,   "1010",      "0", level_text, std::to_string(NewestSayId() - 10),
      now,   now,         "",  "",         ""};
  {
    ApplicationLock lock(app_);
    LiveState& live = *LiveStateOf(app_, "");
    live.AppendUser(LiveRecord(std::string(name), fields));
    live.ChangeOccupants(std::to_string(room), LiveState::OccupantChange::kAddWord, name);
  }
  auto& session = sessions_[std::string(name)] = std::make_unique<MemorySession>();
  session->Set("myname", Variant(name));
  session->Set("mytemp", Variant(token));
  return *session;
}

std::string LiveChat::Refresh(std::string_view name, const char* sayid) {
  MemoryRequest request;
  if (sayid != nullptr) request.SetQuery("sayid", sayid);
  return NewObject()->refresh(app_, SessionOf(name), request).ToText();
}

std::string LiveChat::Say(std::string_view name, std::string_view text, std::string_view to_who,
                          const std::map<std::string, std::string>& extra) {
  MemoryRequest request;
  request.SetForm("says", std::string(text));
  request.SetForm("towho", std::string(to_who));
  request.SetForm("sayscolor", "c1");
  request.SetForm("addwordcolor", "c2");
  for (const auto& [field, value] : extra) request.SetForm(field, value);
  return NewObject()->subsay(app_, SessionOf(name), request).ToText();
}

int32_t LiveChat::NewestSayId() {
  const Variant ring = app_.Get("_says");
  return ring.array().at(app_.Get("_current").ToLong(), 0).ToLong();
}

}  // namespace tavolin::testing
