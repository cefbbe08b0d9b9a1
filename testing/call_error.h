// Copyright Tavolin developers.
//
// Tests check which CallError an action ends with, and that it ends with one
// at all: a failure reported as success shows as nullopt.

#ifndef TAVOLIN_TESTING_CALL_ERROR_H_
#define TAVOLIN_TESTING_CALL_ERROR_H_

#include <optional>

#include "tavolin/error.h"

namespace tavolin::testing {

// The code of the CallError `action` throws, or nullopt when it throws none.
template <typename Action>
std::optional<ErrorCode> ErrorOf(Action&& action) {
  try {
    action();
  } catch (const CallError& error) {
    return error.code();
  }
  return std::nullopt;
}

}  // namespace tavolin::testing

#endif  // TAVOLIN_TESTING_CALL_ERROR_H_
