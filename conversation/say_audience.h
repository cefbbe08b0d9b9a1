// Copyright Tavolin developers.
//
// Who may see a line of the say ring, read from the ring without its text:
// what a waiting poll is woken by.

#ifndef TAVOLIN_CONVERSATION_SAY_AUDIENCE_H_
#define TAVOLIN_CONVERSATION_SAY_AUDIENCE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tavolin/variant.h"

namespace tavolin {

// The rule of every delivery: a line is visible to `name` in `room` when it
// belongs to that room or to every room (room below -1), and is public or
// from or to that name.
bool LineVisible(int32_t line_room, bool is_public, std::string_view who, std::string_view to_who,
                 std::string_view name, int32_t room);

struct SayAudience {
  int32_t id = 0;
  int32_t room = 0;  // below -1: every room
  bool is_public = true;
  std::string who;
  std::string to_who;

  bool Sees(std::string_view name, int32_t visitor_room) const {
    return LineVisible(room, is_public, who, to_who, name, visitor_room);
  }
};

// The say id of the ring's newest line.
int32_t NewestSayId(const Variant& says, const Variant& current);

// The audiences of the ring's lines newer than say id `after`, newest first.
std::vector<SayAudience> AudiencesAfter(const Variant& says, const Variant& current, int32_t after);

}  // namespace tavolin

#endif  // TAVOLIN_CONVERSATION_SAY_AUDIENCE_H_
