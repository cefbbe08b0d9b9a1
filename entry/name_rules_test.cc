// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "tavolin/corvane.h"

namespace tavolin {
namespace {

TEST(ChuserTest, FilterWordsThenCharacters) {
  // Filter list, allowed characters, name, refused.
  const std::vector<std::tuple<std::string, std::string, std::string, bool>> cases = {
      {"", "", "abc123", false},
      {"boss,Bad", "", "xbossx", true},
      {"boss,Bad", "", "xbadx", false},  // same letter case only
      {"boss,,bad", "", "abc", true},    // an empty word occurs in every name
      {"", "", "Abc", true},
      {"", "", "a_b", true},
      {"", "_", "a_b", false},
      {"", "", "a~b", true},
      {"", " _ . ", "a b", true},  // space and full stop are never allowed
      {"", " _ . ", "a.b", true},
      {"", "", "张三丰", false},  // GB2312 hanzi
      {"", "", "丂", false},      // a hanzi of the GBK extension
      {"", "", "张，三", true},   // full-width comma, row A3
      {"", "", "张★", true},      // row A1
      {"", "", "①", true},        // row A2
      {"", "", "é", true}};       // not in the code page
  for (const auto& [filter, enabled, name, refused] : cases) {
    Corvane object;
    object.SetFilterStr(Variant(filter));
    Variant u(name), allowed(enabled);
    EXPECT_EQ(object.Chuser(u, allowed).ToBoolean(), refused) << name;
    if (enabled == " _ . ") EXPECT_EQ(allowed.ToText(), "_");  // what is really allowed
  }
  Corvane object;
  Variant mixed("张三abc");
  EXPECT_EQ(object.len_ch(mixed).ToLong(), 7);
}

TEST(TrpassTest, ScramblesAsStoredPasswordsWereWhateverCameBefore) {
  // Values of the generator's sequence worked out independently; a
  // double-byte character continues the sequence, quotes are dropped.
  const std::vector<std::pair<std::string, std::string>> cases = {{"abc123", ">:h7%Kn*(=C+"},
                                                                  {"secret", "j3aGOn>:YXe>"},
                                                                  {"密码1", "-e>V_"},
                                                                  {"张三lee", ">:,,}g2o\\R"},
                                                                  {"", ""}};
  Corvane used;
  for (const auto& [password, scrambled] : cases) {
    Variant typed("  " + password + " ");
    EXPECT_EQ(used.trpass(typed).ToText(), scrambled) << password;
    EXPECT_EQ(typed.ToText(), password);  // trimmed in place
    Variant other("口令xyz");
    used.trpass(other);
  }
}

}  // namespace
}  // namespace tavolin
