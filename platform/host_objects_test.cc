// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

#include "tavolin/application.h"
#include "tavolin/env.h"
#include "tavolin/random.h"
#include "tavolin/request.h"
#include "tavolin/session.h"
#include "tavolin/shared_random.h"

namespace tavolin {
namespace {

TEST(HostObjectsTest, KeysIgnoreAsciiCaseOnlyAndReadsShareNoChanges) {
  Application application;
  MemorySession session;
  application.Set("Chat_User_List", "<$a$>");
  session.Set("MyName", "alice");
  application.Set("CHAT_user_list", 7);
  EXPECT_EQ(application.Get("chat_user_list").ToLong(), 7);
  EXPECT_EQ(session.Get("myNAME").view(), "alice");
  EXPECT_TRUE(application.Get("chat_user_lis").is_empty());
  // Only ASCII letters fold: other bytes must match exactly.
  application.Set("\xC4\xE3", 1);
  EXPECT_TRUE(application.Get("\xE4\xE3").is_empty());

  // Changing a read value leaves the stored one as it was.
  application.Set("_says", VariantArray(0, 3, 0, 5));
  Variant says = application.Get("_says");
  says.mutable_array().at(0, 0) = "changed";
  EXPECT_TRUE(application.Get("_says").array().at(0, 0).is_empty());
}

TEST(HostObjectsTest, LockedReadChangeWriteLosesNoUpdate) {
  Application application;
  application.Set("_counter", 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&application, t] {
      for (int i = 0; i < 2000; ++i) {
        if (t % 2 == 0) {
          ApplicationLock lock(application);
          application.Set("_counter", application.Get("_COUNTER").ToLong() + 1);
        } else {
          application.Lock();
          application.Set("_Counter", application.Get("_counter").ToLong() + 1);
          application.Unlock();
        }
        application.Get("_other");  // unlocked readers run alongside
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(application.Get("_counter").ToLong(), 8000);
}

TEST(HostObjectsTest, RequestItemSearchesQueryFormCookieThenServer) {
  MemoryRequest request;
  request.SetServerVariable("REMOTE_ADDR", "10.0.0.1").SetServerVariable("name", "server");
  EXPECT_EQ(request.SetCookie("Name", "cookie").Item("NAME").view(), "cookie");
  EXPECT_EQ(request.SetForm("NAME", "form").Item("name").view(), "form");
  // An empty field is still present, and it hides later collections.
  EXPECT_EQ(request.SetQuery("nAmE", "").Item("name").view(), "");
  EXPECT_EQ(request.Item("remote_addr").view(), "10.0.0.1");
  EXPECT_TRUE(request.Item("missing").is_empty());

  // Form and ServerVariable read one collection each; a later field wins.
  request.SetQuery("says", "q").SetCookie("says", "c").SetServerVariable("HTTP_VIA", "proxy");
  EXPECT_TRUE(request.Form("says").is_empty() && request.ServerVariable("says").is_empty());
  request.SetForm("Says", "first").SetForm("SAYS", "second");
  EXPECT_EQ(request.Form("says").ToText() + request.ServerVariable("http_via").ToText(),
            "secondproxy");
}

TEST(HostObjectsTest, DefaultEnvIsOneLocalClockTimerAndGenerator) {
  Env* env = Env::Default();
  EXPECT_EQ(env, Env::Default());
  EXPECT_EQ(&env->Random(), &Env::Default()->Random());
  const DateTime now = env->Now();
  EXPECT_GE(now.year(), 2020);
  // The timer counts the same local day's seconds as the clock.
  const double since_midnight = now.hour() * 3600 + now.minute() * 60 + now.second();
  EXPECT_LT(std::fmod(env->Timer() - since_midnight + 86400, 86400), 5);
}

// A draw as the generator's 24-bit state it came from (exact in a float).
uint32_t Bits(float draw) { return static_cast<uint32_t>(draw * 16777216.0F); }

TEST(LegacyRandomTest, SequencesAndSeedsMatchTheClassicPlatform) {
  LegacyRandom random, fresh, seeded, other;
  EXPECT_EQ(Bits(random.Draw(0)), 0x50000U);  // Draw(0) repeats the last number
  // The first numbers after start-up; any positive argument advances.
  EXPECT_EQ(Bits(random.Draw()), 0xB49EC3U);
  EXPECT_FLOAT_EQ(random.Draw(), 0.533424F);
  EXPECT_FLOAT_EQ(random.Draw(), 0.5795186F);
  EXPECT_FLOAT_EQ(random.Draw(5.0F), 0.2895625F);
  for (int i = 0; i < 100000; ++i) {
    const float r = random.Draw();
    ASSERT_LT(r, 1.0F);
    ASSERT_EQ(random.Draw(0), r);
  }
  // A negative argument restarts from its bit pattern, whatever came before.
  EXPECT_FLOAT_EQ(fresh.Draw(-1.0F), 0.224007F);
  EXPECT_EQ(random.Draw(-1.0F), fresh.Draw(-1.0F));
  for (int i = 0; i < 10; ++i) EXPECT_EQ(random.Draw(), fresh.Draw());
  EXPECT_FLOAT_EQ(fresh.Draw(-7.5F), 0.90082568F);

  // A seed replaces the middle bits only: 1.0 has the upper word 0x3FF00000,
  // hashed to (0x0000 ^ 0x3FF0) << 8; the low byte of 0x50000 is 0.
  seeded.Seed(1.0);
  EXPECT_EQ(Bits(seeded.Draw(0)), 0x3FF000U);
  EXPECT_EQ(Bits(seeded.Draw()), 0xC3CEC3U);
  ASSERT_EQ(Bits(seeded.Draw(-1.0F)), 0x395886U);
  seeded.Seed(2.5);  // upper word 0x40040000: hash 0x400400
  EXPECT_EQ(Bits(seeded.Draw(0)), 0x400486U);
  EXPECT_EQ(Bits(seeded.Draw()), 0xA52931U);
  other.Seed(2.5);
  EXPECT_EQ(Bits(other.Draw(0)), 0x400400U);
}

// Seeds taken in the same instant still give new numbers, since the state
// carries on; the same seeds on a fresh generator give the same sequence.
TEST(SharedRandomTest, KeepsItsStateAcrossSeedsOfTheSameInstant) {
  const auto draws = [](SharedRandom& random) {
    std::vector<float> drawn;
    for (double timer : {36000.0, 36000.0, 36000.0, 36000.5, 36000.5}) {
      random.Randomize(timer);
      drawn.push_back(random.Draw());
    }
    return drawn;
  };
  SharedRandom first, second, later;
  const std::vector<float> drawn = draws(first);
  for (size_t i = 1; i < drawn.size(); ++i) EXPECT_NE(drawn[i], drawn[i - 1]) << i;
  EXPECT_EQ(draws(second), drawn);
  // The seed is the clock: half a second later another sequence starts.
  later.Randomize(36000.5);
  EXPECT_NE(later.Draw(), drawn[0]);
}

}  // namespace
}  // namespace tavolin
