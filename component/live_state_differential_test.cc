// Copyright Tavolin developers.
//
// The keyed live state must change nothing a visitor or a page can see: two
// chats on identical databases run the same long random sequence of logins,
// re-entries, polls, posts, room changes, leaves, idle closes, user-check
// sweeps and room housekeeping, one keyed, one keeping the two list texts;
// every answer and the lists and ring after every step must be the same.
// TAVOLIN_DIFFERENTIAL_STEPS and TAVOLIN_DIFFERENTIAL_SEEDS make it longer.

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "component/list_text_live_state.h"
#include "component/live_state.h"
#include "conversation/visits.h"
#include "tavolin/error.h"
#include "tavolin/request.h"
#include "tavolin/session.h"
#include "testing/chat_test_env.h"

namespace tavolin {
namespace {

// Names that collide: prefixes and suffixes of each other, Chinese ones, one
// that is a room key, one that is the robot's.
const std::vector<std::string> kNames = {"ann",    "anna", "nn",   "an_n",   "张三",
                                         "张三丰", "12",   "1212", "小精灵", "bob"};
const std::vector<std::string> kRooms = {"1", "2", "3", "5", "12", "99", "", "01"};
const std::vector<std::string> kTexts = {"hello",
                                         "",
                                         "#<b>bold</b> script",
                                         "/hi",
                                         "/smile",
                                         "/nosuch",
                                         "a<b c",
                                         "$>x<$1$>",
                                         "fuck you",
                                         "what time",
                                         "[img]x[/img]",
                                         "你好",
                                         "'quoted'",
                                         "back\\sl"};

int EnvNumber(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::atoi(value) : fallback;
}

// One of the two chats.
class World {
 public:
  // `list_texts`: the live state kept as the list texts, else keyed.
  explicit World(bool list_texts) {
    // Room times fixed, so that both databases hold the same rows.
    chat_.Exec("UPDATE room SET room_time='2026-03-04 09:00:00', build_time='2026-03-01 09:00:00'");
    chat_.Exec(
        "INSERT INTO room (ID, room_name, room_owner, room_auto, room_des, room_top, room_title, "
        "room_keep, room_time, room_tt, room_html, room_exp, build_time, permit_level, door_open) "
        "VALUES (12, 'twelve', 'ann', 'bob', 'd', 't', 'x', 0, '2026-03-02 09:00:00', '0', '0', 0, "
        "'2026-03-01 09:00:00', 0, 0)");
    chat_.SetParam("maxtalk", "40");
    chat_.SetParam("maxpeople", "8");
    chat_.Exec("INSERT INTO autoact (text_body) VALUES ('no time'), ('late')");
    if (list_texts) {
      UseLiveState(chat_.app(), "", std::make_shared<ListTextLiveState>(&chat_.app(), ""));
    }
    chat_.NewObject()->InitGlobal(chat_.app());
  }

  testing::ChatTestEnv& chat() { return chat_; }
  MemorySession& session(int index) {
    while (static_cast<int>(sessions_.size()) <= index) {
      sessions_.push_back(std::make_unique<MemorySession>());
    }
    return *sessions_[static_cast<size_t>(index)];
  }

  // What the chat shows after a step: the lists and the ring.
  std::string State() {
    std::string state = chat_.lists().Users() + "\n" + chat_.lists().Rooms() + "\n";
    const Variant ring = chat_.Get("_says");
    for (int slot = 0; slot <= ring.array().upper_bound(1); ++slot) {
      for (int column = 0; column <= 5; ++column)
        state += ring.array().at(slot, column).ToText() + "|";
    }
    return state + chat_.Get("_current").ToText();
  }

 private:
  testing::ChatTestEnv chat_;
  std::vector<std::unique_ptr<MemorySession>> sessions_;
};

// The answer of a call, or the kind of its failure.
template <typename Call>
std::string Outcome(Call call) {
  try {
    return call();
  } catch (const CallError& error) {
    return "error " + std::to_string(static_cast<int>(error.code()));
  }
}

// One random step, the same in both worlds.
struct Step {
  int kind = 0;
  int session = 0;
  std::string name, room, text, to_who, sayid;
  bool secret = false, title = false;
  int64_t seconds = 0;

  std::string Run(World& world) const {
    testing::ChatTestEnv& chat = world.chat();
    MemorySession& visitor = world.session(session);
    auto object = chat.NewObject();
    MemoryRequest request;
    switch (kind) {
      case 0: {  // a login; a session that holds a name logs in again
        request.SetForm("sUserName", name).SetForm("sPass", text.empty() ? "pw" + name : text);
        request.SetForm("room_id", room).SetForm("bSex", secret ? "1" : "0");
        request.SetServerVariable("REMOTE_ADDR", "10.0.0." + std::to_string(session));
        return Outcome([&] { return object->LoginCheck(chat.app(), visitor, request).ToText(); });
      }
      case 1:  // a poll
        if (!sayid.empty()) request.SetQuery("sayid", sayid);
        return Outcome([&] { return object->refresh(chat.app(), visitor, request).ToText(); });
      case 2:  // a post
        request.SetForm("says", text).SetForm("towho", to_who).SetForm("sayscolor", "c1");
        request.SetForm("secret", secret ? "1" : "0").SetForm("istitle", title ? "1" : "0");
        request.SetForm("addwordcolor", "c2");
        if (!sayid.empty()) request.SetForm("id", sayid);
        return Outcome([&] { return object->subsay(chat.app(), visitor, request).ToText(); });
      case 3:  // a room change, refused ones included
        request.SetForm("toroom", room);
        return Outcome([&] { return object->ChangeRoom(chat.app(), visitor, request).ToText(); });
      case 4:
        return Outcome([&] { return object->InitSayList(chat.app(), visitor).ToText(); });
      case 5:
        return Outcome([&] { return object->ChatFrame(chat.app(), visitor, request).ToText(); });
      case 6:  // leaving by the close page
        return EndVisit(*object, chat.app(), visitor) ? "left" : "not in";
      case 7:  // the user check that drops silent browsers
        return std::to_string(EndSilentVisits(*object, chat.app(), chat.clock().Now(), seconds));
      case 8:  // the clock moves on
        chat.clock().Advance(seconds);
        return "";
      case 9: {  // room keep and expiry
        Variant run(1);
        return Outcome([&] { return object->RoomUpdate(chat.app(), run).ToText(); });
      }
      default: {  // the page methods that take the lists as texts
        Variant users(chat.lists().Users()), rooms(chat.lists().Rooms());
        return object->getLevel(visitor, users, rooms).ToText() + object->MyName().ToText();
      }
    }
  }
};

Step RandomStep(std::mt19937& random) {
  const auto pick = [&](const auto& options) {
    return options[std::uniform_int_distribution<size_t>(0, options.size() - 1)(random)];
  };
  const auto chance = [&](int percent) {
    return std::uniform_int_distribution<int>(0, 99)(random) < percent;
  };
  static const std::vector<int> kKinds = {0, 0, 0, 1, 1, 1, 1, 1, 2, 2, 2, 2,
                                          2, 3, 3, 4, 5, 6, 7, 8, 8, 9, 10};
  Step step;
  step.kind = pick(kKinds);
  // Logins spread over more sessions than the others use, so that a name
  // also logs in again from a second browser.
  step.session = std::uniform_int_distribution<int>(0, step.kind == 0 ? 11 : 7)(random);
  step.name = pick(kNames);
  step.room = pick(kRooms);
  step.text = step.kind == 0 ? (chance(10) ? "wrong" : "") : pick(kTexts);
  step.to_who = chance(40) ? "大家" : chance(20) ? "小精灵" : pick(kNames);
  step.secret = chance(30);
  step.title = chance(10);
  step.sayid = chance(60) ? "" : chance(90) ? std::to_string(random() % 60) : "x";
  // Mostly seconds, sometimes past the idle limits and the silent-browser time.
  step.seconds = chance(10) ? 3000 : std::uniform_int_distribution<int>(1, 90)(random);
  return step;
}

TEST(LiveStateDifferentialTest, KeyedAndListTextChatsAnswerAlike) {
  const int steps = EnvNumber("TAVOLIN_DIFFERENTIAL_STEPS", 1500);
  const int seeds = EnvNumber("TAVOLIN_DIFFERENTIAL_SEEDS", 3);
  for (int seed = 1; seed <= seeds; ++seed) {
    World keyed(false);
    World listed(true);
    ASSERT_NE(dynamic_cast<ListTextLiveState*>(LiveStateOf(listed.chat().app(), "").get()),
              nullptr);
    std::mt19937 random(static_cast<unsigned>(seed));
    int logins = 0, entered = 0;
    for (int i = 0; i < steps; ++i) {
      const Step step = RandomStep(random);
      const std::string answer = step.Run(keyed);
      ASSERT_EQ(answer, step.Run(listed))
          << "seed " << seed << " step " << i << " kind " << step.kind;
      ASSERT_EQ(keyed.State(), listed.State()) << "seed " << seed << " step " << i;
      if (step.kind == 0) {
        ++logins;
        entered += answer.empty() ? 1 : 0;
      }
    }
    // The sequence must reach the chat, not only its refusals.
    EXPECT_GT(entered, logins / 5) << "seed " << seed;
  }
}

}  // namespace
}  // namespace tavolin
