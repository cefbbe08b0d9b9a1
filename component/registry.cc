// Copyright Tavolin developers.
//
// Creating objects by their programmatic identifier, as the pages do.

#include <functional>
#include <map>
#include <string>

#include "tavolin/corvane.h"
#include "tavolin/error.h"
#include "text/strings.h"

namespace tavolin {

std::unique_ptr<Corvane> CreateObject(std::string_view prog_id, Env* env) {
  using Factory = std::function<std::unique_ptr<Corvane>(Env*)>;
  static const std::map<std::string, Factory, std::less<>> registry = {
      {"tavolin.corvane", [](Env* e) { return std::make_unique<Corvane>(e); }},
  };
  const auto found = registry.find(text::AsciiLower(prog_id));
  if (found == registry.end()) {
    throw CallError(ErrorCode::kUnknownName, "cannot create object '" + std::string(prog_id) + "'");
  }
  return found->second(env);
}

}  // namespace tavolin
