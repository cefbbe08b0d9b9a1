// Copyright Tavolin developers.
//
// The escapings of visitor text. Each is a fixed sequence of replacements
// whose order matters: a later step must neither undo nor double what an
// earlier one wrote (the "&" of "&lt;" must not become "&amp;lt;", the
// backslash TrStr puts before a quote must not be doubled).

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "component/config_switch.h"
#include "tavolin/corvane.h"
#include "text/strings.h"

namespace tavolin {

namespace {

// What a filtered word is shown as.
constexpr std::string_view kFilteredWord = "**(脏话)";
constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";

struct Replacement {
  std::string_view from;
  std::string_view to;
};

// Applies the replacements in the given order, each to every occurrence.
std::string ReplaceInOrder(std::string text, std::initializer_list<Replacement> steps) {
  for (const Replacement& step : steps) text = text::ReplaceAll(text, step.from, step.to);
  return text;
}

}  // namespace

Variant Corvane::zhgl(Variant& mess) {
  const std::vector<std::string_view> words = text::Split(filter_str_, ",");
  // With no words the argument stays exactly what it was, type included.
  if (words.empty()) return mess;
  std::string text = mess.ToText();
  for (std::string_view word : words) text = text::ReplaceFirst(text, word, kFilteredWord);
  mess = Variant(text);
  return mess;
}

Variant Corvane::trHtml(Variant& mess) {
  return Variant(ReplaceInOrder(mess.ToText(), {{"&", "&amp;"}, {"<", "&lt;"}, {">", "&gt;"}}));
}

Variant Corvane::trDb(Variant& mess) {
  Variant trimmed(std::string(text::TrimBlanks(mess.ToText())));
  zhgl(trimmed);
  const Variant html = trHtml(trimmed);
  // Safe inside a double-quoted attribute, a single-quoted script string and
  // a single-quoted SQL literal at once.
  const std::string text = ReplaceInOrder(
      html.ToText(),
      {{"\"", "&quot;"}, {"'", "&#39;"}, {"  ", kIdeographicSpace}, {"\n", ""}, {"\\", "&#92;"}});
  mess = Variant(text);
  // The line breaks show only in the result: the caller's copy keeps the CR.
  return Variant(text::ReplaceAll(text, "\r", "<br>"));
}

Variant Corvane::TrStr(Variant& mess, Variant& enablesaysfilter) {
  if (IsSwitchOn(enablesaysfilter)) zhgl(mess);
  // Backslashes are doubled first so the ones added after are not.
  const std::string text = ReplaceInOrder(
      mess.ToText(), {{"\\", "\\\\"}, {"\"", "\\\""}, {"'", "\\'"}, {"\n", ""}, {"\r", ""}});
  mess = Variant(text);
  return Variant(std::string(text::TrimBlanks(text)));
}

}  // namespace tavolin
