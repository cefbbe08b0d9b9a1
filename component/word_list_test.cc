// Copyright Tavolin developers.

#include "component/word_list.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "component/list_record.h"

namespace tavolin {
namespace {

// The word list must read exactly as the text rules would leave the field,
// including the texts a set cannot hold (repeats, blanks inside a word,
// double blanks), and take the set's shape again once the text allows.
TEST(WordListTest, FollowsTheTextRulesThroughRandomChanges) {
  const std::vector<std::string> words = {"a", "aa", "b", "a b", "", " ", "张三", "ab"};
  const std::vector<std::string> texts = {"", " a", "a b", "a  b", "a a", " a b", "b ", "aa a"};
  for (unsigned seed = 1; seed <= 20; ++seed) {
    std::mt19937 random(seed);
    const auto pick = [&](const std::vector<std::string>& from) {
      return from[random() % from.size()];
    };
    std::string text;
    WordList list;
    for (int step = 0; step < 300; ++step) {
      const std::string word = pick(words);
      switch (random() % 6) {
        case 0:
        case 1:
          text = AddWord(text, word);
          list.Add(word);
          break;
        case 2:
          text = AppendWord(text, word);
          list.Append(word);
          break;
        case 3:
          text = RemoveWord(text, word);
          list.Remove(word);
          break;
        case 4:
          text = RemoveWordCollapsing(text, word);
          list.RemoveCollapsingBlanks(word);
          break;
        default:
          if (random() % 4 == 0) {
            text = pick(texts);
            list.SetText(text);
          }
      }
      ASSERT_EQ(list.Text(), text) << "seed " << seed << " step " << step;
      for (const std::string& probe : words) {
        ASSERT_EQ(list.Has(probe), HasWord(text, probe)) << "'" << text << "' '" << probe << "'";
      }
      ASSERT_EQ(list.IsBlank(), text.find_first_not_of(' ') == std::string::npos);
    }
  }
}

}  // namespace
}  // namespace tavolin
