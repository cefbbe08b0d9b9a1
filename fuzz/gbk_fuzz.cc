// Copyright Tavolin developers.
//
// Conversion between the wire's code page and UTF-8, both ways.

#include <string>

#include "fuzz/fuzz_input.h"
#include "text/gbk.h"
#include "text/utf8.h"

namespace tavolin::text {

namespace {

bool IsValidUtf8(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    char32_t c = 0;
    pos += DecodeChar(text, pos, &c);
    if (IsInvalidByte(c)) return false;
  }
  return true;
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // As code-page bytes from a browser.
  const std::string utf8 = GbkToUtf8(bytes);
  fuzz::Check(IsValidUtf8(utf8), "converted text is valid UTF-8");
  fuzz::Check(IsValidUtf8(GbkFormToUtf8(bytes)), "a converted form value is valid UTF-8");
  if (utf8.find(kReplacement) == std::string::npos) {
    fuzz::Check(Utf8ToGbk(utf8) == bytes, "valid code-page text converts back unchanged");
  }

  // As UTF-8 text of ours: what the code page lacks travels as a reference
  // and comes back from a form as the character.
  if (IsValidUtf8(bytes)) {
    const std::string wire = Utf8ToGbk(bytes);
    if (bytes.find('&') == std::string_view::npos &&
        bytes.find(kReplacement) == std::string::npos) {
      fuzz::Check(GbkFormToUtf8(wire) == bytes, "UTF-8 text survives the trip through a form");
    }
  }
  return 0;
}

}  // namespace tavolin::text
