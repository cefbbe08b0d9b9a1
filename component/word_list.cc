// Copyright Tavolin developers.

#include "component/word_list.h"

#include "component/list_record.h"
#include "text/strings.h"

namespace tavolin {

bool WordList::IsPlainWord(std::string_view word) {
  return !word.empty() && word.find(' ') == std::string_view::npos;
}

bool WordList::Has(std::string_view word) const {
  if (as_set_ && IsPlainWord(word)) return words_.Contains(word);
  return HasWord(Text(), word);
}

bool WordList::IsBlank() const {
  return as_set_ ? words_.empty() : text::TrimBlanks(text_).empty();
}

void WordList::Add(std::string_view word) {
  if (!as_set_ || !IsPlainWord(word)) return SetText(AddWord(Text(), word));
  if (words_.Contains(word)) return;
  leading_blank_ = words_.empty();
  words_.Append(std::string(word), {});
}

void WordList::Append(std::string_view word) {
  if (as_set_ && IsPlainWord(word) && !words_.Contains(word)) return Add(word);
  SetText(AppendWord(Text(), word));
}

void WordList::Remove(std::string_view word) {
  if (!as_set_ || !IsPlainWord(word)) return SetText(RemoveWord(Text(), word));
  words_.Erase(word);
  leading_blank_ = false;  // the rule trims what is left
}

void WordList::RemoveCollapsingBlanks(std::string_view word) {
  if (as_set_ && IsPlainWord(word)) return Remove(word);
  SetText(RemoveWordCollapsing(Text(), word));
}

std::string WordList::Text() const {
  if (!as_set_) return text_;
  std::string text = leading_blank_ ? " " : "";
  bool first = true;
  for (const auto& entry : words_) {
    if (!first) text += ' ';
    text += entry.key;
    first = false;
  }
  return text;
}

void WordList::SetText(std::string text) {
  words_.Clear();
  text_.clear();
  as_set_ = true;
  leading_blank_ = !text.empty() && text.front() == ' ';
  const std::string_view body = std::string_view(text).substr(leading_blank_ ? 1 : 0);
  bool fits = !(leading_blank_ && body.find(' ') != std::string_view::npos);
  if (fits && !body.empty()) {
    for (std::string_view word : text::Split(body, " ")) {
      if (!IsPlainWord(word) || words_.Contains(word)) {
        fits = false;
        break;
      }
      words_.Append(std::string(word), {});
    }
  }
  if (fits && !(leading_blank_ && body.empty())) return;
  words_.Clear();
  as_set_ = false;
  leading_blank_ = false;
  text_ = std::move(text);
}

}  // namespace tavolin
