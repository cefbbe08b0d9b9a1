// Copyright Tavolin developers.

#include "platform/redis_connection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "testing/free_port.h"
#include "testing/redis_server.h"

namespace tavolin {
namespace {

using ::testing::HasSubstr;

#define SKIP_WITHOUT_REDIS() \
  if (testing::RedisCasesOff()) GTEST_SKIP() << "TAVOLIN_NO_REDIS=1"

// The reply's type and content in one line, for comparing with a table.
std::string Show(const RedisReply& reply) {
  switch (reply.type) {
    case RedisReply::Type::kNil:
      return "nil";
    case RedisReply::Type::kInteger:
      return "int " + std::to_string(reply.integer);
    case RedisReply::Type::kString:
      return "string [" + reply.text + "]";
    case RedisReply::Type::kStatus:
      return "status " + reply.text;
    case RedisReply::Type::kArray: {
      std::string text = "array(";
      for (const RedisReply& element : reply.elements) text += Show(element) + ";";
      return text + ")";
    }
  }
  return "?";
}

// Closes `connection`'s socket from the server's side.
void KillFromServer(RedisConnection& connection, const std::string& url) {
  const long long id = connection.Command({"CLIENT", "ID"}).integer;
  RedisConnection(url).Command({"CLIENT", "KILL", "ID", std::to_string(id)});
}

TEST(RedisAddressTest, ReadsUrlsAndRefusesMalformedOnes) {
  struct Case {
    std::string url;
    std::string host;
    int port;
    int database;
  } good[] = {
      {"redis://127.0.0.1:6380/3", "127.0.0.1", 6380, 3},
      {"redis://cache.example:7000", "cache.example", 7000, 0},
      {"redis://localhost", "localhost", 6379, 0},
      {"redis://[::1]:6390/15", "::1", 6390, 15},
      {"redis://h/0", "h", 6379, 0},
  };
  for (const Case& c : good) {
    const RedisAddress address(c.url);
    EXPECT_EQ(
        address.host + " " + std::to_string(address.port) + " " + std::to_string(address.database),
        c.host + " " + std::to_string(c.port) + " " + std::to_string(c.database))
        << c.url;
  }
  for (const char* url : {"", "127.0.0.1:6379", "http://h:1", "redis://", "redis://:6379",
                          "redis://h:", "redis://h:0", "redis://h:65536", "redis://h:12a",
                          "redis://h:1/", "redis://h:1/x", "redis://h:1/-1", "redis://user:pw@h:1",
                          "redis://[::1", "redis://[::1]x", "redis://h:1/99999999999"}) {
    EXPECT_THROW(RedisAddress{url}, std::invalid_argument) << url;
    EXPECT_THROW(RedisConnection{url}, std::invalid_argument) << url;
  }
}

TEST(RedisConnectionTest, NoServerThrowsNamingIt) {
  const std::string where = "127.0.0.1:" + std::to_string(testing::FreePort());
  try {
    RedisConnection connection("redis://" + where);
    ADD_FAILURE() << "connected to nothing";
  } catch (const RedisError& e) {
    EXPECT_THAT(e.what(), HasSubstr(where));
  }
}

TEST(RedisConnectionTest, CommandsPipelinesAndErrors) {
  SKIP_WITHOUT_REDIS();
  const std::string url = testing::NewRedisUrl();
  RedisConnection redis(url);
  const std::string binary("a\0b\xff\r\n", 6);
  struct Case {
    std::vector<std::string> command;
    std::string reply;
  } cases[] = {
      {{"SET", "k", binary}, "status OK"},
      {{"GET", "k"}, "string [" + binary + "]"},
      {{"GET", "missing"}, "nil"},
      {{"RPUSH", "list", "x", "", "z"}, "int 3"},
      {{"LRANGE", "list", "0", "-1"}, "array(string [x];string [];string [z];)"},
      {{"EVAL", "return {1, {'a', false}}", "0"}, "array(int 1;array(string [a];nil;);)"},
  };
  for (const Case& c : cases) EXPECT_EQ(Show(redis.Command(c.command)), c.reply) << c.command[0];

  try {
    redis.Command({"INCR", "k"});
    ADD_FAILURE() << "INCR of a text succeeded";
  } catch (const RedisError& e) {
    EXPECT_THAT(e.what(), HasSubstr("not an integer"));
  }

  std::vector<std::string> shown;
  for (const RedisReply& reply : redis.Pipeline({{"INCR", "n"}, {"INCR", "n"}, {"GET", "n"}})) {
    shown.push_back(Show(reply));
  }
  EXPECT_THAT(shown, ::testing::ElementsAre("int 1", "int 2", "string [2]"));
  // An error in the middle is thrown once every reply was read: the commands
  // after it ran, and the connection is in step for the next command.
  EXPECT_THROW(redis.Pipeline({{"SET", "a", "1"}, {"INCR", "k"}, {"SET", "b", "2"}}), RedisError);
  EXPECT_EQ(Show(redis.Command({"MGET", "a", "b"})), "array(string [1];string [2];)");
  EXPECT_TRUE(redis.Pipeline({}).empty());

  // Each url has its database: the keys above are not in database 0.
  EXPECT_EQ(Show(RedisConnection(testing::RedisUrl()).Command({"EXISTS", "a"})), "int 0");
}

TEST(RedisConnectionTest, LostConnectionIsMadeAgainInItsDatabase) {
  SKIP_WITHOUT_REDIS();
  const std::string url = testing::NewRedisUrl();
  RedisConnection redis(url);
  redis.Command({"SET", "here", "yes"});
  KillFromServer(redis, url);
  EXPECT_EQ(Show(redis.Command({"GET", "here"})), "string [yes]");
  KillFromServer(redis, url);
  EXPECT_EQ(Show(redis.Pipeline({{"GET", "here"}}).front()), "string [yes]");
  EXPECT_TRUE(redis.healthy());
}

TEST(RedisConnectionTest, ScriptsRunByTheirHashAndLoadWhenUnknown) {
  SKIP_WITHOUT_REDIS();
  const std::string url = testing::NewRedisUrl();
  RedisConnection redis(url);
  using namespace std::string_literals;
  const RedisScript script("return {KEYS[1], ARGV[1], ARGV[2], #KEYS}");
  EXPECT_EQ(redis.Command({"SCRIPT", "LOAD", script.source()}).text, script.sha1());
  redis.Command({"SCRIPT", "FLUSH"});
  for (int i = 0; i < 2; ++i) {  // the first run loads it, the second finds it
    EXPECT_EQ(Show(redis.Run(script, {"k"}, {"a", std::string("\0", 1)})),
              "array(string [k];string [a];string [\0];int 1;)"s);
  }
  redis.Command({"SET", "s", "x"});
  EXPECT_THROW(redis.Run(RedisScript("return redis.call('INCR', KEYS[1])"), {"s"}, {}), RedisError);
}

TEST(RedisConnectionPoolTest, ThreadsShareConnectionsAndLostOnesAreDropped) {
  SKIP_WITHOUT_REDIS();
  const std::string url = testing::NewRedisUrl();
  RedisConnectionPool pool(url, 2);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&pool] {
      for (int i = 0; i < 100; ++i) pool.Command({"INCR", "count"});
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(pool.Command({"GET", "count"}).text, "400");
  RedisConnection admin(url);
  admin.Command({"CLIENT", "KILL", "TYPE", "normal", "SKIPME", "yes"});
  EXPECT_EQ(pool.Command({"GET", "count"}).text, "400");
  EXPECT_THROW(RedisConnectionPool("redis://h:x"), std::invalid_argument);
}

TEST(RedisSubscriberTest, DeliversMessagesAndResubscribesAfterALoss) {
  SKIP_WITHOUT_REDIS();
  const std::string url = testing::RedisUrl();
  const std::string channel = "subscriber-test";
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<std::string> payloads;
  RedisSubscriber subscriber(url, channel, [&](const std::string& payload) {
    std::lock_guard<std::mutex> lock(mutex);
    payloads.push_back(payload);
    arrived.notify_all();
  });
  RedisConnection publisher(url);
  // Publishes `payload` until someone is subscribed to receive it, then waits
  // for it to arrive.
  const auto deliver = [&](const std::string& payload) {
    while (publisher.Command({"PUBLISH", channel, payload}).integer == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::unique_lock<std::mutex> lock(mutex);
    return arrived.wait_for(lock, std::chrono::seconds(10),
                            [&] { return !payloads.empty() && payloads.back() == payload; });
  };
  ASSERT_TRUE(deliver("first"));
  publisher.Command({"PUBLISH", channel, std::string("bin\0ary", 7)});
  ASSERT_TRUE(deliver("third"));
  publisher.Command({"CLIENT", "KILL", "TYPE", "pubsub"});
  ASSERT_TRUE(deliver("after the loss"));
  std::lock_guard<std::mutex> lock(mutex);
  // Each subscription, the first and the one after the loss, is heard as an
  // empty payload: what was published meanwhile is lost.
  EXPECT_THAT(payloads, ::testing::ElementsAre("", "first", std::string("bin\0ary", 7), "third", "",
                                               "after the loss"));
}

}  // namespace
}  // namespace tavolin
