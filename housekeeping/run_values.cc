// Copyright Tavolin developers.

#include "housekeeping/run_values.h"

#include <string>

#include "tavolin/error.h"
#include "text/strings.h"

namespace tavolin {

bool IsRealRun(const Variant& mode) {
  return !mode.is_empty() && mode.IsNumeric() && mode.ToDouble() == 1;
}

Variant LimitParameter(const Variant& value, std::string_view key) {
  // Empty reads as a number elsewhere, but an empty limit leaves the command
  // incomplete.
  const bool blank =
      value.is_empty() || (value.is_string() && text::TrimBlanks(value.view()).empty());
  if (blank || !value.IsNumeric()) {
    throw CallError(ErrorCode::kDatabase, "the configuration value " + std::string(key) +
                                              " is not a number: '" +
                                              (value.is_null() ? "Null" : value.ToText()) + "'");
  }
  return Variant(value.ToDouble());
}

}  // namespace tavolin
