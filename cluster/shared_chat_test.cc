// Copyright Tavolin developers.
//
// Two servers over one real Redis must be one chat: a random walk whose steps
// land on either server answers exactly as one chat in process does, step by
// step, and both servers then show the same lists and ring.

#include "cluster/shared_chat.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <random>
#include <string>

#include "entry/login_throttle.h"
#include "tavolin/corvane.h"
#include "tavolin/error.h"
#include "testing/chat_test_env.h"
#include "testing/random_chat_steps.h"
#include "testing/redis_server.h"

namespace tavolin::cluster {
namespace {

using testing::ChatState;
using testing::StepTarget;

class SharedChatTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (testing::RedisCasesOff()) GTEST_SKIP() << "TAVOLIN_NO_REDIS=1";
    url_ = testing::NewRedisUrl();
  }
  std::string url_;
};

// The second server: an application of its own on the first one's database
// and clock.
struct SecondServer {
  explicit SecondServer(testing::ChatTestEnv& first) : first(first) {
    app.Set("_connstr", first.Get("_connstr"));
    // The password-guess throttles are each server's own; the two servers
    // here share the first one's, so that the walk, which guesses wrong
    // often, compares the shared state alone.
    GuessingRefusal(first.app(), "", "", 0);  // makes them
    for (const char* key : {"login name", "login address"}) {
      app.SetObject(key, first.app().GetObject(key));
    }
  }
  std::unique_ptr<Corvane> NewObject() {
    auto object = CreateObject("Tavolin.Corvane", &first.clock());
    object->SetConstStr(Variant(""));
    return object;
  }
  testing::ChatTestEnv& first;
  Application app;
};

TEST_F(SharedChatTest, StepsOnEitherServerAnswerAsOneChatInProcess) {
  for (int seed = 1; seed <= 2; ++seed) {
    RedisConnection(url_).Command({"FLUSHDB"});
    testing::ChatTestEnv alone, first;
    // The rate limits are each server's own too: off here.
    for (testing::ChatTestEnv* chat : {&alone, &first}) {
      testing::PrepareStepDatabase(*chat);
      chat->SetParam("maxsaysper10s", "0");
    }
    alone.NewObject()->InitGlobal(alone.app());
    SecondServer second(first);
    SharedChat first_shared(first.app(), "", url_), second_shared(second.app, "", url_);
    EXPECT_TRUE(first_shared.LoadOnce([&] { first.NewObject()->InitGlobal(first.app()); }));
    bool loaded_twice = false;
    EXPECT_FALSE(second_shared.LoadOnce([&] { loaded_twice = true; }));
    EXPECT_FALSE(loaded_twice);

    MemorySession alone_sessions[testing::kStepSessions], shared_sessions[testing::kStepSessions];
    const StepTarget on_alone{alone.app(), [&] { return alone.NewObject(); }, alone.clock(),
                              alone_sessions};
    const StepTarget servers[] = {
        {first.app(), [&] { return first.NewObject(); }, first.clock(), shared_sessions},
        {second.app, [&] { return second.NewObject(); }, first.clock(), shared_sessions}};
    std::mt19937 alone_random(seed), shared_random(seed), server_pick(seed * 7);
    int entered = 0;
    for (int i = 0; i < 1500; ++i) {
      const int server = static_cast<int>(server_pick() % 2);
      const std::string answer = testing::RunRandomStep(on_alone, alone_random);
      ASSERT_EQ(testing::RunRandomStep(servers[server], shared_random), answer)
          << "seed " << seed << " step " << i << " on server " << server;
      entered += answer == "0:";
      if (i % 25 == 0 || answer.starts_with("2:")) {
        const std::string state = ChatState(alone.app());
        ASSERT_EQ(ChatState(first.app()), state) << "seed " << seed << " step " << i;
        ASSERT_EQ(ChatState(second.app), state) << "seed " << seed << " step " << i;
      }
    }
    EXPECT_GT(entered, 10) << "seed " << seed;
  }
}

TEST_F(SharedChatTest, ALineWrittenOnOneServerIsNewsOnTheOther) {
  testing::ChatTestEnv first;
  SecondServer second(first);
  SharedChat first_shared(first.app(), "", url_), second_shared(second.app, "", url_);
  first_shared.LoadOnce([&] { first.NewObject()->InitGlobal(first.app()); });
  second_shared.LoadOnce([] {});
  std::mutex mutex;
  std::condition_variable heard;
  int news = 0;
  second_shared.ListenForNews([&] {
    std::lock_guard lock(mutex);
    ++news;
    heard.notify_all();
  });
  // The subscription itself is heard once: news may have been missed.
  int before = 0;
  {
    std::lock_guard lock(mutex);
    before = news;
  }
  EXPECT_EQ(before, 1);

  MemorySession visitor, listener;
  for (auto [name, session] : {std::pair{"ann", &visitor}, std::pair{"bob", &listener}}) {
    MemoryRequest login;
    login.SetForm("sUserName", name).SetForm("sPass", std::string("pw") + name);
    login.SetForm("room_id", "1");
    ASSERT_EQ(first.NewObject()->LoginCheck(first.app(), *session, login).ToText(), "");
  }
  MemoryRequest say;
  say.SetForm("says", "hello from the first").SetForm("towho", "大家").SetForm("sayscolor", "c1");
  say.SetForm("secret", "0").SetForm("istitle", "0").SetForm("addwordcolor", "c2");
  first.NewObject()->subsay(first.app(), visitor, say);

  std::unique_lock lock(mutex);
  ASSERT_TRUE(heard.wait_for(lock, std::chrono::seconds(10), [&] { return news > before; }));
  lock.unlock();
  MemoryRequest poll;
  const std::string answer = second.NewObject()->refresh(second.app, listener, poll).ToText();
  EXPECT_NE(answer.find("hello from the first"), std::string::npos) << answer;
}

TEST_F(SharedChatTest, AChatRedisLostIsStoredAgainFromAServersCopy) {
  testing::ChatTestEnv first;
  SecondServer second(first);
  SharedChat first_shared(first.app(), "", url_), second_shared(second.app, "", url_);
  first_shared.LoadOnce([&] { first.NewObject()->InitGlobal(first.app()); });
  second_shared.LoadOnce([] {});
  MemorySession visitor;
  MemoryRequest login, say;
  login.SetForm("sUserName", "ann").SetForm("sPass", "pwann").SetForm("room_id", "1");
  ASSERT_EQ(first.NewObject()->LoginCheck(first.app(), visitor, login).ToText(), "");
  say.SetForm("says", "kept").SetForm("towho", "大家").SetForm("sayscolor", "c1");
  first.NewObject()->subsay(first.app(), visitor, say);
  const std::string before = ChatState(first.app());
  ASSERT_EQ(ChatState(second.app), before);

  // Redis restarts without its data: the next step of either server finds
  // the chat as it was, and a server starting now joins it, loading nothing.
  RedisConnection(url_).Command({"FLUSHDB"});
  EXPECT_EQ(ChatState(second.app), before);
  EXPECT_EQ(ChatState(first.app()), before);
  Application third;
  third.Set("_connstr", first.Get("_connstr"));
  SharedChat third_shared(third, "", url_);
  bool loaded = false;
  EXPECT_FALSE(third_shared.LoadOnce([&] { loaded = true; }));
  EXPECT_FALSE(loaded);
  EXPECT_EQ(ChatState(third), before);
}

TEST_F(SharedChatTest, ALockHeldByADeadServerHoldsOthersUpForItsLeaseOnly) {
  testing::ChatTestEnv first;
  SharedStateHome::Options options;
  options.longest_wait = std::chrono::milliseconds(300);
  SharedChat shared(first.app(), "", url_, options);
  shared.LoadOnce([&] { first.NewObject()->InitGlobal(first.app()); });

  RedisConnection other(url_);
  // A server that took the lock and died: a lease longer than the wait is
  // refused, and the lock is not left taken here.
  other.Command({"SET", "{tavolin:}:lock", "dead", "PX", "5000"});
  EXPECT_THROW(ApplicationLock lock(first.app()), CallError);
  // One shorter than the wait ends, and the next lock goes through.
  other.Command({"SET", "{tavolin:}:lock", "dead", "PX", "100"});
  ApplicationLock lock(first.app());
  EXPECT_FALSE(LiveStateOf(first.app(), "")->RoomKeys().empty());
}

}  // namespace
}  // namespace tavolin::cluster
