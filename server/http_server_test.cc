// Copyright Tavolin developers.

#include "server/http_server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <boost/asio/ip/tcp.hpp>
#include <set>
#include <string>
#include <tuple>

#include "server/basic_auth.h"
#include "server/session_store.h"
#include "server/url_codec.h"
#include "testing/served_chat.h"

namespace tavolin::server {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// A server on a free port (small limits) that echoes what it was asked;
// stopped by its destructor whatever the test asserted.
struct EchoServer {
  EchoServer() { server.Start(); }
  std::atomic<int> handled{0};
  HttpServer server{{.port = 0, .header_limit = 1024, .body_limit = 1024, .threads = 2},
                    [this](const HttpRequest& request) {
                      ++handled;
                      return HttpResponse{.content_type = "text/plain",
                                          .body = request.method + " " + request.target + " " +
                                                  request.Header("x-test") + " " + request.body +
                                                  " " + request.peer_address,
                                          .headers = {}};
                    }};
};

// Catches mixed-up kept-alive requests, bad ones handled, and a stop held up by an idle client.
TEST(HttpServerTest, AnswersKeepsAliveRefusesBadRequestsAndStops) {
  EchoServer echo;
  testing::HttpTestClient client(echo.server.port());
  EXPECT_EQ(client.Post("/say.asp?x=1", {{"says", "hi"}}).body,
            "POST /say.asp?x=1  says=hi 127.0.0.1");
  const std::string two = client.SendRaw(
      "GET /a HTTP/1.1\r\nHost: x\r\nX-Test: one\r\n\r\n"
      "GET /b HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
  EXPECT_THAT(two, AllOf(HasSubstr("GET /a one"), HasSubstr("GET /b ")));
  // A HEAD answer has the length of its body but not the body, so the next
  // answer on the connection starts right after its headers.
  const std::string head = client.SendRaw(
      "HEAD /a HTTP/1.1\r\nHost: x\r\n\r\nGET /b HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
  EXPECT_THAT(head, AllOf(HasSubstr("Content-Length: 19\r\n\r\nHTTP/1.1 200"),
                          HasSubstr("\r\n\r\nGET /b   127.0.0.1")));
  const std::pair<std::string, const char*> refused[] = {
      {"GARBAGE\r\n\r\n", "HTTP/1.1 400"},
      {"POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 5000\r\n\r\n" + std::string(5000, 'a'),
       "HTTP/1.1 413"},
      {"GET / HTTP/1.1\r\nHost: x\r\nX-Big: " + std::string(4000, 'b') + "\r\n\r\n",
       "HTTP/1.1 431"},
  };
  for (const auto& [raw, status] : refused) EXPECT_THAT(client.SendRaw(raw), StartsWith(status));
  EXPECT_EQ(echo.handled.load(), 5);
  EXPECT_EQ(client.Get("/still").status, 200);
  // An idle keep-alive connection does not hold the stop up; a second stop is harmless.
  boost::asio::io_context ioc;
  boost::asio::ip::tcp::socket idle(ioc);
  idle.connect({boost::asio::ip::make_address("127.0.0.1"), echo.server.port()});
  echo.server.Stop();
  echo.server.Stop();
}

// Catches form, cookie and credential decoding that loses or invents values.
TEST(HttpServerTest, DecodesWhatBrowsersSendAndChecksBasicAuth) {
  EXPECT_EQ(PercentDecode("a+b%20c%2Bd"), "a b c+d");
  EXPECT_EQ(PercentDecode("100%%zz%4"), "100%%zz%4");  // a % without two hex digits stays
  EXPECT_EQ(PercentDecode(PercentEncode("x y/&=\xB4\xF3")), "x y/&=\xB4\xF3");
  EXPECT_EQ(ParseUrlEncoded("says=%C4%E3&towho=&flag&&x=1=2"),
            (NameValues{{"says", "\xC4\xE3"}, {"towho", ""}, {"flag", ""}, {"x", "1=2"}}));
  EXPECT_EQ(ParseCookies(" a=1; TAVOLINSID=abc ;junk; b = 2"),
            (NameValues{{"a", "1"}, {"TAVOLINSID", "abc"}, {"b", "2"}}));
  const std::tuple<const char*, const char*, bool> auth[] = {
      {"Basic YWRtaW46cHc=", "pw", true},  // "admin:pw"
      {"basic   YWRtaW46cHc=", "pw", true}, {"Basic YWRtaW46cHg=", "pw", false},
      {"Basic !!!", "pw", false},           {"Bearer YWRtaW46cHc=", "pw", false},
      {"Basic YWRtaW46", "", false},  // no password: off
  };
  for (const auto& [header, password, match] : auth)
    EXPECT_EQ(BasicAuthMatches(header, "admin", password), match) << header;
  // Wrong passwords from one address (none sent is no guess) hold it back
  // before any check, 1 then 2 seconds; the right one clears it.
  GuessThrottle throttle("admin address", {});
  const std::tuple<int, const char*, const char*, bool, int> guarded[] = {
      {0, "a", "", false, 0},
      {0, "a", "Basic YWRtaW46cHg=", false, 0},
      {0, "a", "Basic !!!", false, 0},
      {0, "a", "Basic YWRtaW46cHg=", false, 0},
      {0, "a", "", false, 0},
      {0, "a", "Basic YWRtaW46cHg=", false, 0},
      {0, "a", "Basic YWRtaW46cHc=", false, 1},
      {0, "b", "Basic YWRtaW46cHc=", true, 0},
      {1, "a", "Basic YWRtaW46cHg=", false, 0},
      {2, "a", "Basic YWRtaW46cHc=", false, 1},
      {3, "a", "Basic YWRtaW46cHc=", true, 0},
      {3, "a", "Basic YWRtaW46cHg=", false, 0},
      {3, "a", "Basic YWRtaW46cHc=", true, 0}};
  for (const auto& [now, address, header, allowed, wait] : guarded) {
    const GuardedAuth answer = CheckBasicAuthGuarded(throttle, address, header, "admin", "pw", now);
    EXPECT_EQ(std::make_pair(answer.allowed, answer.wait), std::make_pair(allowed, int64_t{wait}))
        << now << header;
  }
  // Only the addresses that failed last are kept: a held one is dropped
  // once two others failed after it, and the latest stays held.
  GuessThrottle small("admin address", {.free_failures = 0, .max_keys = 2});
  for (const char* address : {"a", "b", "c"}) small.Fail(address, 0);
  EXPECT_EQ(std::make_tuple(small.Wait("a", 0), small.Wait("b", 0), small.Wait("c", 0)),
            std::make_tuple(0, 1, 1));
}

// Catches a session found by a wrong or repeated id, ended in use, kept idle too long, idle ones
// left in the store, or more sessions stored than the cap.
TEST(SessionStoreTest, SessionsLiveWhileUsedIdleOnesEndAndTheCapHolds) {
  auto now = std::chrono::steady_clock::time_point{};
  SessionStore store(std::chrono::minutes(20), 300, [&now] { return now; });
  auto session = std::make_shared<MemorySession>();
  session->Set("myname", Variant("ann"));
  const std::string id = store.Add(session).value();
  std::set<std::string> ids = {id};
  for (int i = 0; i < 299; ++i) ids.insert(store.Add(std::make_shared<MemorySession>()).value());
  EXPECT_EQ(store.Find(id)->Get("myname").ToText() + std::to_string(ids.size()), "ann300");
  EXPECT_EQ(store.Add(std::make_shared<MemorySession>()), std::nullopt);  // full
  EXPECT_EQ(store.Find("not-an-id"), nullptr);
  // Use restarts the idle time; twenty idle minutes and one second end it.
  for (auto idle : {std::chrono::minutes(19), std::chrono::minutes(20)}) {
    now += idle;
    EXPECT_NE(store.Find(id), nullptr);
  }
  EXPECT_EQ(store.size(), 1U);  // the others idled out, swept away
  now += std::chrono::minutes(20) + std::chrono::seconds(1);
  EXPECT_EQ(store.Find(id), nullptr);
  const std::string last = store.Add(session).value();
  EXPECT_EQ(store.size(), 1U);
  store.End(last);
  EXPECT_EQ(store.Find(last), nullptr);
}

}  // namespace
}  // namespace tavolin::server
