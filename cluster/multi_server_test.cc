// Copyright Tavolin developers.
//
// Two `tavolin serve` processes on one PostgreSQL database and one Redis
// live state, behind nginx, as one chat: visitors in two rooms talk through
// the balancer, which spreads their requests over both servers; a waiting
// poll on one server wakes for a line posted on the other; one server dies
// mid-conversation and the visitors go on with the same cookies; started
// again, it serves the visitors it never saw log in. Every marked line must
// reach each visitor who may see it exactly once, and nobody else.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <future>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "component/page_text.h"
#include "component/schema.h"
#include "tavolin/database.h"
#include "tavolin/env.h"
#include "testing/chat_answer.h"
#include "testing/postgres_cluster.h"
#include "testing/redis_server.h"
#include "testing/served_chat.h"
#include "testing/served_cluster.h"

namespace tavolin::cluster {
namespace {

using testing::HttpTestClient;
using testing::HttpTestResponse;

constexpr char kAdminAuthorization[] = "Basic YWRtaW46c2VjcmV0";  // admin:secret
constexpr std::string_view kMark = "marked ";

// A visitor's browser, and the marked lines that reached it with how often.
struct Guest {
  std::string name;
  std::string room;
  HttpTestClient client;
  int32_t last_say_id = 0;
  std::map<std::string, int> received;
};

// The visitors of one chat, the lines they posted and who may see each.
class Conversation {
 public:
  explicit Conversation(uint16_t port) : port_(port) {}

  // Logs `name` into `room` through the balancer.
  Guest& Enter(const std::string& name, const std::string& room) {
    Guest& guest = guests_.emplace_back(Guest{name, room, HttpTestClient(port_), 0, {}});
    guest.client.Get("/");
    const std::string entered =
        guest.client
            .Post("/login.asp",
                  {{"sUserName", name}, {"sPass", "pw" + name}, {"bSex", "1"}, {"room_id", room}})
            .Utf8Body();
    EXPECT_NE(entered.find("location.replace('chat.asp')"), std::string::npos) << name << entered;
    return guest;
  }

  std::deque<Guest>& guests() { return guests_; }

  // Notes the marked lines of a chat answer to `guest`; returns them.
  std::set<std::string> Take(Guest& guest, const HttpTestResponse& response) {
    const testing::ChatAnswer answer = testing::ReadChatAnswer(response.body);
    EXPECT_TRUE(answer.newest_say_id.has_value())
        << guest.name << " got no chat answer: " << response.Utf8Body();
    if (answer.newest_say_id) guest.last_say_id = *answer.newest_say_id;
    std::set<std::string> marked;
    for (const testing::DeliveredLine& line : answer.lines) {
      if (!line.text.starts_with(kMark)) continue;
      ++guest.received[line.text];
      marked.insert(line.text);
    }
    return marked;
  }

  // A plain poll of `guest`'s, through `client` (its own by default: the
  // balancer).
  std::set<std::string> Poll(Guest& guest, HttpTestClient* client = nullptr) {
    return Take(guest, (client ? *client : guest.client)
                           .Get("/refresh.asp?sayid=" + std::to_string(guest.last_say_id)));
  }

  // `from` posts `text` (marked) to the room, or whispers it to `to`; the
  // answer must carry it.
  void Post(Guest& from, const std::string& text, Guest* to = nullptr,
            HttpTestClient* client = nullptr) {
    const std::string line = std::string(kMark) + text;
    const HttpTestResponse answer =
        (client ? *client : from.client)
            .Post("/say.asp", {{"says", line},
                               {"towho", to ? to->name : std::string(page::kEverybody)},
                               {"secret", to ? "-1" : "0"},
                               {"id", std::to_string(from.last_say_id)},
                               {"sayscolor", "000000"},
                               {"addwordcolor", "000000"}});
    EXPECT_TRUE(Take(from, answer).contains(line))
        << from.name << " posted '" << line << "': " << answer.Utf8Body();
    for (const Guest& guest : guests_) {
      const bool may_see = &guest == &from || &guest == to || (!to && guest.room == from.room);
      if (may_see) expected_[guest.name].insert(line);
    }
  }

  // Everybody posts one line, a public one or a whisper to the next visitor
  // of the room by turns, and then polls, all through the balancer.
  void Round(const std::string& tag) {
    for (size_t i = 0; i < guests_.size(); ++i) {
      Guest& partner = guests_[i ^ 1];  // visitors enter in pairs, one pair a room
      const bool whisper = (i + rounds_) % 2 == 1;
      Post(guests_[i], tag + " " + std::to_string(i) + (whisper ? " to " + partner.name : ""),
           whisper ? &partner : nullptr);
    }
    for (Guest& guest : guests_) Poll(guest);
    ++rounds_;
  }

  // What did not reach whom exactly once, or reached who may not see it;
  // "" when every line went where it should, once.
  std::string Mismatches() const {
    std::string wrong;
    for (const Guest& guest : guests_) {
      const std::set<std::string>& mine =
          expected_.count(guest.name) ? expected_.at(guest.name) : std::set<std::string>{};
      for (const std::string& line : mine) {
        const auto got = guest.received.find(line);
        const int times = got == guest.received.end() ? 0 : got->second;
        if (times != 1) {
          wrong += guest.name + " got '" + line + "' " + std::to_string(times) + " times\n";
        }
      }
      for (const auto& [line, times] : guest.received) {
        if (!mine.contains(line)) wrong += guest.name + " may not see '" + line + "'\n";
      }
    }
    return wrong;
  }

 private:
  uint16_t port_;
  std::deque<Guest> guests_;
  std::map<std::string, std::set<std::string>> expected_;
  int rounds_ = 0;
};

// A new PostgreSQL database with the chat's schema, where more than the
// default three visitors from one address may register within minutes.
std::string ChatDatabase() {
  const std::string database = testing::NewPostgresDatabase();
  OpenConnection(database, Env::Default(), ChatSchemaScript())
      ->Execute("UPDATE sysparam SET body='100' WHERE alias='newusernum'");
  return database;
}

// A copy of `guest`'s browser that talks to `port` past the balancer.
HttpTestClient Straight(const Guest& guest, uint16_t port) {
  HttpTestClient client = guest.client;
  client.set_port(port);
  return client;
}

// The value of the metric `name` on the server on `port`; -1 when it
// shows none.
int64_t Metric(uint16_t port, const std::string& name) {
  HttpTestClient admin(port);
  admin.set_authorization(kAdminAuthorization);
  const std::regex line("\n" + name + " ([0-9]+)\n");
  std::smatch value;
  const std::string metrics = admin.Get("/metrics").body;
  return std::regex_search(metrics, value, line) ? std::stoll(value[1]) : -1;
}

// Waits until the server on `port` holds `count` waiting polls; false when
// it does not within ten seconds.
bool AwaitWaitingPolls(uint16_t port, int count) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    if (Metric(port, "tavolin_waiting_polls") >= count) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // between two scrapes
  }
  return false;
}

TEST(MultiServerTest, TwoServersBehindNginxAreOneChatThatOutlivesEitherOne) {
  if (testing::RedisCasesOff() || testing::PostgresCasesOff()) {
    GTEST_SKIP() << "TAVOLIN_NO_REDIS or TAVOLIN_NO_POSTGRES leaves this case out";
  }
  const char* binary = std::getenv("TAVOLIN_BINARY");
  ASSERT_NE(binary, nullptr) << "TAVOLIN_BINARY names the tavolin binary (ctest sets it)";
  testing::ServedCluster cluster({.tavolin = binary,
                                  .database = ChatDatabase(),
                                  .live = testing::RedisUrl(),
                                  .serve_flags = {"--admin-password", "secret"},
                                  .balancer = {}});
  Conversation chat(cluster.port());
  Guest &ann = chat.Enter("ann", "1"), &bob = chat.Enter("bob", "1");
  Guest &cat = chat.Enter("cat", "2"), &dan = chat.Enter("dan", "2");
  for (Guest& guest : chat.guests()) chat.Poll(guest);
  chat.Round("both up");
  chat.Round("both up again");
  // The balancer spread the visitors' polls over both servers.
  for (int i = 0; i < 2; ++i) {
    EXPECT_GT(Metric(cluster.server_port(i), "tavolin_polls_total"), 0) << "server " << i;
  }

  // Ann's poll waits on the first server until Bob speaks on the second.
  HttpTestClient ann_first = Straight(ann, cluster.server_port(0));
  auto parked = std::async(std::launch::async, [&] {
    return ann_first.Get("/refresh.asp?sayid=" + std::to_string(ann.last_say_id) + "&wait=10");
  });
  ASSERT_TRUE(AwaitWaitingPolls(cluster.server_port(0), 1));
  HttpTestClient bob_second = Straight(bob, cluster.server_port(1));
  chat.Post(bob, "wakes ann", nullptr, &bob_second);
  EXPECT_TRUE(chat.Take(ann, parked.get()).contains(std::string(kMark) + "wakes ann"));

  cluster.Kill(0);
  chat.Round("first server dead");
  chat.Round("first server still dead");

  // Started again, the first server knows the visitors and the lines written
  // while it was away, and a line posted on the other reaches it.
  cluster.Start(0);
  HttpTestClient dan_second = Straight(dan, cluster.server_port(1));
  chat.Post(dan, "to cat after the restart", &cat, &dan_second);
  HttpTestClient cat_first = Straight(cat, cluster.server_port(0));
  EXPECT_TRUE(chat.Poll(cat, &cat_first).contains(std::string(kMark) + "to cat after the restart"));
  HttpTestClient ann_again = Straight(ann, cluster.server_port(0));
  chat.Post(ann, "on the restarted server", nullptr, &ann_again);
  chat.Round("both up after the restart");

  for (Guest& guest : chat.guests()) chat.Poll(guest);
  EXPECT_EQ(chat.Mismatches(), "");
}

}  // namespace
}  // namespace tavolin::cluster
