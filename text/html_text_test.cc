// Copyright Tavolin developers.

#include "text/html_text.h"

#include <gtest/gtest.h>

namespace tavolin::text {
namespace {

TEST(HtmlTextTest, EscapesMarkupAndScriptStrings) {
  EXPECT_EQ(HtmlEscape("<a href='x'>&\"留言</a>"),
            "&lt;a href=&#39;x&#39;&gt;&amp;&quot;留言&lt;/a&gt;");
  EXPECT_EQ(ScriptStringEscape("it's \\ </script>\r\n\"好\""), "it\\'s \\\\ <\\/script>\\\"好\\\"");
}

}  // namespace
}  // namespace tavolin::text
