// Copyright Tavolin developers.

#include "server/redis_session_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "component/live_state.h"
#include "platform/redis_connection.h"
#include "server/chat_site.h"
#include "server/forgery_guard.h"
#include "testing/chat_test_env.h"
#include "testing/free_port.h"
#include "testing/redis_server.h"

namespace tavolin::server {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::string DeadRedisUrl() {
  return "redis://127.0.0.1:" + std::to_string(tavolin::testing::FreePort());
}

// Catches a session one server cannot find or change for another, a write
// of an unchanged session over another server's, an expiry not restarted by
// use or not kept, an ended session found or brought back, a cap counted
// across servers, and a store that crashes rather than reports Redis gone.
TEST(RedisSessionStoreTest, TwoServersShareSessionsThatExpireAndEnd) {
  if (tavolin::testing::RedisCasesOff()) GTEST_SKIP() << "TAVOLIN_NO_REDIS=1";
  const std::string url = tavolin::testing::NewRedisUrl();
  RedisConnection redis(url);
  RedisSessionStore one(url), two(url);
  auto made = std::make_shared<MemorySession>();
  made->Set("MyName", Variant("ann"));
  made->Set("level", Variant(int16_t{5}));
  const std::string id = one.Add(made).value();
  EXPECT_EQ(redis.Command({"EXISTS", "tavolin:session:{" + id + "}"}).integer, 1);

  const auto found = two.Find(id);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->Get("myname").ToText() + found->Get("LEVEL").ToText(), "ann5");
  found->Set("mytemp", Variant("x"));
  two.Save(id, *found);
  const auto again = one.Find(id);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->Get("mytemp").ToText(), "x");

  // A request that changed nothing leaves what another wrote meanwhile.
  const auto other = two.Find(id);
  other->Set("mytemp", Variant("y"));
  two.Save(id, *other);
  one.Save(id, *again);
  EXPECT_EQ(two.Find(id)->Get("mytemp").ToText(), "y");

  // Use restarts the idle time; a session idle past it is gone for both.
  const std::string key = RedisSessionStore::Key(id);
  redis.Command({"PEXPIRE", key, "50"});
  ASSERT_NE(one.Find(id), nullptr);
  EXPECT_GT(redis.Command({"PTTL", key}).integer, 60'000);
  redis.Command({"PEXPIRE", key, "1"});
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(one.Find(id), nullptr);
  EXPECT_EQ(two.Find(id), nullptr);

  const std::string ended = one.Add(made).value();
  two.End(ended);
  EXPECT_EQ(one.Find(ended), nullptr);
  one.Save(ended, *made);  // a request that was running meanwhile
  EXPECT_EQ(two.Find(ended), nullptr);

  redis.Command({"SET", RedisSessionStore::Key(std::string(32, 'a')), "not a session"});
  for (const std::string& unknown : {std::string(32, 'a'), std::string(32, 'b'), std::string("x"),
                                     std::string(32, 'A'), std::string(key)}) {
    EXPECT_EQ(one.Find(unknown), nullptr) << unknown;
  }

  RedisSessionStore small(url, std::chrono::minutes(20), 2);
  EXPECT_TRUE(small.Add(made) && small.Add(made));
  EXPECT_TRUE(small.full());
  EXPECT_EQ(small.Add(made), std::nullopt);
  EXPECT_EQ(small.size(), 2U);
  EXPECT_FALSE(one.full());

  RedisSessionStore down(DeadRedisUrl());
  EXPECT_THROW(down.Find(id), RedisError);
  EXPECT_THROW(down.Add(made), RedisError);
  EXPECT_EQ(down.size(), 0U);
}

HttpRequest PageRequest(const std::string& method, const std::string& target,
                        const std::string& cookie, const std::string& body = "") {
  HttpRequest request{method, target, {}, body, "127.0.0.1"};
  if (!cookie.empty()) request.headers["cookie"] = cookie;
  if (method == "POST") request.headers["content-type"] = "application/x-www-form-urlencoded";
  return request;
}

// Catches a session kept where only its server finds it, and a page that
// crashes, or answers as if all were well, when Redis is gone.
TEST(RedisSessionStoreTest, ChatSitesOverOneRedisShareVisitors) {
  if (tavolin::testing::RedisCasesOff()) GTEST_SKIP() << "TAVOLIN_NO_REDIS=1";
  const std::string url = tavolin::testing::NewRedisUrl();
  tavolin::testing::TempDatabase database;
  ManualClockEnv clock(DateTime::FromCivil(2026, 3, 4, 10, 0, 0));
  // Two servers of one chat, and the first one's chat served with its
  // sessions kept in a Redis that is gone.
  Application application, second_application;
  ChatSite::Options shared, broken;
  shared.live_url = url;
  broken.live_url = DeadRedisUrl();
  ChatSite one(application, &clock, shared);
  ChatSite two(second_application, &clock, shared);
  ChatSite gone(application, &clock, broken);
  one.Start(database.connection_string());
  two.Start(database.connection_string());

  const HttpResponse login = one.Handle(
      PageRequest("POST", "/login.asp", "", "sUserName=ann&sPass=pwann&bSex=1&room_id=1"));
  std::string cookie;
  for (const auto& [name, value] : login.headers) {
    if (name == "Set-Cookie") cookie = value.substr(0, value.find(';'));
  }
  ASSERT_THAT(cookie, HasSubstr("TAVOLINSID="));
  EXPECT_THAT(two.Handle(PageRequest("GET", "/refresh.asp", cookie)).body,
              Not(HasSubstr("showerr.asp")));
  EXPECT_THAT(
      one.Handle(PageRequest("GET", "/refresh.asp", "TAVOLINSID=" + std::string(32, '0'))).body,
      HasSubstr("showerr.asp"));
  // The token the login gave the session was saved after its page; with it
  // the visitor leaves through one server, and is gone for the other.
  const std::string token = RedisSessionStore(url)
                                .Find(cookie.substr(cookie.find('=') + 1))
                                ->Get(std::string(kTokenField))
                                .ToText();
  ASSERT_EQ(token.size(), 32U);
  two.Handle(PageRequest("POST", "/close.asp", cookie, "token=" + token));
  EXPECT_THAT(one.Handle(PageRequest("GET", "/refresh.asp", cookie)).body,
              HasSubstr("showerr.asp"));

  for (const HttpRequest& request :
       {PageRequest("GET", "/refresh.asp", cookie),
        PageRequest("GET", "/refresh.asp?wait=5", cookie),
        PageRequest("POST", "/login.asp", "", "sUserName=bob&sPass=pwbob&bSex=1&room_id=1")}) {
    const HttpResponse answer = gone.Handle(request);
    EXPECT_EQ(answer.status, 500) << request.target;
  }
  // The login that could not keep a session left nobody in the chat.
  LiveState& live = *LiveStateOf(application, "");
  ApplicationLock lock(application);
  EXPECT_EQ(live.UserCount(), 0);
}

}  // namespace
}  // namespace tavolin::server
