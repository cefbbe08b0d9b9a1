// Copyright Tavolin developers.

#include "server/url_codec.h"

#include <gtest/gtest.h>

#include "server/basic_auth.h"

namespace tavolin::server {
namespace {

TEST(UrlCodecTest, DecodesWhatBrowsersSend) {
  EXPECT_EQ(PercentDecode("a+b%20c%2Bd"), "a b c+d");
  EXPECT_EQ(PercentDecode("100%"), "100%");  // a lone % stays
  EXPECT_EQ(PercentDecode("%zz%4"), "%zz%4");
  EXPECT_EQ(PercentDecode(PercentEncode("x y/&=\xB4\xF3")), "x y/&=\xB4\xF3");
  const NameValues form = ParseUrlEncoded("says=%C4%E3%BA%C3&towho=&flag&&x=1=2");
  ASSERT_EQ(form.size(), 4U);
  EXPECT_EQ(form[0], (std::pair<std::string, std::string>{"says", "\xC4\xE3\xBA\xC3"}));
  EXPECT_EQ(form[1].second, "");
  EXPECT_EQ(form[2], (std::pair<std::string, std::string>{"flag", ""}));
  EXPECT_EQ(form[3].second, "1=2");
  const NameValues cookies = ParseCookies(" a=1; TAVOLINSID=abc ;junk; b = 2");
  ASSERT_EQ(cookies.size(), 3U);
  EXPECT_EQ(cookies[1].second, "abc");
  EXPECT_EQ(cookies[2].first, "b");
  EXPECT_EQ(SplitTarget("/say.asp?id=3").second, "id=3");
  EXPECT_EQ(SplitTarget("/say.asp").first, "/say.asp");
}

TEST(UrlCodecTest, BasicAuth) {
  // "admin:pw" in base64.
  EXPECT_TRUE(BasicAuthMatches("Basic YWRtaW46cHc=", "admin", "pw"));
  EXPECT_TRUE(BasicAuthMatches("basic   YWRtaW46cHc=", "admin", "pw"));
  EXPECT_FALSE(BasicAuthMatches("Basic YWRtaW46cHg=", "admin", "pw"));
  EXPECT_FALSE(BasicAuthMatches("Basic !!!", "admin", "pw"));
  EXPECT_FALSE(BasicAuthMatches("Bearer YWRtaW46cHc=", "admin", "pw"));
  EXPECT_FALSE(BasicAuthMatches("Basic YWRtaW46", "admin", ""));  // no password: off
}

}  // namespace
}  // namespace tavolin::server
