// Copyright Tavolin developers.
//
// The code page is read once from the system's converter (iconv, charset
// "GBK") into two lookup tables; every later call is a table lookup, because
// the name rules ask for one character's code at a time and whole pages are
// converted on every answer.

#include "text/gbk.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <memory>
#include <stdexcept>
#include <string>

#include "text/strings.h"
#include "text/utf8.h"

namespace tavolin::text {

namespace {

constexpr unsigned kFirstLead = 0x81;
constexpr unsigned kLastLead = 0xFE;
constexpr unsigned kFirstTrail = 0x40;
constexpr unsigned kLastTrail = 0xFE;
constexpr char32_t kReplacement = 0xFFFD;
constexpr int16_t kQuestionMark = 63;

struct Tables {
  // Per BMP code point from U+0080: the code-page bytes, lead * 256 + trail
  // for a double-byte character, the byte itself for a single byte (the
  // euro sign is 0x80), 0 for a character the code page lacks.
  std::array<uint16_t, 0x10000> from_unicode{};
  // Per double-byte code, indexed by PairIndex: the code point, 0 if unassigned.
  std::array<char32_t, (kLastLead - kFirstLead + 1) * 256> from_pair{};
  // Per single byte 0x80..0xFF: the code point, 0 if the byte is no character.
  std::array<char32_t, 0x80> from_high_byte{};
};

size_t PairIndex(unsigned lead, unsigned trail) { return (lead - kFirstLead) * 256 + trail; }

// Owns one iconv conversion descriptor.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("the system has no converter from ") + from + " to " +
                               to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts the whole of `in` into `out`; returns the bytes written, or 0
  // when the input is not one complete, convertible sequence.
  size_t Convert(const char* in, size_t in_size, char* out, size_t out_size) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    char* in_ptr = const_cast<char*>(in);
    char* out_ptr = out;
    size_t in_left = in_size;
    size_t out_left = out_size;
    if (iconv(cd_, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<size_t>(-1) ||
        in_left != 0) {
      return 0;
    }
    return out_size - out_left;
  }

 private:
  iconv_t cd_;
};

// The code point of one UTF-32LE unit, or 0 when `size` is not exactly one.
char32_t ReadUtf32(const unsigned char* bytes, size_t size) {
  if (size != 4) return 0;
  return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<char32_t>(bytes[3]) << 24);
}

std::unique_ptr<Tables> BuildTables() {
  auto tables = std::make_unique<Tables>();
  Converter encoder("GBK", "UTF-32LE");
  Converter decoder("UTF-32LE", "GBK");
  unsigned char out[8];
  for (char32_t c = 0x80; c < 0x10000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const char in[4] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8), 0, 0};
    const size_t size = encoder.Convert(in, sizeof(in), reinterpret_cast<char*>(out), sizeof(out));
    if (size == 1) tables->from_unicode[c] = out[0];
    if (size == 2) tables->from_unicode[c] = static_cast<uint16_t>(out[0] << 8 | out[1]);
  }
  for (unsigned lead = kFirstLead; lead <= kLastLead; ++lead) {
    for (unsigned trail = kFirstTrail; trail <= kLastTrail; ++trail) {
      const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      const size_t size =
          decoder.Convert(in, sizeof(in), reinterpret_cast<char*>(out), sizeof(out));
      tables->from_pair[PairIndex(lead, trail)] = ReadUtf32(out, size);
    }
  }
  for (unsigned byte = 0x80; byte <= 0xFF; ++byte) {
    const char in[1] = {static_cast<char>(byte)};
    const size_t size = decoder.Convert(in, sizeof(in), reinterpret_cast<char*>(out), sizeof(out));
    tables->from_high_byte[byte - 0x80] = ReadUtf32(out, size);
  }
  return tables;
}

// Built on first use; a function-local static is initialised exactly once
// even when threads race to it.
const Tables& GetTables() {
  static const std::unique_ptr<Tables> tables = BuildTables();
  return *tables;
}

// The code-page bytes of `c` as stored in Tables::from_unicode, 0 if none.
uint16_t Encode(const Tables& tables, char32_t c) {
  if (c < 0x80) return static_cast<uint16_t>(c);
  return c < 0x10000 ? tables.from_unicode[c] : 0;
}

// The value of `c` as a digit in base 10 or 16, or -1.
int DigitValue(char c, bool hex) {
  if (c >= '0' && c <= '9') return c - '0';
  if (hex && c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (hex && c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the numeric character reference "&#N;" or "&#xN;" that begins at
// text[pos]: sets *c and returns its length, or returns 0 when there is none
// (no digits, no ";", or a value past U+10FFFF).
size_t ReadNumericReference(std::string_view text, size_t pos, char32_t* c) {
  if (text.compare(pos, 2, "&#") != 0) return 0;
  size_t i = pos + 2;
  const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
  if (hex) ++i;
  const size_t digits = i;
  char32_t value = 0;
  for (int digit; i < text.size() && (digit = DigitValue(text[i], hex)) >= 0; ++i) {
    value = value * (hex ? 16 : 10) + digit;
    if (value > 0x10FFFF) return 0;  // checked per digit, so it cannot overflow
  }
  if (i == digits || i == text.size() || text[i] != ';') return 0;
  *c = value;
  return i + 1 - pos;
}

size_t AsciiRunEnd(std::string_view text, size_t pos) {
  while (pos < text.size() && static_cast<unsigned char>(text[pos]) < 0x80) ++pos;
  return pos;
}

}  // namespace

int16_t GbkCode(char32_t c) {
  if (c < 0x80) return static_cast<int16_t>(c);
  const uint16_t code = Encode(GetTables(), c);
  if (code == 0) return kQuestionMark;
  return code < 0x100 ? static_cast<int16_t>(code) : static_cast<int16_t>(code - 0x10000);
}

std::string Utf8ToGbk(std::string_view utf8) {
  const Tables& tables = GetTables();
  std::string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    const size_t run_end = AsciiRunEnd(utf8, pos);
    out.append(utf8, pos, run_end - pos);
    pos = run_end;
    if (pos == utf8.size()) break;
    char32_t c;
    pos += DecodeChar(utf8, pos, &c);
    const uint16_t code = Encode(tables, c);
    if (code >= 0x100) {
      out.push_back(static_cast<char>(code >> 8));
      out.push_back(static_cast<char>(code & 0xFF));
    } else if (code != 0) {
      out.push_back(static_cast<char>(code));
    } else {
      // A stray byte in the text has no code point of its own to refer to.
      const char32_t shown = IsInvalidByte(c) ? kReplacement : c;
      out.append("&#").append(std::to_string(shown)).append(";");
    }
  }
  return out;
}

std::string GbkToUtf8(std::string_view gbk) {
  const Tables& tables = GetTables();
  std::string out;
  out.reserve(gbk.size() * 3 / 2);
  size_t pos = 0;
  while (pos < gbk.size()) {
    const size_t run_end = AsciiRunEnd(gbk, pos);
    out.append(gbk, pos, run_end - pos);
    pos = run_end;
    if (pos == gbk.size()) break;
    const auto lead = static_cast<unsigned char>(gbk[pos]);
    if (lead >= kFirstLead && lead <= kLastLead && pos + 1 < gbk.size()) {
      const auto trail = static_cast<unsigned char>(gbk[pos + 1]);
      const char32_t c = trail >= kFirstTrail && trail <= kLastTrail
                             ? tables.from_pair[PairIndex(lead, trail)]
                             : 0;
      if (c != 0) {
        AppendChar(out, c);
        pos += 2;
        continue;
      }
      // An unassigned pair is one bad character; an ASCII byte after a lead
      // byte is kept, so a broken lead never swallows the markup after it.
      if (trail >= 0x80) {
        AppendChar(out, kReplacement);
        pos += 2;
        continue;
      }
    }
    const char32_t single = tables.from_high_byte[lead - 0x80];
    AppendChar(out, single != 0 ? single : kReplacement);
    ++pos;
  }
  return out;
}

std::string GbkFormToUtf8(std::string_view gbk) {
  const Tables& tables = GetTables();
  const std::string utf8 = GbkToUtf8(gbk);
  std::string out;
  out.reserve(utf8.size());
  size_t pos = 0;
  for (size_t amp = utf8.find('&'); amp != std::string::npos; amp = utf8.find('&', pos)) {
    out.append(utf8, pos, amp - pos);
    char32_t c = 0;
    const size_t length = ReadNumericReference(utf8, amp, &c);
    const bool foreign =
        length != 0 && c >= 0x80 && !(c >= 0xD800 && c <= 0xDFFF) && Encode(tables, c) == 0;
    if (foreign) {
      AppendChar(out, c);
      pos = amp + length;
    } else {
      out += '&';
      pos = amp + 1;
    }
  }
  out.append(utf8, pos);
  return out;
}

}  // namespace tavolin::text
