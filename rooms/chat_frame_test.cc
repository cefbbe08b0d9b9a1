// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "component/list_record.h"
#include "component/page_text.h"
#include "tavolin/error.h"
#include "testing/chat_test_env.h"
#include "testing/live_chat.h"

namespace tavolin {
namespace {

// The seeded chat as loaded at start-up, with ann in the tea room (the second
// room of the list) and her row in table user.
class ChatFrameTest : public ::testing::Test {
 protected:
  ChatFrameTest() {
    env_.NewObject()->InitGlobal(env_.app());
    env_.Exec(
        "INSERT INTO user (username, n_color, s_color, f_size, l_height, bgcolor, friends) "
        "VALUES ('ann', 255, 0, 3, 0, '#FFFFFF:#336699:#D6E4F2', ' bob carl ')");
    chat_.Enter("ann", 2);
  }
  std::string Frame(Session& session) {
    MemoryRequest request;
    return env_.NewObject()->ChatFrame(env_.app(), session, request).ToText();
  }
  std::string Frame() { return Frame(chat_.SessionOf("ann")); }

  testing::ChatTestEnv env_;
  testing::LiveChat chat_{env_.app(), env_.clock()};
};

TEST_F(ChatFrameTest, SettingsOfTheVisitorAndTheRoom) {
  env_.Set("_nosaytimeout", Variant("10"));
  env_.Set("_dontsavevalue", Variant("15"));
  chat_.SetRoomField(2, room_field::kGuests, " carl ");
  VariantArray news(0, 2, 0, 1);
  const char* links[3][2] = {{"a.htm", "A"}, {"", "B"}, {"c.htm", "C"}};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 2; ++j) news.at(i, j) = Variant(links[i][j]);
  }
  env_.Set("_bbss", Variant(std::move(news)));
  const std::string page = Frame();
  EXPECT_TRUE(page.starts_with("<html><head><meta name='author' content='"));
  EXPECT_TRUE(page.ends_with("name='usercheck'></frameset></frameset></html>"));
  for (const char* piece :
       {"<title>大厅</title>",  // the first room names the site
        "if (window.name!='tavolinchat') {top.location.href='close.asp';}var ckmc=255;"
        "var cksc=0;var self_color='#FFFFFF:#336699:#D6E4F2'.split(':');",
        "var nosaytimeout=7;var dontsavevalue=4;",  // 10 - 3, and 15 \ 2 - 3
        "var roomname='休闲茶座';var roomauto='<小精灵';var roomlife=0;var roomtt=0;"
        "var roomhtml=0;var roomguests='carl';var LHeight='120';var friendlist='bob carl';"
        "var room_owner='';var room_des='泡一壶好茶，和小精灵聊聊天';var myname='ann';"
        "var oldbgcolor=self_color[0];var saysize=10.5;var minsayslength=1;var sayslength=200;",
        "listreftime>3) {showlist();",
        // Last row first, the row without a link left out.
        "transtimer=0}}}bbsnews=new Array(3);addnews('c.htm','C');addnews('a.htm','A');"
        ";function inittitle()",
        "〖休闲茶座〗茶香四溢</div></td></tr><tr><td><div id='fTitle' name='fTitle'><font "
        "color=blue>有问题就问小精灵吧</font>",
        "var titleheight=40;", "<frameset name='leftfrm' rows='0,40,*,70' cols='*'>"}) {
    EXPECT_NE(page.find(piece), std::string::npos) << piece;
  }
}

TEST_F(ChatFrameTest, MissingAndHostileValuesCannotBreakTheScript) {
  env_.Set("_bbss", Variant(""));
  EXPECT_NE(Frame().find("transtimer=0}}};function inittitle()"), std::string::npos);
  // Empty or missing numbers are written 0; texts are escaped for the string.
  env_.Exec(
      "UPDATE user SET n_color = NULL, s_color = 'x', f_size = NULL, l_height = NULL, "
      "friends = 'o''ne \\ </script>' WHERE username = 'ann'");
  for (int field : {room_field::kTt, room_field::kHtml, room_field::kExperience}) {
    chat_.SetRoomField(2, field, "");
  }
  chat_.SetRoomField(2, room_field::kName, "Tom's");
  chat_.SetRoomField(2, room_field::kTitle, "say \"hi\"");
  const std::string page = Frame();
  for (const char* piece :
       {"var ckmc=0;var cksc=0;", "var roomlife=0;var roomtt=0;var roomhtml=0;",
        "var LHeight='120';var friendlist='o\\'ne \\\\ <\\/script>';", "var roomname='Tom\\'s';",
        "var saysize=9;", "〖Tom\\'s〗", "<font color=blue>say \\\"hi\\\"</font>"}) {
    EXPECT_NE(page.find(piece), std::string::npos) << piece;
  }
  env_.Exec("UPDATE user SET bgcolor = NULL WHERE username = 'ann'");
  EXPECT_THROW(Frame(), CallError);  // the browser could not split the colours
}

TEST_F(ChatFrameTest, StrangersTouchNoDatabaseAndAMissingRowIsAnError) {
  const Variant connection_string = env_.Get("_connstr");
  env_.Set("_connstr", Variant());  // any database use would fail
  MemorySession stranger, wrong_token;
  wrong_token.Set("myname", Variant("ann"));
  wrong_token.Set("mytemp", Variant("other"));
  EXPECT_EQ(Frame(stranger), page::kShowError);
  EXPECT_EQ(Frame(wrong_token), page::kShowError);
  env_.Set("_connstr", connection_string);
  EXPECT_THROW(Frame(chat_.Enter("bob", 1)), CallError);
}

}  // namespace
}  // namespace tavolin
