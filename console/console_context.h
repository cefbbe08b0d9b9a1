// Copyright Tavolin developers.
//
// What the console's operations work on: the chat's application state under
// its prefix (the live chat and the loaded settings), its clock, and a
// database connection of the operation's own, opened from "_connstr".
//
// Thread safety: belongs to one request; the live chat it reaches is shared
// and changed only under the application lock.

#ifndef TAVOLIN_CONSOLE_CONSOLE_CONTEXT_H_
#define TAVOLIN_CONSOLE_CONSOLE_CONTEXT_H_

#include <memory>
#include <string>
#include <string_view>

#include "component/live_state.h"
#include "tavolin/application.h"
#include "tavolin/corvane.h"
#include "tavolin/database.h"
#include "tavolin/env.h"

namespace tavolin::console {

class ConsoleContext {
 public:
  // `app` and `env` must outlive the context.
  ConsoleContext(Application& app, std::string prefix, Env* env)
      : app_(app), prefix_(std::move(prefix)), env_(env) {}

  Application& app() { return app_; }
  const std::string& prefix() const { return prefix_; }
  DateTime Now() const { return env_->Now(); }
  // A loaded setting by its key suffix ("_exitroomshow").
  Variant Setting(std::string_view suffix) const { return app_.Get(prefix_ + std::string(suffix)); }
  LiveState& live() { return *LiveStateOf(app_, prefix_); }
  // Opened on first use. Throws CallError (kDatabase) when it cannot be.
  Connection& db();
  // An engine object of the chat's prefix, for the methods the live chat
  // changes go through (the notice lines).
  std::unique_ptr<Corvane> NewObject() const;

 private:
  Application& app_;
  const std::string prefix_;
  Env* const env_;
  std::unique_ptr<Connection> db_;
};

}  // namespace tavolin::console

#endif  // TAVOLIN_CONSOLE_CONSOLE_CONTEXT_H_
