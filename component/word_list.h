// Copyright Tavolin developers.
//
// WordList: a word-list field (a room's occupants) kept so that testing,
// adding and removing a word cost the same however many words it holds,
// while its text stays exactly what the word-list rules of list records
// give.
//
// The rules can make only a few shapes of text from names: words separated by
// single blanks, or one word after a blank (what adding to an empty field
// leaves). Such a text is kept as an ordered set of its words. Any other text
// (a word repeated, a word holding a blank, double blanks) is kept as text
// and changed by the text rules themselves until it takes a set's shape again.
//
// Thread safety: none; the owner serialises access.

#ifndef TAVOLIN_COMPONENT_WORD_LIST_H_
#define TAVOLIN_COMPONENT_WORD_LIST_H_

#include <string>
#include <string_view>

#include "component/ordered_map.h"

namespace tavolin {

class WordList {
 public:
  WordList() = default;
  explicit WordList(std::string text) { SetText(std::move(text)); }

  // HasWord: whether " " + text + " " holds " " + word + " ".
  bool Has(std::string_view word) const;
  // Whether the text is empty once its blanks are trimmed.
  bool IsBlank() const;
  // AddWord: unchanged when the word is there, otherwise the trimmed text, a
  // blank and the word.
  void Add(std::string_view word);
  // The trimmed text, a blank and the word, with double blanks made single:
  // the word goes to the end even when it is there already.
  void Append(std::string_view word);
  // RemoveWord: every " word " of " " + text + " " becomes " ", then trim.
  void Remove(std::string_view word);
  // Remove, then double blanks made single.
  void RemoveCollapsingBlanks(std::string_view word);

  // The field's text. Costs the length of the list.
  std::string Text() const;
  void SetText(std::string text);

 private:
  struct Nothing {};
  // A word the set can stand for: not empty, no blank in it.
  static bool IsPlainWord(std::string_view word);

  bool as_set_ = true;          // the words are in `words_`, else in `text_`
  bool leading_blank_ = false;  // as a set: " word", one word after a blank
  OrderedMap<Nothing> words_;
  std::string text_;
};

}  // namespace tavolin

#endif  // TAVOLIN_COMPONENT_WORD_LIST_H_
