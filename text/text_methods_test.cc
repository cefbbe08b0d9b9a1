// Copyright Tavolin developers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tavolin/corvane.h"
#include "tavolin/env.h"
#include "tavolin/error.h"
#include "text/html_text.h"

namespace tavolin {
namespace {

using ::testing::Property;
using ::testing::Throws;

const std::string kFiltered = "**(脏话)";

class TextMethodsTest : public ::testing::Test {
 protected:
  // Runs the method named (TrStr with the filter on; the site's script strings too).
  Variant Run(std::string_view method, Variant& mess) {
    Variant on("1");
    if (method == "Script") return Variant(text::ScriptStringEscape(mess.ToText()));
    if (method == "zhgl") return object_.zhgl(mess);
    if (method == "trHtml") return object_.trHtml(mess);
    if (method == "trDb") return object_.trDb(mess);
    return object_.TrStr(mess, on);
  }

  ManualClockEnv env_{DateTime::FromCivil(2003, 4, 9, 9, 5, 7)};
  Corvane object_{&env_};
};

TEST_F(TextMethodsTest, EachEscapingReplacesInItsOrder) {
  const std::string k = kFiltered, is = "\xE3\x80\x80";  // an ideographic space
  const std::tuple<const char*, const char*, std::string, std::string, std::string> cases[] = {
      // The first occurrence of each word, in the text the words before left.
      {"zhgl", "bad", "bad bad", k + " bad", k + " bad"},
      {"zhgl", "ugly,,bad", "Bad ugly bad ugly", "Bad " + k + " " + k + " ugly", ""},
      {"zhgl", "bad,脏话", "bad", "**(**(脏话))", ""},
      // "&" first, so the entities made later are not escaped again.
      {"trHtml", "", "a<b&c>", "a&lt;b&amp;c&gt;", "a<b&c>"},
      {"trHtml", "", "&lt;", "&amp;lt;", "&lt;"},
      // Trim, filter, HTML, quotes, double blanks, LF, backslash; CR only in the result.
      {"trDb", "bad", "  it's \"bad\"  a\\b\r\nnext   end  ",
       "it&#39;s &quot;" + k + "&quot;" + is + "a&#92;b<br>next" + is + " end",
       "it&#39;s &quot;" + k + "&quot;" + is + "a&#92;b\rnext" + is + " end"},
      {"trDb", "<b>", "<b>\"<i>", k + "&quot;&lt;i&gt;", ""},  // filtered before escaping
      {"trDb", "", "a    b\n\r", "a" + is + is + "b<br>", "a" + is + is + "b\r"},
      // Backslashes doubled first; the argument keeps the blanks.
      {"TrStr", "", "a\\'", "a\\\\\\'", "a\\\\\\'"},
      {"TrStr", "", "say \"hi\"\r\n", "say \\\"hi\\\"", ""},
      {"TrStr", "bad", "  bad 'x'\r\n ", k + " \\'x\\'", "  " + k + " \\'x\\' "},
      {"Script", "", "it's \\ </script>\r\n\"好\"", "it\\'s \\\\ <\\/script>\\\"好\\\"", ""},
      {"Script", "", "<\r\n/script>", "<\\/script>", ""},  // the dropped break joins "</"
  };
  for (const auto& [method, filter, text, result, argument_after] : cases) {
    object_.SetFilterStr(filter);
    Variant mess(text);
    const std::string got = Run(method, mess).ToText();  // and the argument where written back
    EXPECT_EQ(got + "|" + (argument_after.empty() ? "" : mess.ToText()),
              result + "|" + argument_after)
        << method << " " << text;
  }
}

// Only a switch of one filters; null text fails and leaves the argument.
TEST_F(TextMethodsTest, OnlyASwitchOfOneFiltersAndNullTextFails) {
  object_.SetFilterStr("bad");
  std::string filtered;
  for (Variant on : {Variant("1"), Variant(1), Variant("0"), Variant(""), Variant("yes"),
                     Variant(true), Variant::Null()}) {
    Variant mess("bad");
    filtered += object_.TrStr(mess, on).ToText() + " ";
  }
  EXPECT_EQ(filtered, kFiltered + " " + kFiltered + " bad bad bad bad bad ");
  for (const char* method : {"zhgl", "trHtml", "trDb", "TrStr"}) {
    Variant mess = Variant::Null();
    EXPECT_THROW(Run(method, mess), CallError) << method;
    EXPECT_TRUE(mess.is_null()) << method;
  }
  object_.SetFilterStr("");
  Variant number(5);
  EXPECT_EQ(object_.zhgl(number).type(), Variant::Type::kLong);
  EXPECT_EQ(number.type(), Variant::Type::kLong);
}

TEST_F(TextMethodsTest, TimeStringsHaveTwoDigitFieldsAndNoDateFailsOrComesBack) {
  EXPECT_EQ(object_.AllDateStr().ToText(), "2003-04-09 09:05:07");  // no argument: the clock
  env_.Advance(24 * 3600 + 3600);
  EXPECT_EQ(object_.GetTimeStr().ToText() + " " + object_.GetDateStr().ToText(),
            "10:05:07 2003-04-10");
  const std::pair<Variant, const char*> cases[] = {
      {DateTime::FromCivil(2024, 1, 1, 0, 0, 0), "00:00:00 2024-01-01 2024-01-01 00:00:00"},
      {DateTime::FromCivil(2023, 12, 31, 23, 59, 59), "23:59:59 2023-12-31 2023-12-31 23:59:59"},
      {"2003/4/9 9:5:7", "09:05:07 2003-04-09 2003-04-09 09:05:07"},  // short forms padded
      {"09:05", "09:05:00 1899-12-30 1899-12-30 09:05:00"},           // a time alone: the zero date
      {DateTime::FromCivil(5, 1, 2), "00:00:00 05-01-02 05-01-02 00:00:00"},  // year padded alike
  };
  for (const auto& [when, strings] : cases) {
    Variant argument = when;
    const std::string got = object_.GetTimeStr(&argument).ToText() + " " +
                            object_.GetDateStr(&argument).ToText() + " " +
                            object_.AllDateStr(&argument).ToText();
    EXPECT_EQ(got + "|" + argument.ToText(), strings + ("|" + when.ToText()));  // not written back
  }
  // What is no date fails, or comes back whole from AllDateStr.
  Variant word("yesterday"), number(5);
  for (auto method : {&Corvane::GetTimeStr, &Corvane::GetDateStr}) {
    EXPECT_THAT([&] { (object_.*method)(&word); },
                Throws<CallError>(Property(&CallError::code, ErrorCode::kTypeMismatch)));
  }
  EXPECT_EQ(object_.AllDateStr(&word).ToText() + " " + word.ToText(), "yesterday yesterday");
  EXPECT_EQ(object_.AllDateStr(&number).type(), Variant::Type::kLong);
}

}  // namespace
}  // namespace tavolin
