// Copyright Tavolin developers.
//
// The list-record functions on arbitrary lists and keys. Input: a key line,
// a word line, then the list.

#include <string>

#include "component/list_record.h"
#include "fuzz/fuzz_input.h"
#include "tavolin/error.h"

namespace tavolin {

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput input(data, size);
  const std::string key(input.Next());
  const std::string word(input.Next());
  const std::string list(input.Rest());

  CountRecords(list);
  RecordKeys(list);
  const bool has = HasRecord(list, key);
  try {
    const std::string without = RemoveRecord(list, key);
    fuzz::Check(without.size() < list.size(), "removing a record shortens the list");
  } catch (const CallError& e) {
    fuzz::Check(e.code() == ErrorCode::kSubscriptOutOfRange, "RemoveRecord's error code");
  }

  const std::unique_ptr<ListRecord> found = ListRecord::Find(Variant(list), key);
  fuzz::Check((found != nullptr) == has, "Find agrees with HasRecord");
  if (found) {
    fuzz::Check(found->Join() == list, "an unchanged record joins back into the same list");
    ListRecord record(list, key);
    for (int index = -1; index <= record.field_count(); ++index) {
      try {
        record.set_field(index, word);
        fuzz::Check(record.field(index) == word, "a field reads back as set");
      } catch (const CallError& e) {
        fuzz::Check(index < 0 || index >= record.field_count(), "only fields outside throw");
      }
    }
    const std::string changed = record.Join();
    fuzz::Check(HasRecord(changed, key), "a changed record keeps its marker");
  }

  std::string appended = list;
  AppendRecord(appended, key, {word, word});
  fuzz::Check(HasRecord(appended, key), "an appended record is found");

  const bool simple_word = !word.empty() && word.find(' ') == std::string::npos;
  const std::string added = AddWord(list, word);
  if (simple_word) fuzz::Check(HasWord(added, word), "an added word is there");
  RemoveWord(added, word);
  AppendWord(list, word);
  RemoveWordCollapsing(list, word);
  return 0;
}

}  // namespace tavolin
