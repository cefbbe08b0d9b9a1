// Copyright Tavolin developers.

#ifndef TAVOLIN_TESTING_CALL_ERROR_H_
#define TAVOLIN_TESTING_CALL_ERROR_H_

#include <optional>

#include "tavolin/error.h"

namespace tavolin::testing {

// The code of the CallError `action` throws; nullopt, a failure unreported, if none.
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
