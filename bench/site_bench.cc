// Copyright Tavolin developers.
//
// The server's own work for one poll, without the network: the page router,
// the session, the request's fields, the engine and the GBK answer, as
// ChatSite::Handle does them for refresh.asp with 100 and 10,000 online.

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>

#include "server/chat_site.h"
#include "testing/chat_test_env.h"

namespace tavolin {
namespace {

struct SiteWith {
  explicit SiteWith(int visitors) : site(env.app(), &env.clock(), server::ChatSite::Options{}) {
    env.SetParam("maxpeople", Variant(visitors + 1));
    env.SetParam("newusernum", Variant(visitors + 1));
    site.Start(env.app().Get("_connstr").ToText());
    for (int v = 0; v < visitors; ++v) cookie = LogIn("v" + std::to_string(v));
  }

  // Logs `name` in; the session cookie of the answer.
  std::string LogIn(const std::string& name) {
    server::HttpRequest login;
    login.method = "POST";
    login.target = "/login.asp";
    login.headers["content-type"] = "application/x-www-form-urlencoded";
    login.body = "sUserName=" + name + "&sPass=pw" + name + "&room_id=1";
    login.peer_address = "10.0.0.1";
    for (const auto& [field, value] : site.Handle(login).headers) {
      if (field == "Set-Cookie") return value.substr(0, value.find(';'));
    }
    return "";
  }

  testing::ChatTestEnv env;
  server::ChatSite site;
  std::string cookie;
};

void BM_HandlePoll(benchmark::State& state) {
  static std::map<int64_t, std::unique_ptr<SiteWith>> sites;
  auto& site = sites[state.range(0)];
  if (!site) site = std::make_unique<SiteWith>(static_cast<int>(state.range(0)));
  server::HttpRequest poll;
  poll.method = "GET";
  poll.target = "/refresh.asp?sayid=1000000";
  poll.headers["cookie"] = site->cookie;
  poll.peer_address = "10.0.0.1";
  for (auto _ : state) benchmark::DoNotOptimize(site->site.Handle(poll));
}
BENCHMARK(BM_HandlePoll)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tavolin

BENCHMARK_MAIN();
