// Copyright Tavolin developers.

#include "server/url_codec.h"

#include <gtest/gtest.h>

#include "server/basic_auth.h"

namespace tavolin::server {
namespace {

TEST(UrlCodecTest, DecodesWhatBrowsersSendAndChecksBasicAuth) {
  EXPECT_EQ(PercentDecode("a+b%20c%2Bd"), "a b c+d");
  EXPECT_EQ(PercentDecode("100%%zz%4"), "100%%zz%4");  // a % without two hex digits stays
  EXPECT_EQ(PercentDecode(PercentEncode("x y/&=\xB4\xF3")), "x y/&=\xB4\xF3");
  EXPECT_EQ(ParseUrlEncoded("says=%C4%E3&towho=&flag&&x=1=2"),
            (NameValues{{"says", "\xC4\xE3"}, {"towho", ""}, {"flag", ""}, {"x", "1=2"}}));
  EXPECT_EQ(ParseCookies(" a=1; TAVOLINSID=abc ;junk; b = 2"),
            (NameValues{{"a", "1"}, {"TAVOLINSID", "abc"}, {"b", "2"}}));
  EXPECT_EQ(SplitTarget("/say.asp?id=3"),
            (std::pair<std::string_view, std::string_view>{"/say.asp", "id=3"}));
  const std::tuple<const char*, const char*, bool> auth[] = {
      {"Basic YWRtaW46cHc=", "pw", true},  // "admin:pw"
      {"basic   YWRtaW46cHc=", "pw", true}, {"Basic YWRtaW46cHg=", "pw", false},
      {"Basic !!!", "pw", false},           {"Bearer YWRtaW46cHc=", "pw", false},
      {"Basic YWRtaW46", "", false},  // no password: off
  };
  for (const auto& [header, password, match] : auth)
    EXPECT_EQ(BasicAuthMatches(header, "admin", password), match) << header;
}

}  // namespace
}  // namespace tavolin::server
