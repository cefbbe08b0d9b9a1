// Copyright Tavolin developers.
//
// The working values of one post while it is checked, cleaned, addressed and
// stored.

#ifndef TAVOLIN_CONVERSATION_POST_H_
#define TAVOLIN_CONVERSATION_POST_H_

#include <cstdint>
#include <string>

#include "tavolin/variant.h"

namespace tavolin {

struct Post {
  int16_t level = 0;       // the poster's effective level
  bool owner = false;      // the poster owns the room
  std::string robot;       // the room robot's name
  Variant filter_switch;   // "1" when the bad-word filter applies
  std::string text;        // the line, as it is being cleaned
  std::string to_who;      // the addressee
  std::string color1;      // the line's first colour
  std::string color2;      // the line's second colour
  int16_t act = 0;         // the act value stored with the line
  int16_t chosen_act = 0;  // the act number as the poster sent it
  int16_t secret = 0;      // 1 for a private line
  std::string mode;        // "toall", "toself" or "toother"
  std::string error;       // a system message for the poster alone
  std::string out;         // script calls for the poster's page
};

}  // namespace tavolin

#endif  // TAVOLIN_CONVERSATION_POST_H_
