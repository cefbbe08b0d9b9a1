// Copyright Tavolin developers.

#include "text/strings.h"

#include "text/utf8.h"

namespace tavolin::text {

std::string_view TrimBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

namespace {

// Replaces occurrences of `from` left to right, at most `limit` of them.
std::string Replace(std::string_view text, std::string_view from, std::string_view to,
                    size_t limit) {
  if (from.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  size_t start = 0;
  for (size_t done = 0; done < limit; ++done) {
    const size_t found = text.find(from, start);
    if (found == std::string_view::npos) break;
    out.append(text, start, found - start);
    out.append(to);
    start = found + from.size();
  }
  out.append(text, start);
  return out;
}

}  // namespace

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  return Replace(text, from, to, std::string_view::npos);
}

std::string ReplaceFirst(std::string_view text, std::string_view from, std::string_view to) {
  return Replace(text, from, to, 1);
}

std::vector<std::string_view> Split(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> pieces;
  if (text.empty()) return pieces;
  size_t start = 0;
  for (;;) {
    const size_t found = text.find(separator, start);
    if (found == std::string_view::npos) break;
    pieces.push_back(text.substr(start, found - start));
    start = found + separator.size();
  }
  pieces.push_back(text.substr(start));
  return pieces;
}

std::string Join(const std::vector<std::string>& pieces, std::string_view separator) {
  std::string out;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) out.append(separator);
    out.append(pieces[i]);
  }
  return out;
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

namespace {

char AsciiLowerChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLowerChar(c);
  return out;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLowerChar(a[i]) != AsciiLowerChar(b[i])) return false;
  }
  return true;
}

namespace {

// The byte length of the first `count` characters (all of `text` when it has
// fewer), and the number of characters counted.
size_t CharsPrefix(std::string_view text, size_t count, size_t* counted) {
  size_t pos = 0;
  size_t n = 0;
  char32_t c;
  while (n < count && pos < text.size()) {
    pos += DecodeChar(text, pos, &c);
    ++n;
  }
  *counted = n;
  return pos;
}

}  // namespace

size_t CharCount(std::string_view text) {
  size_t counted;
  CharsPrefix(text, text.size(), &counted);
  return counted;
}

std::string_view LeftChars(std::string_view text, size_t count) {
  size_t counted;
  return text.substr(0, CharsPrefix(text, count, &counted));
}

std::vector<char32_t> Chars(std::string_view text) {
  std::vector<char32_t> chars;
  chars.reserve(text.size());
  char32_t c;
  for (size_t pos = 0; pos < text.size();) {
    pos += DecodeChar(text, pos, &c);
    chars.push_back(c);
  }
  return chars;
}

void AppendChar(std::string& out, char32_t c) {
  if (IsInvalidByte(c)) {
    out.push_back(static_cast<char>(c - kInvalidByteBase));
    return;
  }
  // Other surrogates and values beyond Unicode have no UTF-8 form.
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace tavolin::text
