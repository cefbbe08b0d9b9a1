// Copyright Tavolin developers.

#include "server/http_server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/asio/write.hpp>
#include <iostream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "server/basic_auth.h"
#include "server/error_log.h"
#include "server/session_store.h"
#include "server/url_codec.h"
#include "testing/served_chat.h"

namespace tavolin::server {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;
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

// Catches a connection over the cap left hanging or served, and a freed place not reused.
TEST(HttpServerTest, CapsLiveConnectionsAndClosesTheExcessAtOnce) {
  HttpServer server({.port = 0, .threads = 2, .max_connections = 4},
                    [](const HttpRequest&) { return HttpResponse{.body = "pong", .headers = {}}; });
  server.Start();
  const std::string get = "GET / HTTP/1.1\r\nHost: x\r\n\r\n";
  boost::asio::io_context ioc;
  std::vector<boost::asio::ip::tcp::socket> held;
  for (int i = 0; i < 4; ++i) {
    held.emplace_back(ioc).connect({boost::asio::ip::make_address("127.0.0.1"), server.port()});
    boost::asio::write(held.back(), boost::asio::buffer(get));
    std::string answer;
    boost::asio::read_until(held.back(), boost::asio::dynamic_buffer(answer), "pong");
  }
  testing::HttpTestClient client(server.port());
  EXPECT_EQ(client.SendRaw(get), "");
  held.pop_back();
  std::string freed;
  for (int tries = 0; tries < 500 && freed.empty(); ++tries) {
    if (tries > 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    freed = client.SendRaw(get);
  }
  EXPECT_THAT(freed, StartsWith("HTTP/1.1 200"));
}

// Catches a 500 answer that shows its detail (SQL and all), and log lines
// that a request value can split or forge.
TEST(HttpServerTest, FailedRequestsShowAReferenceAndLogTheDetailEscaped) {
  const std::pair<const char*, const char*> escaped[] = {
      {"/a\r\ntavolin: forged", "/a\\r\\ntavolin: forged"},
      {"x\ty\x01\x7F\\", "x\\ty\\x01\\x7F\\\\"},
      {"\xC4\xE3 ok", "\xC4\xE3 ok"},
  };
  for (const auto& [value, logged] : escaped) EXPECT_EQ(LogEscape(value), logged);

  std::ostringstream log;
  std::streambuf* const cerr = std::cerr.rdbuf(log.rdbuf());
  HttpServer thrower({.port = 0, .threads = 1}, [](const HttpRequest& request) -> HttpResponse {
    throw std::runtime_error("bad " + request.body);
  });
  thrower.Start();
  const std::string plain =
      testing::HttpTestClient(thrower.port())
          .SendRaw("POST /x HTTP/1.1\r\nHost: x\r\nContent-Length: 9\r\n\r\n1\r\nforged");
  thrower.Stop();
  testing::ServedChat chat;
  chat.db().Execute("DROP TABLE user");
  testing::HttpTestClient visitor(chat.port());
  const std::string page = chat.Login(visitor, "ann").Utf8Body();
  std::cerr.rdbuf(cerr);
  // The eight characters after `mark` in `text`.
  const auto after = [](const std::string& text, const std::string& mark) {
    const size_t at = text.find(mark);
    return at == std::string::npos ? std::string("none") : text.substr(at + mark.size(), 8);
  };
  const std::string page_reference = after(page, "参考号 "),
                    plain_reference = after(plain, "(reference ");
  EXPECT_THAT(page, AllOf(HasSubstr("服务器出错了，请稍后再试。(参考号 " + page_reference + ")"),
                          Not(HasSubstr("user"))));
  EXPECT_THAT(plain, AllOf(StartsWith("HTTP/1.1 500"), Not(HasSubstr("bad"))));
  EXPECT_THAT(log.str(), AllOf(HasSubstr(page_reference + ": /login.asp: "), HasSubstr("user"),
                               HasSubstr(plain_reference + ": /x: bad 1\\r\\nforged\n")));
}

// Catches a burst of one line written in full, or its count lost.
TEST(ErrorLogTest, RepeatedLinesAreWrittenOnceASecondWithTheCountLeftOut) {
  std::ostringstream out;
  std::chrono::steady_clock::time_point now{};
  RepeatedLineLimiter limiter(out, [&now] { return now; });
  for (const auto& [at, line] : {std::pair{0, "a"},
                                 {500, "a"},
                                 {900, "a"},
                                 {900, "b"},
                                 {1000, "a"},
                                 {1500, "a"},
                                 {2600, "a"}}) {
    now = std::chrono::steady_clock::time_point{} + std::chrono::milliseconds(at);
    limiter.Write(line);
  }
  EXPECT_EQ(out.str(), "a\nb\na (2 more like this not logged)\na (1 more like this not logged)\n");
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
TEST(MemorySessionStoreTest, SessionsLiveWhileUsedIdleOnesEndAndTheCapHolds) {
  auto now = std::chrono::steady_clock::time_point{};
  MemorySessionStore store(std::chrono::minutes(20), 300, [&now] { return now; });
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
