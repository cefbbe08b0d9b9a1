// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "tavolin/application.h"
#include "tavolin/env.h"
#include "tavolin/request.h"
#include "tavolin/session.h"

namespace tavolin {
namespace {

TEST(ApplicationTest, KeysIgnoreAsciiCaseAndValuesAreShared) {
  Application application;
  EXPECT_TRUE(application.Get("_user_list").is_empty());

  application.Set("Chat_User_List", "<$a$>");
  EXPECT_EQ(application.Get("chat_user_list").view(), "<$a$>");
  EXPECT_EQ(application.Get("CHAT_USER_LIST").view(), "<$a$>");
  application.Set("CHAT_user_list", 7);
  EXPECT_EQ(application.Get("chat_user_list").ToLong(), 7);
  EXPECT_TRUE(application.Get("chat_user_lis").is_empty());

  // Only ASCII letters fold: other bytes must match exactly.
  application.Set("\xC4\xE3", 1);
  EXPECT_TRUE(application.Get("\xE4\xE3").is_empty());

  // A read shares the stored array instead of copying it, and changing the
  // read value leaves the stored one as it was.
  application.Set("_says", VariantArray(0, 3, 0, 5));
  Variant says = application.Get("_says");
  EXPECT_EQ(&says.array(), &application.Get("_says").array());
  says.mutable_array().at(0, 0) = "changed";
  EXPECT_TRUE(application.Get("_says").array().at(0, 0).is_empty());
}

TEST(ApplicationTest, LockedReadChangeWriteLosesNoUpdate) {
  Application application;
  application.Set("_counter", 0);
  constexpr int kThreads = 4;
  constexpr int kIncrements = 2000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&application, t] {
      for (int i = 0; i < kIncrements; ++i) {
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
  EXPECT_EQ(application.Get("_counter").ToLong(), kThreads * kIncrements);
}

TEST(MemorySessionTest, KeysIgnoreAsciiCase) {
  MemorySession session;
  EXPECT_TRUE(session.Get("myname").is_empty());
  session.Set("MyName", "alice");
  session.Set("mytemp", "12:00:01");
  EXPECT_EQ(session.Get("MYNAME").view(), "alice");
  session.Set("myname", "bob");
  EXPECT_EQ(session.Get("MyName").view(), "bob");
  EXPECT_EQ(session.Get("mytemp").view(), "12:00:01");

  Session& base = session;
  EXPECT_EQ(base.Get("myNAME").view(), "bob");
}

TEST(MemoryRequestTest, ItemSearchesCollectionsInHostOrder) {
  MemoryRequest request;
  request.SetServerVariable("REMOTE_ADDR", "10.0.0.1")
      .SetServerVariable("name", "from-server")
      .SetCookie("Name", "from-cookie")
      .SetForm("NAME", "from-form")
      .SetQuery("nAmE", "from-query");
  EXPECT_EQ(request.Item("name").view(), "from-query");

  MemoryRequest no_query;
  no_query.SetServerVariable("name", "from-server").SetCookie("name", "from-cookie");
  EXPECT_EQ(no_query.Item("NAME").view(), "from-cookie");
  no_query.SetForm("Name", "from-form");
  EXPECT_EQ(no_query.Item("name").view(), "from-form");

  // An empty field is still present, and it hides later collections.
  no_query.SetQuery("name", "");
  EXPECT_TRUE(no_query.Item("name").is_string());
  EXPECT_EQ(no_query.Item("name").view(), "");

  EXPECT_EQ(request.Item("remote_addr").view(), "10.0.0.1");
  EXPECT_TRUE(request.Item("missing").is_empty());
}

TEST(MemoryRequestTest, FormAndServerVariablesReadOneCollection) {
  MemoryRequest request;
  request.SetQuery("says", "q").SetCookie("says", "c").SetServerVariable("HTTP_VIA", "proxy");
  EXPECT_TRUE(request.Form("says").is_empty());
  request.SetForm("Says", "first").SetForm("SAYS", "second");
  EXPECT_EQ(request.Form("says").view(), "second");
  EXPECT_EQ(request.ServerVariable("http_via").view(), "proxy");
  EXPECT_TRUE(request.ServerVariable("says").is_empty());
  EXPECT_TRUE(request.ServerVariable("HTTP_X_FORWARDED_FOR").is_empty());
}

TEST(EnvTest, DefaultIsOneLocalClock) {
  Env* env = Env::Default();
  EXPECT_EQ(env, Env::Default());
  const DateTime now = env->Now();
  EXPECT_GE(now.year(), 2020);
  EXPECT_LT(now.year(), 2200);

  ManualClockEnv manual(DateTime::FromCivil(2024, 1, 31, 23, 59, 30));
  manual.Advance(45);
  EXPECT_EQ(manual.Now().ToString(), "2024-02-01 00:00:15");
}

}  // namespace
}  // namespace tavolin
