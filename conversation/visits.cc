// Copyright Tavolin developers.

#include "conversation/visits.h"

#include <string>
#include <vector>

#include "component/list_record.h"
#include "component/page_text.h"
#include "text/strings.h"

namespace tavolin {

namespace {

// The live values a leave changes, read and written together under the lock.
struct LiveValues {
  Application& application;
  std::string prefix;
  std::string users;
  std::string rooms;
  Variant says;
  Variant current;

  LiveValues(Application& app, std::string key_prefix)
      : application(app),
        prefix(std::move(key_prefix)),
        users(app.Get(prefix + "_user_list").ToText()),
        rooms(app.Get(prefix + "_room_list").ToText()),
        says(app.Get(prefix + "_says")),
        current(app.Get(prefix + "_current")) {}

  void Store() {
    application.Set(prefix + "_room_list", Variant(rooms));
    application.Set(prefix + "_says", says);
    application.Set(prefix + "_current", current);
    application.Set(prefix + "_user_list", Variant(users));
  }
};

// Takes `name` out of the user list and its room, and tells the room.
void Leave(Corvane& object, LiveValues& live, const std::string& name, const std::string& room) {
  live.users = RemoveRecord(live.users, name);
  if (!HasRecord(live.rooms, room)) return;
  ListRecord record(live.rooms, room);
  record.set_field(room_field::kOccupants, RemoveWord(record.field(room_field::kOccupants), name));
  live.rooms = record.Join();

  // The room's leave notice: the configured words, then the script that
  // removes the name from every user list in the room.
  const std::string templ = live.application.Get(live.prefix + "_exitroomshow").ToText();
  std::vector<std::string_view> parts = text::Split(templ, "::");
  parts.resize(3);
  Variant who(name), to_who(page::kEverybody), secret(int16_t{0}), room_id(room),
      mess(std::string(parts[0]) + "<\\script>parent.dell(\\'" + name + "\\')</\\script>"),
      c1(parts[1]), c2(parts[2]), act(-3);
  object.Newsay(who, to_who, secret, room_id, mess, c1, c2, act, live.says, live.current);
}

}  // namespace

bool EndVisit(Corvane& object, Application& application, Session& session) {
  ApplicationLock lock(application);
  LiveValues live(application, object.ConstStr().ToText());
  Variant users(live.users), rooms(live.rooms);
  if (object.getLevel(session, users, rooms).ToLong() == 0) return false;
  Leave(object, live, object.MyName().ToText(), object.room_id().ToText());
  live.Store();
  return true;
}

int EndSilentVisits(Corvane& object, Application& application, DateTime now,
                    int64_t silent_seconds) {
  ApplicationLock lock(application);
  LiveValues live(application, object.ConstStr().ToText());
  int ended = 0;
  for (const std::string& name : RecordKeys(live.users)) {
    const ListRecord record(live.users, name);
    const Variant last_poll(record.field(user_field::kLastPoll));
    if (last_poll.IsDate() && DateDiff("s", last_poll.ToDate(), now) <= silent_seconds) continue;
    Leave(object, live, name, record.field(user_field::kRoom));
    ++ended;
  }
  if (ended > 0) live.Store();
  return ended;
}

}  // namespace tavolin
