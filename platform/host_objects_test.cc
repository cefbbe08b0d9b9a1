// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
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
  application.Set("\xC4\xE3", 1);  // only ASCII letters fold: other bytes must match exactly
  EXPECT_EQ(application.Get("chat_user_list").ToText() + session.Get("myNAME").ToText() + "|" +
                application.Get("chat_user_lis").ToText() + application.Get("\xE4\xE3").ToText(),
            "7alice|");
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
  std::string items = request.SetCookie("Name", "cookie").Item("NAME").ToText() + "|";
  items += request.SetForm("NAME", "form").Item("name").ToText() + "|";
  // An empty field is still present, and it hides later collections.
  items += request.SetQuery("nAmE", "").Item("name").ToText() + "|";
  items += request.Item("remote_addr").ToText() + "|" + request.Item("missing").ToText();
  // Form and ServerVariable read one collection each; a later field wins.
  request.SetQuery("says", "q").SetCookie("says", "c").SetServerVariable("HTTP_VIA", "proxy");
  items += "|" + request.Form("says").ToText() + request.ServerVariable("says").ToText() + "|";
  request.SetForm("Says", "first").SetForm("SAYS", "second");
  items += request.Form("says").ToText() + request.ServerVariable("http_via").ToText();
  EXPECT_EQ(items, "cookie|form||10.0.0.1|||secondproxy");
  EXPECT_TRUE(request.Item("missing").is_empty());
}

TEST(HostObjectsTest, DefaultEnvIsOneLocalClockTimerAndGenerator) {
  Env* env = Env::Default();
  EXPECT_TRUE(env == Env::Default() && &env->Random() == &Env::Default()->Random());
  const DateTime now = env->Now();
  EXPECT_GE(now.year(), 2020);
  // The timer counts the same local day's seconds as the clock.
  const double since_midnight = now.hour() * 3600 + now.minute() * 60 + now.second();
  EXPECT_LT(std::fmod(env->Timer() - since_midnight + 86400, 86400), 5);
}

// Each draw with its argument, as the generator's 24-bit state it came from (exact in a float).
std::string Draws(LegacyRandom& random, const std::vector<float>& arguments) {
  std::string drawn;
  for (float argument : arguments) {
    char bits[16];
    std::snprintf(bits, sizeof bits, "%X ",
                  static_cast<uint32_t>(random.Draw(argument) * 16777216.0F));
    drawn += bits;
  }
  return drawn;
}

TEST(HostObjectsTest, LegacyRandomSequencesAndSeedsMatchTheClassicPlatform) {
  LegacyRandom random, fresh, seeded, other;
  // Draw(0) repeats the last number; any positive argument advances.
  EXPECT_EQ(Draws(random, {0, 1, 1, 1, 5}), "50000 B49EC3 888E7A 945B55 4A20C4 ");
  for (int i = 0; i < 100000; ++i) {
    const float r = random.Draw();
    ASSERT_LT(r, 1.0F);
    ASSERT_EQ(random.Draw(0), r);
  }
  // A negative argument restarts from its bit pattern, whatever came before.
  EXPECT_EQ(Draws(random, {-1, 1, 1, 1}), Draws(fresh, {-1, 1, 1, 1}));
  EXPECT_EQ(Draws(fresh, {-1, -7.5F}), "395886 E69C83 ");
  // A seed replaces the middle bits only: 1.0 has the upper word 0x3FF00000, hashed to
  // (0x0000 ^ 0x3FF0) << 8; the low byte of 0x50000 is 0. 2.5 is 0x40040000: hash 0x400400.
  seeded.Seed(1.0);
  EXPECT_EQ(Draws(seeded, {0, 1, -1}), "3FF000 C3CEC3 395886 ");
  seeded.Seed(2.5);
  other.Seed(2.5);
  EXPECT_EQ(Draws(seeded, {0, 1}) + Draws(other, {0}), "400486 A52931 400400 ");
}

// Seeds of the same instant still give new numbers; the same seeds give the same sequence.
TEST(HostObjectsTest, SharedRandomKeepsItsStateAcrossSeedsOfTheSameInstant) {
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
  later.Randomize(36000.5);  // the seed is the clock: half a second later another sequence
  EXPECT_NE(later.Draw(), drawn[0]);
}

}  // namespace
}  // namespace tavolin
