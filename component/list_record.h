// Copyright Tavolin developers.
//
// List records: the format of the user list and the room list, and the one
// place that finds, splits, changes and joins their records.
//
// A list is records one after another; the record with key K and fields
// f0..fN reads "<$K$>f0$>f1$>...fN$><$K$>". Markers match exactly and
// case-sensitively, so key 1 never matches the record with key 11.
//
// Word lists (a room's occupants and guests) are fields holding names
// separated by single spaces.

#ifndef TAVOLIN_COMPONENT_LIST_RECORD_H_
#define TAVOLIN_COMPONENT_LIST_RECORD_H_

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tavolin/variant.h"

namespace tavolin {

// Field indexes of a room record.
namespace room_field {
inline constexpr int kName = 0;
inline constexpr int kOwner = 1;
inline constexpr int kRobot = 2;
inline constexpr int kDescription = 3;
inline constexpr int kTop = 4;
inline constexpr int kTitle = 5;
inline constexpr int kKeep = 6;
inline constexpr int kLastActivity = 7;
inline constexpr int kTt = 8;
inline constexpr int kHtml = 9;
inline constexpr int kExperience = 10;
inline constexpr int kBuildTime = 11;
inline constexpr int kOccupants = 12;
inline constexpr int kGuests = 13;
inline constexpr int kPermitLevel = 14;
inline constexpr int kDoorOpen = 15;
inline constexpr int kCount = 16;
}  // namespace room_field

// Field indexes of a user record.
namespace user_field {
inline constexpr int kToken = 0;
inline constexpr int kAddress = 1;
inline constexpr int kSex = 2;
inline constexpr int kStoredLevel = 3;
inline constexpr int kRoom = 4;
inline constexpr int kLastPoll = 5;
inline constexpr int kFace = 6;
inline constexpr int kZero = 7;
inline constexpr int kLevel = 8;
inline constexpr int kDeliveredSayId = 9;
inline constexpr int kLastLine = 10;
inline constexpr int kEntered = 11;
inline constexpr int kNote = 12;
inline constexpr int kCount = 15;
}  // namespace user_field

// The key marker "<$" key "$>".
std::string KeyMarker(std::string_view key);

// True when the list holds the marker of `key`.
bool HasRecord(std::string_view list, std::string_view key);

// The number of records, counted as the pieces between "$><$" joins halved
// (an empty list gives 0).
int CountRecords(std::string_view list);

// The keys of the records, in list order.
std::vector<std::string> RecordKeys(std::string_view list);

// The list without the record of `key`: the text before its first marker
// followed by the text between its second marker and any third one.
// Throws CallError (kSubscriptOutOfRange) when the marker occurs less than
// twice.
std::string RemoveRecord(std::string_view list, std::string_view key);

// Appends the record of `key` with `fields` to `list`.
void AppendRecord(std::string& list, std::string_view key, const std::vector<std::string>& fields);

// The record of one key split out of a list: the text before it, its fields
// and the text after it, so that fields can be read, changed and joined back
// into the same list. The fields are the record body split at every "$>":
// a well-formed record gives its fields and then one empty element, which the
// join turns back into the closing "$>".
class ListRecord {
 public:
  // Throws CallError (kSubscriptOutOfRange) when `key` has no marker in
  // `list`. The Variant form shares the list's text instead of copying it,
  // so that splitting a record out of a long list costs one scan.
  // REQUIRES for the Variant form: `list` is a String or Empty.
  ListRecord(const Variant& list, std::string_view key);
  ListRecord(std::string_view list, std::string_view key);
  ListRecord(const std::string& list, std::string_view key)
      : ListRecord(std::string_view(list), key) {}
  // The record of `key`, or nullptr when the list has none: one scan where a
  // HasRecord test and the constructor would take two.
  static std::unique_ptr<ListRecord> Find(const Variant& list, std::string_view key);

  const std::string& key() const { return key_; }
  // The number of fields: the split elements less the closing one.
  int field_count() const { return std::max(static_cast<int>(fields_.size()) - 1, 0); }
  // Throws CallError (kSubscriptOutOfRange) for an index outside the fields,
  // the closing element included: writing there would lose the record's
  // last "$>".
  const std::string& field(int index) const;
  void set_field(int index, std::string value);

  // The whole list with this record's fields as they are now.
  std::string Join() const;

 private:
  // REQUIRES: the key's first marker starts at `first` in `list`.
  ListRecord(const Variant& list, std::string_view key, size_t first);

  std::string key_;
  Variant list_;            // the list's text, shared
  size_t before_end_ = 0;   // the record's first marker starts here
  size_t after_start_ = 0;  // its second marker starts here (or the end)
  std::vector<std::string> fields_;
};

// Word-list rules. Words are matched exactly, whole, between single spaces.
bool HasWord(std::string_view words, std::string_view word);
// Unchanged when the word is there; otherwise the trimmed field, a blank and
// the word (so adding to an empty field gives " word").
std::string AddWord(std::string_view words, std::string_view word);
// Every non-overlapping " word " of " " + words + " " becomes " ", then the
// result is trimmed.
std::string RemoveWord(std::string_view words, std::string_view word);
// The trimmed field, a blank and the word, with double blanks made single:
// the word goes to the end even when it is there already.
std::string AppendWord(std::string_view words, std::string_view word);
// RemoveWord, then double blanks made single.
std::string RemoveWordCollapsing(std::string_view words, std::string_view word);

}  // namespace tavolin

#endif  // TAVOLIN_COMPONENT_LIST_RECORD_H_
