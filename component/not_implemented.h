// Copyright Tavolin developers.

#ifndef TAVOLIN_COMPONENT_NOT_IMPLEMENTED_H_
#define TAVOLIN_COMPONENT_NOT_IMPLEMENTED_H_

#include <string>
#include <string_view>

#include "tavolin/error.h"

namespace tavolin {

// Ends a method whose behaviour is not built yet with a clear error.
[[noreturn]] inline void ThrowNotImplemented(std::string_view method) {
  throw CallError(ErrorCode::kNotImplemented,
                  "Corvane." + std::string(method) + " is not implemented yet");
}

}  // namespace tavolin

#endif  // TAVOLIN_COMPONENT_NOT_IMPLEMENTED_H_
