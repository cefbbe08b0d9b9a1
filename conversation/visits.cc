// Copyright Tavolin developers.

#include "conversation/visits.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "component/list_record.h"
#include "component/live_state.h"
#include "component/page_text.h"
#include "text/strings.h"

namespace tavolin {

namespace {

// The live values a leave changes, read and written together under the lock.
struct LiveValues {
  Application& application;
  std::string prefix;
  LiveState& live;
  RingChange ring;

  LiveValues(Application& app, std::string key_prefix)
      : application(app),
        prefix(std::move(key_prefix)),
        live(*LiveStateOf(app, prefix)),
        ring(live) {}
};

// What the room is told when a visitor leaves the chat ("##" stands for the
// name); the colours are those of the room's leave notice.
constexpr std::string_view kLeftTheChat = "##离开了聊天室。";

// Takes `name` out of the user list and its room, and tells the room.
void Leave(Corvane& object, LiveValues& values, const std::string& name, const std::string& room) {
  values.live.RemoveUser(name);
  if (!values.live.HasRoom(room)) return;
  values.live.ChangeOccupants(room, LiveState::OccupantChange::kRemoveWord, name);

  // The leave words, then the script that removes the name from every user
  // list in the room.
  const std::string templ = values.application.Get(values.prefix + "_exitroomshow").ToText();
  std::vector<std::string_view> parts = text::Split(templ, "::");
  parts.resize(3);
  Variant who(name), to_who(page::kEverybody), secret(int16_t{0}), room_id(room),
      mess(std::string(kLeftTheChat) + "<\\script>parent.dell(\\'" + name + "\\')</\\script>"),
      c1(parts[1]), c2(parts[2]), act(-3);
  object.Newsay(who, to_who, secret, room_id, mess, c1, c2, act, values.ring.says(),
                values.ring.current());
}

}  // namespace

bool EndVisit(Corvane& object, Application& application, Session& session) {
  ApplicationLock lock(application);
  LiveValues values(application, object.ConstStr().ToText());
  if (object.CheckVisitor(session, values.live) == 0) return false;
  Leave(object, values, object.MyName().ToText(), object.room_id().ToText());
  return true;
}

bool EndVisitOf(Corvane& object, Application& application, std::string_view name,
                std::string_view token) {
  ApplicationLock lock(application);
  LiveValues values(application, object.ConstStr().ToText());
  const std::optional<LiveRecord> user = values.live.FindUser(name);
  if (!user || user->field(user_field::kToken) != token) return false;
  Leave(object, values, user->key(), user->field(user_field::kRoom));
  return true;
}

int EndSilentVisits(Corvane& object, Application& application, DateTime now,
                    int64_t silent_seconds) {
  ApplicationLock lock(application);
  LiveValues values(application, object.ConstStr().ToText());
  // The silent are found first and leave after the walk, which must not
  // change the list it walks.
  std::vector<std::pair<std::string, std::string>> silent;  // name and room
  values.live.VisitUsers([&](const std::string& name, const std::vector<std::string>& fields) {
    const Variant last_poll(FieldOf(fields, user_field::kLastPoll, name));
    if (last_poll.IsDate() && DateDiff("s", last_poll.ToDate(), now) <= silent_seconds) return;
    silent.emplace_back(name, FieldOf(fields, user_field::kRoom, name));
  });
  const int ended = static_cast<int>(silent.size());
  for (const auto& [name, room] : silent) Leave(object, values, name, room);
  return ended;
}

}  // namespace tavolin
