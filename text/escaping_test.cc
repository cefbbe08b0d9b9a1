// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>

#include "tavolin/corvane.h"
#include "tavolin/env.h"
#include "tavolin/error.h"

namespace tavolin {
namespace {

constexpr const char* kFiltered = "**(脏话)";
constexpr const char* kIdeographicSpace = "\xE3\x80\x80";

class EscapingTest : public ::testing::Test {
 protected:
  std::string Zhgl(Variant& mess) { return object_.zhgl(mess).ToText(); }

  ManualClockEnv env_{DateTime::FromCivil(2003, 4, 9, 9, 5, 7)};
  Corvane object_{&env_};
};

TEST_F(EscapingTest, ZhglReplacesTheFirstOccurrenceOfEachWord) {
  object_.SetFilterStr("bad");
  Variant mess("bad bad");
  EXPECT_EQ(Zhgl(mess), std::string(kFiltered) + " bad");
  EXPECT_EQ(mess.ToText(), std::string(kFiltered) + " bad");

  // Empty pieces are skipped; matching is case-sensitive.
  object_.SetFilterStr("ugly,,bad");
  mess = "Bad ugly bad ugly";
  EXPECT_EQ(Zhgl(mess), "Bad " + std::string(kFiltered) + " " + kFiltered + " ugly");

  // Each word is looked for in the text the words before it left.
  object_.SetFilterStr("bad,脏话");
  mess = "bad";
  EXPECT_EQ(Zhgl(mess), "**(**(脏话))");

  // No words: the argument stays as it was, number type included.
  object_.SetFilterStr("");
  mess = 5;
  EXPECT_EQ(object_.zhgl(mess).type(), Variant::Type::kLong);
  EXPECT_EQ(mess.type(), Variant::Type::kLong);
}

TEST_F(EscapingTest, TrHtmlEscapesAmpersandFirst) {
  Variant mess("a<b&c>");
  EXPECT_EQ(object_.trHtml(mess).ToText(), "a&lt;b&amp;c&gt;");
  EXPECT_EQ(mess.ToText(), "a<b&c>");
  Variant entity("&lt;");
  EXPECT_EQ(object_.trHtml(entity).ToText(), "&amp;lt;");
  Variant empty;
  EXPECT_EQ(object_.trHtml(empty).ToText(), "");
}

TEST_F(EscapingTest, TrDbEscapesForAttributeScriptAndSql) {
  object_.SetFilterStr("bad");
  Variant mess("  it's \"bad\"  a\\b\r\nnext   end  ");
  const std::string escaped =
      std::string("it&#39;s &quot;") + kFiltered + "&quot;" + kIdeographicSpace + "a&#92;b";
  const std::string tail = std::string("next") + kIdeographicSpace + " end";
  EXPECT_EQ(object_.trDb(mess).ToText(), escaped + "<br>" + tail);
  // The caller's copy has the line break as a bare CR.
  EXPECT_EQ(mess.ToText(), escaped + "\r" + tail);

  // The filter sees the text before HTML escaping, and the entities that
  // escaping makes are not escaped again.
  object_.SetFilterStr("<b>");
  mess = "<b>\"<i>";
  EXPECT_EQ(object_.trDb(mess).ToText(), std::string(kFiltered) + "&quot;&lt;i&gt;");

  object_.SetFilterStr("");
  mess = "a    b\n\r";
  EXPECT_EQ(object_.trDb(mess).ToText(),
            std::string("a") + kIdeographicSpace + kIdeographicSpace + "b<br>");
}

TEST_F(EscapingTest, TrStrEscapesWithBackslashes) {
  Variant mess("a\\'");
  Variant off("");
  EXPECT_EQ(object_.TrStr(mess, off).ToText(), "a\\\\\\'");
  mess = "say \"hi\"\r\n";
  EXPECT_EQ(object_.TrStr(mess, off).ToText(), "say \\\"hi\\\"");

  // The argument receives the untrimmed text, the result is trimmed.
  object_.SetFilterStr("bad");
  Variant on("1");
  mess = "  bad 'x'\r\n ";
  EXPECT_EQ(object_.TrStr(mess, on).ToText(), std::string(kFiltered) + " \\'x\\'");
  EXPECT_EQ(mess.ToText(), "  " + std::string(kFiltered) + " \\'x\\' ");

  // Only a switch equal to "1" filters.
  Variant number_one(1);
  mess = "bad";
  EXPECT_EQ(object_.TrStr(mess, number_one).ToText(), kFiltered);
  for (Variant other :
       {Variant("0"), Variant(""), Variant("yes"), Variant(true), Variant::Null()}) {
    mess = "bad";
    EXPECT_EQ(object_.TrStr(mess, other).ToText(), "bad");
  }
}

TEST_F(EscapingTest, NullTextFailsAndLeavesTheArgument) {
  object_.SetFilterStr("bad");
  Variant off("0");
  Variant mess = Variant::Null();
  EXPECT_THROW(object_.trDb(mess), CallError);
  EXPECT_TRUE(mess.is_null());
  EXPECT_THROW(object_.TrStr(mess, off), CallError);
  EXPECT_TRUE(mess.is_null());
  EXPECT_THROW(object_.zhgl(mess), CallError);
  EXPECT_TRUE(mess.is_null());
  EXPECT_THROW(object_.trHtml(mess), CallError);
}

}  // namespace
}  // namespace tavolin
