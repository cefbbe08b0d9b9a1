// Copyright Tavolin developers.

#include "platform/materialized_record_set.h"

#include <utility>

#include "platform/ascii.h"
#include "tavolin/error.h"

namespace tavolin {
namespace {

[[noreturn]] void ThrowDatabase(const std::string& message) {
  throw CallError(ErrorCode::kDatabase, message);
}

}  // namespace

MaterializedRecordSet::MaterializedRecordSet(std::vector<std::string> columns,
                                             std::vector<Row> rows)
    : columns_(std::move(columns)), rows_(std::move(rows)) {}

bool MaterializedRecordSet::eof() const { return position_ >= rows_.size(); }

bool MaterializedRecordSet::bof() const { return rows_.empty(); }

Variant MaterializedRecordSet::Field(std::string_view column) const {
  if (eof()) {
    ThrowDatabase("no current row to read column '" + std::string(column) + "' from");
  }
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (EqualsIgnoreAsciiCase(columns_[i], column)) return rows_[position_][i];
  }
  ThrowDatabase("the result has no column '" + std::string(column) + "'");
}

void MaterializedRecordSet::MoveNext() {
  if (eof()) ThrowDatabase("cannot move past the last row");
  ++position_;
}

void MaterializedRecordSet::Close() {
  rows_.clear();
  rows_.shrink_to_fit();
  position_ = 0;
}

}  // namespace tavolin
