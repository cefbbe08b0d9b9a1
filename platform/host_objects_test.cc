// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "tavolin/application.h"
#include "tavolin/env.h"
#include "tavolin/request.h"
#include "tavolin/session.h"

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

  // A read shares the stored array; changing the read value leaves it as it was.
  application.Set("_says", VariantArray(0, 3, 0, 5));
  Variant says = application.Get("_says");
  EXPECT_EQ(&says.array(), &application.Get("_says").array());
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
  EXPECT_TRUE(request.Item("name").is_string());
  EXPECT_EQ(request.Item("remote_addr").view(), "10.0.0.1");
  EXPECT_TRUE(request.Item("missing").is_empty());

  // Form and ServerVariable read one collection each; a later field wins.
  request.SetQuery("says", "q").SetCookie("says", "c").SetServerVariable("HTTP_VIA", "proxy");
  EXPECT_TRUE(request.Form("says").is_empty());
  request.SetForm("Says", "first").SetForm("SAYS", "second");
  EXPECT_EQ(request.Form("says").view(), "second");
  EXPECT_EQ(request.ServerVariable("http_via").view(), "proxy");
  EXPECT_TRUE(request.ServerVariable("says").is_empty());
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

  ManualClockEnv manual(DateTime::FromCivil(2024, 1, 31, 23, 59, 30));
  manual.Advance(45);
  EXPECT_EQ(manual.Now().ToString(), "2024-02-01 00:00:15");
  EXPECT_EQ(manual.Timer(), 15);
}

}  // namespace
}  // namespace tavolin
