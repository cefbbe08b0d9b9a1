// Copyright Tavolin developers.

#ifndef TAVOLIN_COMPONENT_COLUMN_TEXT_H_
#define TAVOLIN_COMPONENT_COLUMN_TEXT_H_

#include <string>
#include <string_view>

#include "tavolin/database.h"

namespace tavolin {

// The current row's value of `column` as text, a SQL NULL giving "" (how a
// column value enters a list record or a page).
inline std::string ColumnText(const RecordSet& rows, std::string_view column) {
  const Variant value = rows.Field(column);
  return value.is_null() ? std::string() : value.ToText();
}

}  // namespace tavolin

#endif  // TAVOLIN_COMPONENT_COLUMN_TEXT_H_
