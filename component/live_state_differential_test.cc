// Copyright Tavolin developers.
//
// The keyed live state must change nothing a visitor or a page can see: two chats, one keyed, one
// keeping the two list texts, run the same long random sequence of steps and must give the same
// answers, lists and ring after every step. TAVOLIN_DIFFERENTIAL_STEPS and _SEEDS make it longer.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "component/list_text_live_state.h"
#include "component/live_state.h"
#include "testing/chat_test_env.h"
#include "testing/random_chat_steps.h"

namespace tavolin {
namespace {

using testing::ChatState;

int EnvNumber(const char* name, int fallback) {
  return std::getenv(name) != nullptr ? std::atoi(std::getenv(name)) : fallback;
}

// One of the two chats, keyed or keeping the list texts, with its visitors' sessions.
struct World {
  explicit World(bool list_texts) {
    testing::PrepareStepDatabase(chat);
    if (list_texts) {
      UseLiveState(chat.app(), "", std::make_shared<ListTextLiveState>(&chat.app(), ""));
    }
    chat.NewObject()->InitGlobal(chat.app());
  }
  testing::StepTarget target() {
    return {chat.app(), [this] { return chat.NewObject(); }, chat.clock(), sessions};
  }

  testing::ChatTestEnv chat;
  MemorySession sessions[testing::kStepSessions];
};

TEST(LiveStateDifferentialTest, KeyedAndListTextChatsAnswerAlike) {
  const int steps = EnvNumber("TAVOLIN_DIFFERENTIAL_STEPS", 1500);
  for (int seed = 1; seed <= EnvNumber("TAVOLIN_DIFFERENTIAL_SEEDS", 3); ++seed) {
    World keyed(false), listed(true);
    ASSERT_NE(dynamic_cast<ListTextLiveState*>(LiveStateOf(listed.chat.app(), "").get()), nullptr);
    std::mt19937 keyed_random(seed), listed_random(seed);
    int logins = 0, entered = 0;
    for (int i = 0; i < steps; ++i) {
      const std::string answer = testing::RunRandomStep(keyed.target(), keyed_random);
      ASSERT_EQ(answer, testing::RunRandomStep(listed.target(), listed_random))
          << "seed " << seed << " step " << i;
      ASSERT_EQ(ChatState(keyed.chat.app()), ChatState(listed.chat.app()))
          << "seed " << seed << " step " << i;
      logins += answer.starts_with("0:");
      entered += answer == "0:";
    }
    // The sequence must reach the chat, not only its refusals.
    EXPECT_GT(entered, logins / 5) << "seed " << seed;
  }
}

}  // namespace
}  // namespace tavolin
