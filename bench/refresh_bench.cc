// Copyright Tavolin developers.
//
// The poll is the hottest path: every visitor calls it every six seconds.
// These benchmarks measure one poll with many visitors online and a full
// ring, and one post.

#include <benchmark/benchmark.h>

#include <string>

#include "conversation/visits.h"
#include "testing/live_chat.h"

namespace tavolin {
namespace {

// A chat with `visitors` online in 10 rooms and a ring of 200 lines.
testing::LiveChat& ChatWith(int visitors) {
  static std::map<int, std::unique_ptr<testing::LiveChat>> chats;
  auto& chat = chats[visitors];
  if (!chat) {
    chat = std::make_unique<testing::LiveChat>(200);
    for (int room = 1; room <= 10; ++room) chat->AddRoom(room, "room" + std::to_string(room));
    for (int v = 0; v < visitors; ++v) chat->Enter("visitor" + std::to_string(v), 1 + v % 10);
    for (int line = 0; line < 300; ++line) {
      chat->Say("visitor" + std::to_string(line % 10), "line " + std::to_string(line));
    }
  }
  return *chat;
}

void BM_RefreshQuiet(benchmark::State& state) {
  testing::LiveChat& chat = ChatWith(static_cast<int>(state.range(0)));
  const std::string name = "visitor" + std::to_string(state.range(0) / 2);
  for (auto _ : state) benchmark::DoNotOptimize(chat.Refresh(name));
}
BENCHMARK(BM_RefreshQuiet)->Arg(100)->Arg(10000)->Arg(100000);

void BM_RefreshDeliveringTenLines(benchmark::State& state) {
  testing::LiveChat& chat = ChatWith(static_cast<int>(state.range(0)));
  const std::string name = "visitor" + std::to_string(state.range(0) / 2);
  const std::string since = std::to_string(chat.NewestSayId() - 10);
  for (auto _ : state) benchmark::DoNotOptimize(chat.Refresh(name, since.c_str()));
}
BENCHMARK(BM_RefreshDeliveringTenLines)->Arg(100)->Arg(100000);

void BM_Post(benchmark::State& state) {
  testing::LiveChat& chat = ChatWith(static_cast<int>(state.range(0)));
  const std::string name = "visitor" + std::to_string(state.range(0) / 3);
  for (auto _ : state) benchmark::DoNotOptimize(chat.Say(name, "hello there"));
}
BENCHMARK(BM_Post)->Arg(100)->Arg(100000);

// The user check walks everybody: the pause it puts on the chat once a
// minute, with nobody silent.
void BM_UserCheckNobodySilent(benchmark::State& state) {
  testing::LiveChat& chat = ChatWith(static_cast<int>(state.range(0)));
  auto object = chat.NewObject();
  for (auto _ : state) {
    benchmark::DoNotOptimize(EndSilentVisits(*object, chat.app(), chat.clock().Now(), 120));
  }
}
BENCHMARK(BM_UserCheckNobodySilent)->Arg(100)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavolin

BENCHMARK_MAIN();
