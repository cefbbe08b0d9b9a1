// Copyright Tavolin developers.

#include "component/list_record.h"

#include <utility>

#include "tavolin/error.h"
#include "text/strings.h"

namespace tavolin {

namespace {

constexpr std::string_view kFieldEnd = "$>";

[[noreturn]] void ThrowMissing(std::string_view what, std::string_view key) {
  throw CallError(ErrorCode::kSubscriptOutOfRange,
                  std::string(what) + " of key '" + std::string(key) + "' not in the list");
}

}  // namespace

std::string KeyMarker(std::string_view key) {
  std::string marker = "<$";
  marker.append(key);
  marker.append(kFieldEnd);
  return marker;
}

bool HasRecord(std::string_view list, std::string_view key) {
  return list.find(KeyMarker(key)) != std::string_view::npos;
}

int CountRecords(std::string_view list) {
  // The pieces of a split at every "$><$", halved, counted without splitting.
  if (list.empty()) return 0;
  constexpr std::string_view kJoin = "$><$";
  int separators = 0;
  for (size_t at = list.find(kJoin); at != std::string_view::npos;
       at = list.find(kJoin, at + kJoin.size())) {
    ++separators;
  }
  return (separators + 1) / 2;
}

std::vector<std::string> RecordKeys(std::string_view list) {
  std::vector<std::string> keys;
  size_t at = 0;
  while ((at = list.find("<$", at)) != std::string_view::npos) {
    const size_t key_end = list.find(kFieldEnd, at + 2);
    if (key_end == std::string_view::npos) break;
    const std::string marker = KeyMarker(list.substr(at + 2, key_end - at - 2));
    const size_t closing = list.find(marker, key_end + kFieldEnd.size());
    if (closing == std::string_view::npos) break;
    keys.emplace_back(list.substr(at + 2, key_end - at - 2));
    at = closing + marker.size();
  }
  return keys;
}

std::string RemoveRecord(std::string_view list, std::string_view key) {
  const std::string marker = KeyMarker(key);
  const size_t first = list.find(marker);
  if (first == std::string_view::npos) ThrowMissing("record", key);
  const size_t second = list.find(marker, first + marker.size());
  if (second == std::string_view::npos) ThrowMissing("record end", key);
  const size_t rest = second + marker.size();
  const size_t third = list.find(marker, rest);
  std::string result(list.substr(0, first));
  result.append(list.substr(rest, third == std::string_view::npos ? list.npos : third - rest));
  return result;
}

void AppendRecord(std::string& list, std::string_view key, const std::vector<std::string>& fields) {
  const std::string marker = KeyMarker(key);
  list += marker;
  for (const std::string& field : fields) {
    list += field;
    list += kFieldEnd;
  }
  list += marker;
}

ListRecord::ListRecord(std::string_view list, std::string_view key)
    : ListRecord(Variant(list), key) {}

namespace {

size_t FirstMarkerOrThrow(const Variant& list, std::string_view key) {
  const size_t first = list.view().find(KeyMarker(key));
  if (first == std::string_view::npos) ThrowMissing("record", key);
  return first;
}

}  // namespace

ListRecord::ListRecord(const Variant& list, std::string_view key)
    : ListRecord(list, key, FirstMarkerOrThrow(list, key)) {}

std::unique_ptr<ListRecord> ListRecord::Find(const Variant& list, std::string_view key) {
  const size_t first = list.view().find(KeyMarker(key));
  if (first == std::string_view::npos) return nullptr;
  return std::unique_ptr<ListRecord>(new ListRecord(list, key, first));
}

ListRecord::ListRecord(const Variant& list, std::string_view key, size_t first)
    : key_(key), list_(list) {
  const std::string_view text = list_.view();
  const std::string marker = KeyMarker(key);
  before_end_ = first;
  const size_t body_start = first + marker.size();
  const size_t second = text.find(marker, body_start);
  after_start_ = second == std::string_view::npos ? text.size() : second;
  for (std::string_view field :
       text::Split(text.substr(body_start, after_start_ - body_start), kFieldEnd)) {
    fields_.emplace_back(field);
  }
}

const std::string& ListRecord::field(int index) const {
  if (index < 0 || index >= field_count()) {
    throw CallError(ErrorCode::kSubscriptOutOfRange,
                    "field " + std::to_string(index) + " of record '" + key_ + "' does not exist");
  }
  return fields_[static_cast<size_t>(index)];
}

void ListRecord::set_field(int index, std::string value) {
  field(index);  // range check
  fields_[static_cast<size_t>(index)] = std::move(value);
}

std::string ListRecord::Join() const {
  const std::string_view text = list_.view();
  const std::string marker = KeyMarker(key_);
  size_t length = text.size() - (after_start_ - before_end_) + marker.size();
  for (const std::string& field : fields_) length += field.size() + kFieldEnd.size();
  std::string list;
  list.reserve(length);
  list.append(text.substr(0, before_end_));
  list += marker;
  list += text::Join(fields_, kFieldEnd);
  list.append(text.substr(after_start_));
  return list;
}

namespace {

std::string Surrounded(std::string_view text) {
  std::string result = " ";
  result.append(text);
  result += ' ';
  return result;
}

}  // namespace

bool HasWord(std::string_view words, std::string_view word) {
  return text::Contains(Surrounded(words), Surrounded(word));
}

std::string AddWord(std::string_view words, std::string_view word) {
  if (HasWord(words, word)) return std::string(words);
  std::string result(text::TrimBlanks(words));
  result += ' ';
  result.append(word);
  return result;
}

std::string RemoveWord(std::string_view words, std::string_view word) {
  return std::string(text::TrimBlanks(text::ReplaceAll(Surrounded(words), Surrounded(word), " ")));
}

namespace {

std::string CollapseDoubleBlanks(std::string_view text) {
  return text::ReplaceAll(text, "  ", " ");
}

}  // namespace

std::string AppendWord(std::string_view words, std::string_view word) {
  std::string result(text::TrimBlanks(words));
  result += ' ';
  result.append(word);
  return CollapseDoubleBlanks(result);
}

std::string RemoveWordCollapsing(std::string_view words, std::string_view word) {
  return CollapseDoubleBlanks(RemoveWord(words, word));
}

}  // namespace tavolin
