// Copyright Tavolin developers.

#include "text/utf8.h"

namespace tavolin::text {

size_t DecodeChar(std::string_view text, size_t pos, char32_t* c) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x80) {
    *c = lead;
    return 1;
  }
  size_t length = 0;
  char32_t value = 0;
  char32_t smallest = 0;  // below it the form is overlong
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    value = lead & 0x1F;
    smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    value = lead & 0x0F;
    smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    value = lead & 0x07;
    smallest = 0x10000;
  }
  // length stays 0 for a continuation byte or 0xF8..0xFF: neither begins one.
  bool valid = length != 0 && pos + length <= text.size();
  for (size_t i = 1; valid && i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    valid = (next & 0xC0) == 0x80;
    value = (value << 6) | (next & 0x3F);
  }
  valid = valid && value >= smallest && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF);
  if (!valid) {
    *c = kInvalidByteBase + lead;
    return 1;
  }
  *c = value;
  return length;
}

}  // namespace tavolin::text
