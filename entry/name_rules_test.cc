// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>

#include "tavolin/corvane.h"

namespace tavolin {
namespace {

bool Refused(Corvane& object, const std::string& name, const std::string& enabled = "") {
  Variant u(name);
  Variant allowed(enabled);
  return object.Chuser(u, allowed).ToBoolean();
}

std::string Scrambled(Corvane& object, const std::string& password) {
  Variant typed(password);
  return object.trpass(typed).ToText();
}

TEST(ChuserTest, FilterWordsMatchAnywhereInTheSameLetterCase) {
  Corvane object;
  EXPECT_FALSE(Refused(object, "abc"));  // no filter words at all
  object.SetFilterStr(Variant("boss,Bad"));
  EXPECT_TRUE(Refused(object, "xbossx"));
  EXPECT_FALSE(Refused(object, "xbadx"));  // "Bad" does not match small letters
  // An empty piece occurs in every name.
  object.SetFilterStr(Variant("boss,,bad"));
  EXPECT_TRUE(Refused(object, "abc"));
}

TEST(ChuserTest, CharacterRule) {
  Corvane object;
  EXPECT_FALSE(Refused(object, "abc123"));
  EXPECT_TRUE(Refused(object, "Abc"));
  EXPECT_TRUE(Refused(object, "a_b"));
  EXPECT_FALSE(Refused(object, "a_b", "_"));
  EXPECT_TRUE(Refused(object, "a b"));
  EXPECT_TRUE(Refused(object, "a~b"));

  // Space and full stop stay refused whatever the allowed text holds, and the
  // caller's variable is left holding what is really allowed.
  Variant enabled(" _ . ");
  for (const char* name : {"a_b", "a b", "a.b"}) {
    Variant u(name);
    EXPECT_EQ(object.Chuser(u, enabled).ToBoolean(), std::string(name) != "a_b") << name;
    EXPECT_EQ(enabled.ToText(), "_");
  }

  EXPECT_FALSE(Refused(object, "张三丰"));  // GB2312 hanzi
  EXPECT_FALSE(Refused(object, "丂"));      // a hanzi of the GBK extension (0x8140)
  EXPECT_TRUE(Refused(object, "张，三"));   // full-width comma, row A3
  EXPECT_TRUE(Refused(object, "张★"));      // a symbol of row A1
  EXPECT_TRUE(Refused(object, "①"));        // row A2
  EXPECT_TRUE(Refused(object, "é"));        // not in the code page: read as "?"
}

TEST(LenChTest, DoubleByteCharactersCountTwo) {
  Corvane object;
  Variant mixed("张三abc");
  EXPECT_EQ(object.len_ch(mixed).ToLong(), 7);
  Variant empty("");
  EXPECT_EQ(object.len_ch(empty).ToLong(), 0);
}

TEST(TrpassTest, ScramblesAsStoredPasswordsWere) {
  Corvane object;
  // Values of the generator's sequence worked out independently.
  EXPECT_EQ(Scrambled(object, "abc123"), ">:h7%Kn*(=C+");
  EXPECT_EQ(Scrambled(object, "secret"), "j3aGOn>:YXe>");
  // A double-byte character makes draws that continue the sequence, and the
  // quote characters are dropped from the result.
  EXPECT_EQ(Scrambled(object, "密码1"), "-e>V_");
  EXPECT_EQ(Scrambled(object, "张三lee"), ">:,,}g2o\\R");
  EXPECT_EQ(Scrambled(object, ""), "");
}

TEST(TrpassTest, SameTextSameResultWhateverCameBefore) {
  for (const std::string password : {"abc123", "密码1"}) {
    Corvane fresh;
    const std::string first = Scrambled(fresh, password);
    Corvane used;
    Scrambled(used, "other");
    Scrambled(used, "口令xyz");
    EXPECT_EQ(Scrambled(used, password), first) << password;

    Variant padded("  " + password + " ");
    EXPECT_EQ(used.trpass(padded).ToText(), first) << password;
    EXPECT_EQ(padded.ToText(), password);  // trimmed in place
  }
}

}  // namespace
}  // namespace tavolin
