// Copyright Tavolin developers.
//
// A random walk through the chat for differential tests: logins, polls,
// lines, room changes, leaving, the silent-visit sweep, the clock, the room
// update and the list-taking methods, drawn from one random source, so that
// two chats given the same seed take the same steps and must answer alike.

#ifndef TAVOLIN_TESTING_RANDOM_CHAT_STEPS_H_
#define TAVOLIN_TESTING_RANDOM_CHAT_STEPS_H_

#include <functional>
#include <memory>
#include <random>
#include <string>

#include "tavolin/application.h"
#include "tavolin/corvane.h"
#include "tavolin/env.h"
#include "tavolin/session.h"
#include "testing/chat_test_env.h"

namespace tavolin::testing {

// Where a step runs: the application of the chat (under prefix ""), its
// objects, the clock they read, and the visitors' sessions.
struct StepTarget {
  Application& app;
  std::function<std::unique_ptr<Corvane>()> new_object;
  ManualClockEnv& clock;
  MemorySession* sessions;  // kStepSessions of them
};
inline constexpr int kStepSessions = 12;

// Draws one step from `random` and runs it: its kind, then the answer or the
// error code.
std::string RunRandomStep(const StepTarget& target, std::mt19937& random);

// Prepares a fresh chat database for the walk: fixed room times, a room 12,
// a ring of 40, at most 8 visitors a room, two robot answers.
void PrepareStepDatabase(ChatTestEnv& chat);

// What the chat shows after a step: the two lists, the ring and its newest slot.
std::string ChatState(Application& app);

}  // namespace tavolin::testing

#endif  // TAVOLIN_TESTING_RANDOM_CHAT_STEPS_H_
