// Copyright Tavolin developers.

#include "housekeeping/run_values.h"

#include <string>

#include "tavolin/error.h"
#include "text/strings.h"

namespace tavolin {

bool IsRealRun(const Variant& mode) {
  return !mode.is_empty() && mode.IsNumeric() && mode.ToDouble() == 1;
}

bool IsLimitValue(const Variant& value) {
  // Empty reads as a number elsewhere, but an empty limit leaves the command
  // incomplete.
  const bool blank =
      value.is_empty() || (value.is_string() && text::TrimBlanks(value.view()).empty());
  return !blank && value.IsNumeric();
}

Variant LimitParameter(const Variant& value, std::string_view key) {
  if (!IsLimitValue(value)) {
    throw CallError(ErrorCode::kDatabase, "the configuration value " + std::string(key) +
                                              " is not a number: '" +
                                              (value.is_null() ? "Null" : value.ToText()) + "'");
  }
  return Variant(value.ToDouble());
}

}  // namespace tavolin
