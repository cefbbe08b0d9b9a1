// Copyright Tavolin developers.

#include "text/html_text.h"

#include <gtest/gtest.h>

namespace tavolin::text {
namespace {

TEST(HtmlTextTest, EscapesMarkupAndScriptStrings) {
  EXPECT_EQ(HtmlEscape("<a href='x'>&\"</a>"), "&lt;a href=&#39;x&#39;&gt;&amp;&quot;&lt;/a&gt;");
  // Multi-byte characters pass through untouched.
  EXPECT_EQ(HtmlEscape("留言<b>"), "留言&lt;b&gt;");
  EXPECT_EQ(ScriptStringEscape("it's \\ </script>\r\n\"好\""), "it\\'s \\\\ <\\/script>\\\"好\\\"");
}

}  // namespace
}  // namespace tavolin::text
