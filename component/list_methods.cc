// Copyright Tavolin developers.
//
// The pages' access to list records: read a field, change one or two fields,
// delete a record. None of them changes its arguments.

#include <string>

#include "component/list_record.h"
#include "tavolin/corvane.h"
#include "tavolin/error.h"

namespace tavolin {

namespace {

// The ways SetListValue changes a field.
enum class Change { kRemoveWord, kSet, kAddWord, kAddNumber };

// The field read as a number plus `value` as a 16-bit integer.
std::string AddNumber(const std::string& field, const Variant& value) {
  const int16_t addend = value.ToInteger();
  const Variant current(field);
  if (field.empty() || !current.IsNumeric()) {
    throw CallError(ErrorCode::kTypeMismatch, "field '" + field + "' is not a number");
  }
  return Variant(current.ToDouble() + addend).ToText();
}

// Mode -1 removes a word, 0 sets, 1 adds a word; any other mode adds a number
// for the first change and a word for the second.
Change ChangeOf(const Variant& mode, bool first) {
  const double m = mode.ToDouble();
  if (m == -1) return Change::kRemoveWord;
  if (m == 0) return Change::kSet;
  if (m == 1 || !first) return Change::kAddWord;
  return Change::kAddNumber;
}

void Apply(ListRecord& record, const Variant& index, const Variant& value, const Variant& mode,
           bool first) {
  const int i = index.ToLong();
  const std::string& field = record.field(i);
  switch (ChangeOf(mode, first)) {
    case Change::kRemoveWord:
      record.set_field(i, RemoveWord(field, value.ToText()));
      break;
    case Change::kSet:
      record.set_field(i, value.ToText());
      break;
    case Change::kAddWord:
      record.set_field(i, AddWord(field, value.ToText()));
      break;
    case Change::kAddNumber:
      record.set_field(i, AddNumber(field, value));
      break;
  }
}

}  // namespace

Variant Corvane::DelList(Variant& ListStr, Variant& IndexStr) {
  return Variant(RemoveRecord(ListStr.ToText(), IndexStr.ToText()));
}

Variant Corvane::GetListValue(Variant& ListStr, Variant& IndexStr, Variant& IndexNum) {
  const ListRecord record(ListStr.ToText(), IndexStr.ToText());
  return Variant(record.field(IndexNum.ToLong()));
}

Variant Corvane::SetListValue(Variant& ListStr, Variant& IndexStr, Variant& IndexNum1,
                              Variant& Value1, Variant& SetMod1, Variant* IndexNum2,
                              Variant* Value2, Variant* SetMod2) {
  ListRecord record(ListStr.ToText(), IndexStr.ToText());
  Apply(record, IndexNum1, Value1, SetMod1, /*first=*/true);
  if (IndexNum2 != nullptr) {
    if (Value2 == nullptr || SetMod2 == nullptr) {
      throw CallError(ErrorCode::kInvalidProcedureCall,
                      "SetListValue: IndexNum2 given without Value2 and SetMod2");
    }
    Apply(record, *IndexNum2, *Value2, *SetMod2, /*first=*/false);
  }
  return Variant(record.Join());
}

}  // namespace tavolin
