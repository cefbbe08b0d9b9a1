// Copyright Tavolin developers.

#include "testing/random_chat_steps.h"

#include <string>
#include <vector>

#include "component/live_state.h"
#include "conversation/visits.h"
#include "tavolin/error.h"
#include "tavolin/request.h"
#include "testing/live_chat.h"

namespace tavolin::testing {

namespace {

// Names that are prefixes and suffixes of each other, Chinese ones, a room key, the robot's.
const std::vector<std::string> kNames = {"ann",    "anna", "nn",   "an_n",   "张三",
                                         "张三丰", "12",   "1212", "小精灵", "bob"};
const std::vector<std::string> kRooms = {"1", "2", "3", "5", "12", "99", "", "01"};
const std::vector<std::string> kTexts = {
    "hello",    "",         "#<b>bold</b>", "/hi",          "/smile", "/nosuch",  "a<b c",
    "$>x<$1$>", "fuck you", "what time",    "[img]x[/img]", "你好",   "'quoted'", "back\\sl"};
// Step kinds, the common ones more than once; see RunRandomStep.
const std::vector<int> kKinds = {0, 0, 0, 1, 1, 1, 1, 1, 2, 2, 2, 2,
                                 2, 3, 3, 4, 5, 6, 7, 8, 8, 9, 10};

}  // namespace

// Draws one step from `random` and runs it in `world`: its kind, then the answer or error code.
std::string RunRandomStep(const StepTarget& target, std::mt19937& random) {
  const auto pick = [&](const auto& options) { return options[random() % options.size()]; };
  const auto chance = [&](unsigned percent) { return random() % 100 < percent; };
  const int kind = pick(kKinds);
  // Logins spread over more sessions than the others, so a name logs in again from another browser.
  const int session = static_cast<int>(random() % (kind == 0 ? kStepSessions : 8));
  const std::string name = pick(kNames), room = pick(kRooms);
  const std::string text = kind == 0 ? (chance(10) ? "wrong" : "") : pick(kTexts);
  const std::string to_who = chance(40) ? "大家" : chance(20) ? "小精灵" : pick(kNames);
  const bool secret = chance(30), title = chance(10);
  const std::string sayid = chance(60) ? "" : chance(90) ? std::to_string(random() % 60) : "x";
  // Mostly seconds, sometimes past the idle limits and the silent-browser time.
  const int seconds = chance(10) ? 3000 : static_cast<int>(1 + random() % 90);

  Application& app = target.app;
  MemorySession& visitor = target.sessions[session];
  auto object = target.new_object();
  MemoryRequest request;
  Variant real_run(1);
  const std::string kind_text = std::to_string(kind) + ":";
  try {
    switch (kind) {
      case 0:  // a login; a session that holds a name logs in again
        request.SetForm("sUserName", name).SetForm("sPass", text.empty() ? "pw" + name : text);
        request.SetForm("room_id", room).SetForm("bSex", secret ? "1" : "0");
        request.SetServerVariable("REMOTE_ADDR", "10.0.0." + std::to_string(session));
        return kind_text + object->LoginCheck(app, visitor, request).ToText();
      case 1:
        if (!sayid.empty()) request.SetQuery("sayid", sayid);
        return kind_text + object->refresh(app, visitor, request).ToText();
      case 2:
        request.SetForm("says", text).SetForm("towho", to_who).SetForm("sayscolor", "c1");
        request.SetForm("secret", secret ? "1" : "0").SetForm("istitle", title ? "1" : "0");
        request.SetForm("addwordcolor", "c2");
        if (!sayid.empty()) request.SetForm("id", sayid);
        return kind_text + object->subsay(app, visitor, request).ToText();
      case 3:  // a room change, refused ones included
        request.SetForm("toroom", room);
        return kind_text + object->ChangeRoom(app, visitor, request).ToText();
      case 4:
        return kind_text + object->InitSayList(app, visitor).ToText();
      case 5:
        return kind_text + object->ChatFrame(app, visitor, request).ToText();
      case 6:
        return kind_text + (EndVisit(*object, app, visitor) ? "left" : "not in");
      case 7:
        return kind_text +
               std::to_string(EndSilentVisits(*object, app, target.clock.Now(), seconds));
      case 8:
        return target.clock.Advance(seconds), kind_text;
      case 9:
        return kind_text + object->RoomUpdate(app, real_run).ToText();
      default: {  // the page methods that take the lists as texts
        LiveLists lists(app);
        Variant users(lists.Users()), rooms(lists.Rooms());
        return kind_text + object->getLevel(visitor, users, rooms).ToText() +
               object->MyName().ToText();
      }
    }
  } catch (const CallError& error) {
    return kind_text + "error " + std::to_string(static_cast<int>(error.code()));
  }
}

void PrepareStepDatabase(ChatTestEnv& chat) {
  // Room times fixed, so that every database holds the same rows.
  chat.Exec("UPDATE room SET room_time='2026-03-04 09:00:00', build_time='2026-03-01 09:00:00'");
  chat.Exec(
      "INSERT INTO room (ID, room_name, room_owner, room_auto, room_des, room_top, room_title, "
      "room_keep, room_time, room_tt, room_html, room_exp, build_time, permit_level, door_open) "
      "VALUES (12, 'twelve', 'ann', 'bob', 'd', 't', 'x', 0, '2026-03-02 09:00:00', '0', '0', 0, "
      "'2026-03-01 09:00:00', 0, 0)");
  chat.SetParam("maxtalk", "40");
  chat.SetParam("maxpeople", "8");
  chat.Exec("INSERT INTO autoact (text_body) VALUES ('no time'), ('late')");
}

std::string ChatState(Application& app) {
  LiveLists lists(app);
  std::string state = lists.Users() + "\n" + lists.Rooms() + "\n";
  ApplicationLock lock(app);
  const auto [says, current] = LiveStateOf(app, "")->ReadRing();
  const VariantArray& ring = says.array();
  for (int cell = 0; cell < (ring.upper_bound(1) + 1) * 6; ++cell) {
    state += ring.at(cell / 6, cell % 6).ToText() + "|";
  }
  return state + current.ToText();
}

}  // namespace tavolin::testing
