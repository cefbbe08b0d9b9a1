// Copyright Tavolin developers.

#include "server/url_codec.h"

#include <cctype>

#include "text/strings.h"

namespace tavolin::server {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string PercentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
               HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

std::string PercentEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) != 0 || c == '-' || c == '_' || c == '.' || c == '~') {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
  return out;
}

NameValues ParseUrlEncoded(std::string_view text) {
  NameValues pairs;
  for (std::string_view piece : text::Split(text, "&")) {
    if (piece.empty()) continue;
    const size_t equals = piece.find('=');
    if (equals == std::string_view::npos) {
      pairs.emplace_back(PercentDecode(piece), std::string());
    } else {
      pairs.emplace_back(PercentDecode(piece.substr(0, equals)),
                         PercentDecode(piece.substr(equals + 1)));
    }
  }
  return pairs;
}

NameValues ParseCookies(std::string_view header) {
  NameValues pairs;
  for (std::string_view piece : text::Split(header, ";")) {
    piece = text::TrimBlanks(piece);
    const size_t equals = piece.find('=');
    if (piece.empty() || equals == std::string_view::npos) continue;
    pairs.emplace_back(std::string(text::TrimBlanks(piece.substr(0, equals))),
                       std::string(text::TrimBlanks(piece.substr(equals + 1))));
  }
  return pairs;
}

std::pair<std::string_view, std::string_view> SplitTarget(std::string_view target) {
  const size_t question = target.find('?');
  if (question == std::string_view::npos) return {target, {}};
  return {target.substr(0, question), target.substr(question + 1)};
}

}  // namespace tavolin::server
