// Copyright Tavolin developers.

#include "console/farewells.h"

#include <map>
#include <memory>
#include <mutex>

namespace tavolin::console {

namespace {

class Farewells : public ApplicationObject {
 public:
  std::mutex mutex;
  std::map<std::string, std::string, std::less<>> words;  // by name and token
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
  std::lock_guard lock(farewells.mutex);
  farewells.words[VisitKey(name, token)] = std::move(words);
}

std::optional<std::string> TakeFarewell(Application& app, std::string_view prefix,
                                        std::string_view name, std::string_view token) {
  Farewells& farewells = FarewellsOf(app, prefix);
  std::lock_guard lock(farewells.mutex);
  const auto found = farewells.words.find(VisitKey(name, token));
  if (found == farewells.words.end()) return std::nullopt;
  std::string words = std::move(found->second);
  farewells.words.erase(found);
  return words;
}

}  // namespace tavolin::console
