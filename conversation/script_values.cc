// Copyright Tavolin developers.

#include "conversation/script_values.h"

#include <cmath>

#include "text/html_text.h"

namespace tavolin {

std::string ShownInScript(std::string_view text) {
  return text::ScriptStringEscape(text::HtmlEscape(text));
}

std::string ScriptNumber(const Variant& value) {
  if (value.is_null() || !value.IsNumeric()) return "0";
  const double number = value.ToDouble();
  if (!std::isfinite(number)) return "0";
  return Variant(number).ToText();
}

}  // namespace tavolin
