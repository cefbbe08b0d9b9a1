// Copyright Tavolin developers.

#include "console/farewells.h"

#include <chrono>
#include <map>
#include <memory>
#include <mutex>

namespace tavolin::console {

namespace {

// A window that has not asked for its words within the sessions' idle limit
// never will: its session has gone.
constexpr auto kKeptFor = std::chrono::minutes(20);

class Farewells : public ApplicationObject {
 public:
  struct Left {
    std::string words;
    std::chrono::steady_clock::time_point at;
  };
  std::mutex mutex;
  std::map<std::string, Left, std::less<>> words;  // by name and token
};

Farewells& FarewellsOf(Application& app, std::string_view prefix) {
  return static_cast<Farewells&>(*app.GetOrMakeObject(
      std::string(prefix) + "_console_farewells", [] { return std::make_shared<Farewells>(); }));
}

std::string VisitKey(std::string_view name, std::string_view token) {
  return std::string(name) + '\n' + std::string(token);
}

}  // namespace

void LeaveFarewell(Application& app, std::string_view prefix, std::string_view name,
                   std::string_view token, std::string words) {
  Farewells& farewells = FarewellsOf(app, prefix);
  const auto now = std::chrono::steady_clock::now();
  std::lock_guard lock(farewells.mutex);
  std::erase_if(farewells.words,
                [now](const auto& left) { return now - left.second.at > kKeptFor; });
  farewells.words[VisitKey(name, token)] = {std::move(words), now};
}

std::optional<std::string> TakeFarewell(Application& app, std::string_view prefix,
                                        std::string_view name, std::string_view token) {
  Farewells& farewells = FarewellsOf(app, prefix);
  std::lock_guard lock(farewells.mutex);
  const auto found = farewells.words.find(VisitKey(name, token));
  if (found == farewells.words.end()) return std::nullopt;
  std::string words = std::move(found->second.words);
  farewells.words.erase(found);
  return words;
}

}  // namespace tavolin::console
