// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>

#include "tavolin/corvane.h"
#include "tavolin/env.h"
#include "tavolin/error.h"

namespace tavolin {
namespace {

const std::string kFiltered = "**(脏话)";
const std::string kIdeographicSpace = "\xE3\x80\x80";

class EscapingTest : public ::testing::Test {
 protected:
  // Runs the method named; TrStr with the filter switched on.
  Variant Run(std::string_view method, Variant& mess) {
    Variant on("1");
    if (method == "zhgl") return object_.zhgl(mess);
    if (method == "trHtml") return object_.trHtml(mess);
    if (method == "trDb") return object_.trDb(mess);
    return object_.TrStr(mess, on);
  }

  ManualClockEnv env_{DateTime::FromCivil(2003, 4, 9, 9, 5, 7)};
  Corvane object_{&env_};
};

TEST_F(EscapingTest, EachEscapingReplacesInItsOrder) {
  const std::string k = kFiltered;
  const std::string is = kIdeographicSpace;
  const struct {
    const char* method;
    const char* filter;
    std::string text, result, argument_after;
  } cases[] = {
      // The first occurrence of each word, in the text the words before left.
      {"zhgl", "bad", "bad bad", k + " bad", k + " bad"},
      {"zhgl", "ugly,,bad", "Bad ugly bad ugly", "Bad " + k + " " + k + " ugly", ""},
      {"zhgl", "bad,脏话", "bad", "**(**(脏话))", ""},
      // "&" first, so the entities made later are not escaped again.
      {"trHtml", "", "a<b&c>", "a&lt;b&amp;c&gt;", "a<b&c>"},
      {"trHtml", "", "&lt;", "&amp;lt;", "&lt;"},
      // Trim, filter, HTML, quotes, double blanks, LF, backslash; CR only in
      // the result.
      {"trDb", "bad", "  it's \"bad\"  a\\b\r\nnext   end  ",
       "it&#39;s &quot;" + k + "&quot;" + is + "a&#92;b<br>next" + is + " end",
       "it&#39;s &quot;" + k + "&quot;" + is + "a&#92;b\rnext" + is + " end"},
      {"trDb", "<b>", "<b>\"<i>", k + "&quot;&lt;i&gt;", ""},  // filtered before escaping
      {"trDb", "", "a    b\n\r", "a" + is + is + "b<br>", "a" + is + is + "b\r"},
      // Backslashes doubled first; the argument keeps the blanks.
      {"TrStr", "", "a\\'", "a\\\\\\'", "a\\\\\\'"},
      {"TrStr", "", "say \"hi\"\r\n", "say \\\"hi\\\"", ""},
      {"TrStr", "bad", "  bad 'x'\r\n ", k + " \\'x\\'", "  " + k + " \\'x\\' "},
  };
  for (const auto& c : cases) {
    object_.SetFilterStr(c.filter);
    Variant mess(c.text);
    EXPECT_EQ(Run(c.method, mess).ToText(), c.result) << c.method << " " << c.text;
    if (!c.argument_after.empty()) EXPECT_EQ(mess.ToText(), c.argument_after) << c.text;
  }
}

TEST_F(EscapingTest, OnlyASwitchOfOneFiltersAndNoWordsKeepTheArgument) {
  object_.SetFilterStr("bad");
  for (Variant on : {Variant("1"), Variant(1)}) {
    Variant mess("bad");
    EXPECT_EQ(object_.TrStr(mess, on).ToText(), kFiltered);
  }
  for (Variant off : {Variant("0"), Variant(""), Variant("yes"), Variant(true), Variant::Null()}) {
    Variant mess("bad");
    EXPECT_EQ(object_.TrStr(mess, off).ToText(), "bad");
  }
  object_.SetFilterStr("");
  Variant number(5);
  EXPECT_EQ(object_.zhgl(number).type(), Variant::Type::kLong);
  EXPECT_EQ(number.type(), Variant::Type::kLong);
}

TEST_F(EscapingTest, NullTextFailsAndLeavesTheArgument) {
  object_.SetFilterStr("bad");
  for (const char* method : {"zhgl", "trHtml", "trDb", "TrStr"}) {
    Variant mess = Variant::Null();
    EXPECT_THROW(Run(method, mess), CallError) << method;
    EXPECT_TRUE(mess.is_null()) << method;
  }
}

}  // namespace
}  // namespace tavolin
