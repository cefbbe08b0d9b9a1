// Copyright Tavolin developers.
//
// LiveState: the live chat every request touches — the users online and the
// rooms with their occupants — as keyed records, so that a request reads and
// changes the records it concerns without walking the others.
//
// The records keep the layouts of list records (component/list_record.h):
// the same keys, the same fields at the same indexes, the same word-list
// rules for a room's occupants, the same order (a record added goes to the
// end). Where a whole list is still wanted as text (a method that takes one,
// a report) it is rendered from the records and reads exactly as the list
// record of the same records would.
//
// Homes: KeyedLiveState keeps the records in process (the default);
// ListTextLiveState keeps the two list texts themselves. The engine asks the
// interface only.
//
// Thread safety: none of its own. REQUIRES for every operation: the caller
// holds the application lock (ApplicationLock) of the application the live
// state belongs to; the engine's read-change-write sequences hold it from
// the first read to the last write.

#ifndef TAVOLIN_COMPONENT_LIVE_STATE_H_
#define TAVOLIN_COMPONENT_LIVE_STATE_H_

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tavolin/application.h"

namespace tavolin {

// A user or room record: its key and its fields, read and changed by index.
class LiveRecord {
 public:
  // `hidden_field`, when not -1, is a field the record was read without (a
  // room's occupants, which the live state tests and changes in place).
  LiveRecord(std::string key, std::vector<std::string> fields, int hidden_field = -1)
      : key_(std::move(key)), fields_(std::move(fields)), hidden_field_(hidden_field) {}

  const std::string& key() const { return key_; }
  const std::vector<std::string>& fields() const { return fields_; }
  // Throws CallError (kSubscriptOutOfRange) for an index the record does not
  // have, std::logic_error for the hidden field.
  const std::string& field(int index) const;
  void set_field(int index, std::string value);

 private:
  std::string key_;
  std::vector<std::string> fields_;
  int hidden_field_ = -1;
};

// Field `index` of the record of `key` with `fields`. Throws CallError
// (kSubscriptOutOfRange) for an index the record does not have.
const std::string& FieldOf(const std::vector<std::string>& fields, int index, std::string_view key);

class LiveState : public ApplicationObject {
 public:
  // How a name joins or leaves a room's occupants: the word-list rules
  // (component/list_record.h), and the variants a room change uses.
  enum class OccupantChange {
    kAddWord,             // AddWord
    kAppend,              // trimmed field, a blank, the name; double blanks made single
    kRemoveWord,          // RemoveWord
    kRemoveWordCollapse,  // RemoveWord, then double blanks made single
  };

  // Empties the user list and makes `rooms` the room list, in that order.
  virtual void Reset(std::vector<LiveRecord> rooms) = 0;

  // ---- Users online: the user records, keyed by name -------------------
  virtual int UserCount() const = 0;
  virtual bool HasUser(std::string_view name) const = 0;
  virtual std::optional<LiveRecord> FindUser(std::string_view name) const = 0;
  // Writes the record's fields over those of the record of the same name,
  // which keeps its place. REQUIRES: the user has a record.
  virtual void StoreUser(const LiveRecord& user) = 0;
  // Puts the record at the end, in place of any record of the same name.
  virtual void AppendUser(const LiveRecord& user) = 0;
  // Throws CallError (kSubscriptOutOfRange) when the user has no record.
  virtual void RemoveUser(std::string_view name) = 0;
  // Calls `visit` with every user's name and fields, in order: a walk over
  // everybody online. `visit` must not change the live state.
  using UserVisitor =
      std::function<void(const std::string& name, const std::vector<std::string>& fields)>;
  virtual void VisitUsers(const UserVisitor& visit) const = 0;
  virtual std::string UserListText() const = 0;

  // ---- Rooms, keyed by room id ----------------------------------------
  virtual bool HasRoom(std::string_view key) const = 0;
  // The key of the first room, or nothing when there are no rooms.
  virtual std::optional<std::string> FirstRoomKey() const = 0;
  virtual std::vector<std::string> RoomKeys() const = 0;
  // The room's record without its occupants (room_field::kOccupants is its
  // hidden field), or nothing.
  virtual std::optional<LiveRecord> FindRoom(std::string_view key) const = 0;
  // Puts the room's record (occupants included) at the end, in place of any
  // record of the same key.
  virtual void AppendRoom(const LiveRecord& room) = 0;
  // REQUIRES: the room exists; `index` is not room_field::kOccupants.
  virtual void SetRoomField(std::string_view key, int index, std::string value) = 0;
  // Throws CallError (kSubscriptOutOfRange) when the room does not exist.
  virtual void RemoveRoom(std::string_view key) = 0;
  virtual std::string RoomListText() const = 0;

  // ---- A room's occupants. REQUIRES for each: the room exists -----------
  virtual bool HasOccupant(std::string_view room, std::string_view name) const = 0;
  // Whether the occupant field is empty once trimmed: nobody is in the room.
  virtual bool RoomIsEmpty(std::string_view room) const = 0;
  virtual void ChangeOccupants(std::string_view room, OccupantChange change,
                               std::string_view name) = 0;
  // The occupant field's text, and its replacement: a walk over the room.
  virtual std::string OccupantText(std::string_view room) const = 0;
  virtual void SetOccupantText(std::string_view room, std::string text) = 0;

  // ---- The say ring and the counters ----------------------------------
  // The ring (`_says`, an array of rows 0 to `_maxtalk`) and the slot of the
  // newest line (`_current`), read and written together.
  struct Ring {
    Variant says;
    Variant current;
  };
  virtual Ring ReadRing() const = 0;
  virtual void WriteRing(Ring ring) = 0;
  // The ring to change: the live state lets go of it until WriteRing puts it
  // back, so that changing it does not copy it. Use RingChange.
  virtual Ring TakeRing() = 0;
  // The counters by their state-key suffix: "_chatroomclock" (when the user
  // check last ran), "_visitor" and "_hour24" (the visit counters).
  virtual Variant Counter(std::string_view suffix) const = 0;
  virtual void SetCounter(std::string_view suffix, Variant value) = 0;
};

// A live state kept in process, whose ring and counters are the application
// values under its prefix, where the site's pages read them too.
class InProcessLiveState : public LiveState {
 public:
  // A null application (the lists alone, as a method hands them over) has
  // no ring: using it throws std::logic_error.
  InProcessLiveState(Application* application, std::string prefix)
      : application_(application), prefix_(std::move(prefix)) {}

  Ring ReadRing() const override;
  void WriteRing(Ring ring) override;
  Ring TakeRing() override;
  Variant Counter(std::string_view suffix) const override;
  void SetCounter(std::string_view suffix, Variant value) override;

 private:
  Application& application() const;

  Application* application_;
  std::string prefix_;
};

// The say ring taken out of a live state for a change, and put back when the
// change ends, whether it changed it or not. REQUIRES: made and ended while
// the application lock is held.
class RingChange {
 public:
  explicit RingChange(LiveState& live) : live_(live), ring_(live.TakeRing()) {}
  ~RingChange() { live_.WriteRing(std::move(ring_)); }
  RingChange(const RingChange&) = delete;
  RingChange& operator=(const RingChange&) = delete;

  Variant& says() { return ring_.says; }
  Variant& current() { return ring_.current; }

 private:
  LiveState& live_;
  LiveState::Ring ring_;
};

// The live state of the chat under `prefix` in `application`: the one stored
// there, or a new KeyedLiveState stored on first use.
std::shared_ptr<LiveState> LiveStateOf(Application& application, std::string_view prefix);

// Stores `live` as the live state of the chat under `prefix` (a test's or a
// shared store's home instead of the in-process one).
void UseLiveState(Application& application, std::string_view prefix,
                  std::shared_ptr<LiveState> live);

}  // namespace tavolin

#endif  // TAVOLIN_COMPONENT_LIVE_STATE_H_
