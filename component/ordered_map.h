// Copyright Tavolin developers.
//
// OrderedMap: records by key in the order they were added, with constant-cost
// lookup, append and erase. It keeps the live chat's lists (users online,
// rooms, a room's occupants) so that finding one entry never walks the
// others, while a walk still meets them in list order.
//
// Thread safety: none; the owner serialises access.

#ifndef TAVOLIN_COMPONENT_ORDERED_MAP_H_
#define TAVOLIN_COMPONENT_ORDERED_MAP_H_

#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace tavolin {

template <typename Value>
class OrderedMap {
 public:
  struct Entry {
    std::string key;
    Value value;
  };
  using const_iterator = typename std::list<Entry>::const_iterator;

  OrderedMap() = default;
  // Moving keeps the index valid (list nodes stay where they are); a copy
  // would index the original's entries, so there is none.
  OrderedMap(OrderedMap&&) noexcept = default;
  OrderedMap& operator=(OrderedMap&&) noexcept = default;
  OrderedMap(const OrderedMap&) = delete;
  OrderedMap& operator=(const OrderedMap&) = delete;

  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }

  // The entry of `key`, or null.
  Value* Find(std::string_view key) {
    const auto it = index_.find(key);
    return it == index_.end() ? nullptr : &it->second->value;
  }
  const Value* Find(std::string_view key) const {
    const auto it = index_.find(key);
    return it == index_.end() ? nullptr : &it->second->value;
  }
  bool Contains(std::string_view key) const { return index_.count(key) != 0; }

  // Adds `key` at the end. REQUIRES: the map has no entry of `key`.
  Value& Append(std::string key, Value value) {
    entries_.push_back(Entry{std::move(key), std::move(value)});
    const auto last = std::prev(entries_.end());
    // The index's keys view the entries' own keys, which a list never moves.
    index_.emplace(std::string_view(last->key), last);
    return last->value;
  }

  // Removes the entry of `key`; false when there is none.
  bool Erase(std::string_view key) {
    const auto it = index_.find(key);
    if (it == index_.end()) return false;
    const auto entry = it->second;
    index_.erase(it);
    entries_.erase(entry);
    return true;
  }

  void Clear() {
    index_.clear();
    entries_.clear();
  }

 private:
  std::list<Entry> entries_;
  std::unordered_map<std::string_view, typename std::list<Entry>::iterator> index_;
};

}  // namespace tavolin

#endif  // TAVOLIN_COMPONENT_ORDERED_MAP_H_
