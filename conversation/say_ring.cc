// Copyright Tavolin developers.
//
// The say ring: a fixed number of slots in application state holding the most
// recent lines of all rooms. Each slot holds the say id, sender, addressee,
// secret flag, room and the line's ready-made browser arguments.

#include <string>
#include <vector>

#include "component/page_text.h"
#include "conversation/say_audience.h"
#include "tavolin/corvane.h"
#include "text/html_text.h"

namespace tavolin {

namespace {

// Columns of a slot.
constexpr int kSayId = 0;
constexpr int kWho = 1;
constexpr int kToWho = 2;
constexpr int kSecret = 3;
constexpr int kRoom = 4;
constexpr int kSayText = 5;

// The room and the secret flag are numbers in the slot; the names are texts
// elsewhere in memory, so they are compared last, for the few private lines
// of the visitor's own room.
bool Visible(const VariantArray& ring, int slot, std::string_view name, int32_t room) {
  return LineVisible(ring.at(slot, kRoom).ToLong(), ring.at(slot, kSecret).ToDouble() == 0,
                     ring.at(slot, kWho).view(), ring.at(slot, kToWho).view(), name, room);
}

// Walks slots from `from` down to `to`, collecting the visible ones, until the
// first line the browser already has (say id not above `sayid`).
void CollectNewer(const VariantArray& ring, int from, int to, int64_t sayid, std::string_view name,
                  int32_t room, std::vector<int>& slots) {
  for (int i = from; i >= to; --i) {
    if (ring.at(i, kSayId).ToLong() - sayid <= 0) return;
    if (Visible(ring, i, name, room)) slots.push_back(i);
  }
}

}  // namespace

bool LineVisible(int32_t line_room, bool is_public, std::string_view who, std::string_view to_who,
                 std::string_view name, int32_t room) {
  if (line_room != room && line_room >= -1) return false;
  return is_public || who == name || to_who == name;
}

int32_t NewestSayId(const Variant& says, const Variant& current) {
  return says.array().at(current.ToLong(), kSayId).ToLong();
}

std::vector<SayAudience> AudiencesAfter(const Variant& says, const Variant& current,
                                        int32_t after) {
  const VariantArray& ring = says.array();
  const int size = ring.upper_bound(1) + 1;
  std::vector<SayAudience> lines;
  for (int step = 0, slot = current.ToLong(); step < size;
       ++step, slot = (slot + size - 1) % size) {
    const int32_t id = ring.at(slot, kSayId).ToLong();
    if (id - after <= 0) break;
    lines.push_back({id, static_cast<int32_t>(ring.at(slot, kRoom).ToLong()),
                     ring.at(slot, kSecret).ToDouble() == 0, ring.at(slot, kWho).ToText(),
                     ring.at(slot, kToWho).ToText()});
  }
  return lines;
}

void Corvane::Newsay(Variant& who, Variant& ToWho, Variant& secret, Variant& room_id, Variant& mess,
                     Variant& c1, Variant& c2, Variant& act, Variant& says, Variant& current) {
  VariantArray& ring = says.mutable_array();
  int32_t slot = current.ToLong();
  const int32_t id = ring.at(slot, kSayId).ToLong() + 1;
  ++slot;
  if (slot > ring.upper_bound(1)) slot = 0;

  // The names stand in the browser's script string; the slot keeps them as
  // they are for the visible-line rule.
  const std::string say_text =
      "'" + mess.ToText() + "','" + text::ScriptStringEscape(who.ToText()) + "','" +
      text::ScriptStringEscape(ToWho.ToText()) + "'," + secret.ToText() + ",'" + c1.ToText() +
      "','" + c2.ToText() + "'," + act.ToText() + ",'" + GetTimeStr().ToText() + "',";
  ring.at(slot, kSayId) = Variant(id);
  ring.at(slot, kWho) = Variant(who.ToText());
  ring.at(slot, kToWho) = Variant(ToWho.ToText());
  ring.at(slot, kSecret) = secret;
  ring.at(slot, kRoom) = Variant(room_id.ToLong());
  ring.at(slot, kSayText) = Variant(say_text);
  current = Variant(static_cast<int16_t>(slot));
}

Variant Corvane::GetNewSays(const Variant& says, const Variant& current, int32_t sayid) {
  return Variant(JoinSays(NewSays(says, current, sayid)));
}

std::vector<std::pair<Variant, Variant>> Corvane::NewSays(const Variant& says,
                                                          const Variant& current, int32_t sayid) {
  const VariantArray& ring = says.array();
  const int newest = current.ToLong();
  // Newest first: down from the newest slot, then, once the ring has wrapped,
  // down from the top to just above it.
  std::vector<int> slots;
  CollectNewer(ring, newest, 0, sayid, my_name_, room_id_, slots);
  CollectNewer(ring, ring.upper_bound(1), newest + 1, sayid, my_name_, room_id_, slots);

  std::vector<std::pair<Variant, Variant>> lines;
  lines.reserve(slots.size());
  for (auto slot = slots.rbegin(); slot != slots.rend(); ++slot) {
    lines.emplace_back(ring.at(*slot, kSayId), ring.at(*slot, kSayText));
  }
  return lines;
}

std::string Corvane::JoinSays(const std::vector<std::pair<Variant, Variant>>& lines) {
  size_t length = page::kNothingToDeliver.size();
  for (const auto& [id, text] : lines) length += 12 + text.view().size();
  std::string delivery;
  delivery.reserve(length);
  for (const auto& [id, text] : lines) {
    delivery += id.ToText();
    delivery += ',';
    delivery += text.view();
  }
  delivery += page::kNothingToDeliver;
  return delivery;
}

}  // namespace tavolin
