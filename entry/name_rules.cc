// Copyright Tavolin developers.
//
// The name rules of the login (forbidden words, allowed characters, display
// length) and the password transform whose result is stored in the user
// table. All three work on character codes of the simplified-Chinese
// double-byte code page.

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tavolin/corvane.h"
#include "tavolin/random.h"
#include "text/gbk.h"
#include "text/strings.h"

namespace tavolin {

namespace {

// Whether the character with code `a` may stand in a name. The ranges keep
// out control characters, punctuation and capitals, the code page's symbol
// rows, its user-defined areas and unassigned cells; digits, small letters
// and the hanzi of GB2312 and GBK pass.
bool CharacterAllowed(int a) {
  const int n = -a;
  const int hi = n / 256;  // C++ division truncates and its remainder takes
  const int lo = n % 256;  // the dividend's sign, as the rule expects
  const bool refused = a < -32448 || (-24321 < a && a < -22016) || (-352 < a && a < 48) ||
                       (lo < 96 && ((79 < hi && hi < 86) || (1 < hi && hi < 8))) ||
                       (-1 < lo && lo < 2) || lo > 192 || lo == 129 || (-10247 < a && a < -10241) ||
                       (57 < a && a < 97) || a > 122;
  return !refused;
}

// Int(r * scale + offset) computed in single precision, as the stored
// passwords were made: each operation rounds to float.
int ScaleDraw(float r, float scale, float offset) {
  const float scaled = r * scale;
  const float shifted = scaled + offset;
  return static_cast<int>(std::floor(shifted));
}

}  // namespace

Variant Corvane::Chuser(Variant& u, Variant& usernameenable) {
  const std::string name = u.ToText();
  for (std::string_view word : text::Split(filter_str_, ",")) {
    if (text::Contains(name, word)) return Variant(true);
  }

  // Space and full stop can never be allowed in a name.
  std::string enabled(text::TrimBlanks(usernameenable.ToText()));
  enabled = text::ReplaceAll(text::ReplaceAll(enabled, " ", ""), ".", "");
  usernameenable = Variant(enabled);
  const std::vector<char32_t> allowed = text::Chars(enabled);

  for (char32_t c : text::Chars(name)) {
    if (std::find(allowed.begin(), allowed.end(), c) != allowed.end()) continue;
    if (!CharacterAllowed(text::GbkCode(c))) return Variant(true);
  }
  return Variant(false);
}

Variant Corvane::len_ch(Variant& u) {
  // Lengths here count characters, so each double-byte character adds one.
  int32_t length = 0;
  for (char32_t c : text::Chars(u.ToText())) length += text::GbkCode(c) < 0 ? 2 : 1;
  return Variant(length);
}

Variant Corvane::trpass(Variant& preString) {
  const std::string password(text::TrimBlanks(preString.ToText()));
  preString = Variant(password);
  const std::vector<char32_t> chars = text::Chars(password);
  if (chars.empty()) return Variant("");

  // A generator of this call's own, so that a draw with a positive or zero
  // argument (a double-byte character) depends on this password alone and the
  // same password always scrambles the same way.
  LegacyRandom random;
  const int64_t n = static_cast<int64_t>(chars.size());
  random.Seed(static_cast<double>(n));
  int64_t key = n;
  const int64_t z = text::GbkCode(chars.back());
  std::string out;
  for (char32_t c : chars) {
    // The draw takes x in single precision.
    const int64_t x = -static_cast<int64_t>(text::GbkCode(c)) - key * z;
    key = ScaleDraw(random.Draw(static_cast<float>(x)), 94.0F, 32.0F);
    const int second = ScaleDraw(random.Draw(-static_cast<float>(key)), 94.0F, 32.0F);
    for (const int code : {static_cast<int>(key), second}) {
      if (code != '\'' && code != '"') out.push_back(static_cast<char>(code));
    }
  }
  return Variant(std::move(out));
}

}  // namespace tavolin
