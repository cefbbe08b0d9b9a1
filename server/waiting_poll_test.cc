// Copyright Tavolin developers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "server/chat_site.h"
#include "testing/served_chat.h"

namespace tavolin::server {
namespace {

using ::testing::HasSubstr;
using testing::HttpTestClient;
using testing::ServedChat;

// The say id a poll reports as newest: the sayid of the visitor's next poll.
std::string NewestSayId(const std::string& page) {
  const size_t at = page.find("parent.ref(") + 11;
  return page.substr(at, page.find(')', at) - at);
}

// Visitors logged in to their rooms, each with a poll that waits in flight.
struct WaitingVisitors {
  ServedChat& chat;
  std::map<std::string, std::unique_ptr<HttpTestClient>> clients;
  std::map<std::string, std::future<std::string>> answers;

  WaitingVisitors(ServedChat& served, const std::map<std::string, std::string>& rooms, int wait)
      : chat(served) {
    chat.app().Set("_newusernum", Variant(1000));  // all register from one address
    for (const auto& [name, room] : rooms) {
      auto& client = clients[name] = std::make_unique<HttpTestClient>(chat.port());
      chat.Login(*client, name, room);
    }
    for (const auto& [name, client] : clients) {
      const std::string poll =
          "/refresh.asp?sayid=" + NewestSayId(client->Get("/refresh.asp").body) +
          "&wait=" + std::to_string(wait);
      answers[name] =
          std::async(std::launch::async, [&c = *client, poll] { return c.Get(poll).body; });
    }
    // Waits for the polls to be parked, however long the threads take to start.
    while (chat.site().waiting_polls() < rooms.size()) std::this_thread::yield();
  }
};

// Catches a line that wakes a visitor who may not see it (a third one in the room for a private
// line, anyone in another room) or leaves one who may see it waiting.
TEST(WaitingPollTest, ALineWakesExactlyTheVisitorsWhoMaySeeIt) {
  struct Case {
    std::map<std::string, std::string> form;
    std::vector<std::string> woken;
  } cases[] = {
      {{{"says", "hello"}, {"towho", "大家"}}, {"bob", "cat"}},
      {{{"says", "psst"}, {"towho", "bob"}, {"secret", "-1"}}, {"bob"}},
      {{{"says", "hi bob"}, {"towho", "bob"}}, {"bob", "cat"}},
  };
  for (const Case& c : cases) {
    ServedChat chat;
    chat.Visitor("ann");  // the poster, in room 1
    WaitingVisitors waiting(chat, {{"bob", "1"}, {"cat", "1"}, {"dan", "3"}}, 30);
    std::map<std::string, std::string> form = c.form;
    form["sayscolor"] = "0";
    chat.Page("ann", "/say.asp", form);
    // The post's answer comes after the polls it wakes are taken: the others still wait.
    EXPECT_EQ(chat.site().waiting_polls(), 3 - c.woken.size()) << c.form.at("says");
    for (const std::string& name : c.woken) {
      EXPECT_THAT(waiting.answers[name].get(), HasSubstr("'" + c.form.at("says") + "','ann'"));
    }
    chat.Stop();
  }
}

// Catches an operator's action that leaves the visitors it concerns waiting: one sent out from
// the console hears it at once, and so does its room, while another room goes on waiting until
// its room is deleted and its visitor moved.
TEST(WaitingPollTest, AConsoleActionWakesThoseItConcerns) {
  ServedChat chat;
  WaitingVisitors waiting(chat, {{"bob", "1"}, {"cat", "1"}, {"dan", "3"}}, 30);
  HttpTestClient admin(chat.port());
  admin.set_authorization("Basic YWRtaW46c2VjcmV0");  // admin:secret
  admin.Get("/admin/online.asp");
  admin.Post("/admin/online.asp", {{"do", "send_out"}, {"user", "bob"}});
  EXPECT_EQ(chat.site().waiting_polls(), 1U);
  EXPECT_THAT(waiting.answers["bob"].get(), HasSubstr("showerr.asp"));
  EXPECT_THAT(waiting.answers["cat"].get(), HasSubstr("parent.dell"));
  admin.Post("/admin/rooms.asp", {{"do", "delete"}, {"id", "3"}});
  EXPECT_EQ(chat.site().waiting_polls(), 0U);
  EXPECT_THAT(waiting.answers["dan"].get(), HasSubstr("parent.ref("));
  chat.Stop();
}

// Catches a timed-out poll that answers other than a plain poll would, or that stays parked.
TEST(WaitingPollTest, ATimedOutPollAnswersThePlainPoll) {
  ServedChat chat;
  WaitingVisitors waiting(chat, {{"bob", "1"}}, 1);
  const std::string answer = waiting.answers["bob"].get();
  EXPECT_EQ(chat.site().waiting_polls(), 0u);
  const std::string plain =
      waiting.clients["bob"]->Get("/refresh.asp?sayid=" + NewestSayId(answer)).body;
  EXPECT_EQ(answer, plain);
  EXPECT_THAT(answer, HasSubstr("parent.ref("));
}

// Catches a stop that hangs on, drops or crashes over polls that wait.
TEST(WaitingPollTest, StoppingAnswersEveryWaitingPoll) {
  ServedChat chat;
  std::map<std::string, std::string> rooms;
  for (int i = 0; i < 20; ++i) rooms["v" + std::to_string(i)] = std::to_string(1 + i % 3);
  WaitingVisitors waiting(chat, rooms, 30);
  chat.Stop();
  for (auto& [name, answer] : waiting.answers)
    EXPECT_THAT(answer.get(), HasSubstr("parent.ref(")) << name;
}

// Catches a poll that waits on a value other than a whole number of seconds from 1 to 30, or
// on another page or method.
TEST(WaitingPollTest, OnlyAGetOfThePollWithOneToThirtySecondsWaits) {
  const std::pair<std::string, int> cases[] = {
      {"GET /refresh.asp?sayid=3&wait=25", 25}, {"GET /Refresh.asp?wait=1", 1},
      {"GET /refresh.asp?wait=30", 30},         {"GET /refresh.asp?sayid=3", 0},
      {"GET /refresh.asp?wait=0", 0},           {"GET /refresh.asp?wait=31", 0},
      {"GET /refresh.asp?wait=-5", 0},          {"GET /refresh.asp?wait=2.5", 0},
      {"GET /refresh.asp?wait=x", 0},           {"GET /refresh.asp?wait=", 0},
      {"GET /refresh.asp?wait=99999999999", 0}, {"POST /refresh.asp?wait=5", 0},
      {"HEAD /refresh.asp?wait=5", 0},          {"GET /say.asp?wait=5", 0},
  };
  for (const auto& [line, seconds] : cases) {
    const size_t blank = line.find(' ');
    HttpRequest request;
    request.method = line.substr(0, blank);
    request.target = line.substr(blank + 1);
    EXPECT_EQ(PollWaitSeconds(request), seconds) << line;
  }
}

}  // namespace
}  // namespace tavolin::server
