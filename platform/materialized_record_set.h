// Copyright Tavolin developers.
//
// A record set whose rows were all read while the command ran, so that no
// statement or server cursor outlives Execute.

#ifndef TAVOLIN_PLATFORM_MATERIALIZED_RECORD_SET_H_
#define TAVOLIN_PLATFORM_MATERIALIZED_RECORD_SET_H_

#include <string>
#include <vector>

#include "tavolin/database.h"
#include "tavolin/variant.h"

namespace tavolin {

// The rows of one query, held in memory.
//
// Thread safety: none; a record set belongs to one thread at a time.
class MaterializedRecordSet : public RecordSet {
 public:
  using Row = std::vector<Variant>;

  // Every row holds one value per entry of `columns`.
  MaterializedRecordSet(std::vector<std::string> columns, std::vector<Row> rows);

  bool eof() const override;
  bool bof() const override;
  // Looks the column up by name without regard to ASCII letter case; the
  // first column of that name wins when a query returns two.
  Variant Field(std::string_view column) const override;
  void MoveNext() override;
  void Close() override;

 private:
  std::vector<std::string> columns_;
  std::vector<Row> rows_;
  size_t position_ = 0;
};

}  // namespace tavolin

#endif  // TAVOLIN_PLATFORM_MATERIALIZED_RECORD_SET_H_
