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

// The seeded chat as loaded at start-up, with ann (level 1) in the tea room,
// the second room of the list.
class ChatFrameTest : public ::testing::Test {
 protected:
  ChatFrameTest() {
    env_.NewObject()->InitGlobal(env_.app());
    chat_ = std::make_unique<testing::LiveChat>(env_.app(), env_.clock());
    chat_->Enter("ann", 2);
  }

  void AddUserRow(const std::string& name, const Variant& f_size, const Variant& l_height,
                  const Variant& bgcolor, const Variant& friends) {
    env_.Exec(
        "INSERT INTO user (username, n_color, s_color, f_size, l_height, bgcolor, friends) "
        "VALUES (?, 255, 0, ?, ?, ?, ?)",
        {Variant(name), f_size, l_height, bgcolor, friends});
  }

  std::string Frame(Session& session) {
    MemoryRequest request;
    return env_.NewObject()->ChatFrame(env_.app(), session, request).ToText();
  }

  testing::ChatTestEnv env_;
  std::unique_ptr<testing::LiveChat> chat_;
};

TEST_F(ChatFrameTest, WholeDocumentWithNewsLinks) {
  AddUserRow("ann", Variant(3), Variant(0), Variant("#FFFFFF:#336699:#D6E4F2"),
             Variant(" bob carl "));
  env_.Set("_nosaytimeout", Variant("10"));
  env_.Set("_dontsavevalue", Variant("15"));
  chat_->SetRoomField(2, room_field::kGuests, " carl ");
  VariantArray news(0, 2, 0, 1);
  news.at(0, 0) = Variant("a.htm");
  news.at(0, 1) = Variant("A");
  news.at(1, 0) = Variant("");
  news.at(1, 1) = Variant("B");
  news.at(2, 0) = Variant("c.htm");
  news.at(2, 1) = Variant("C");
  env_.Set("_bbss", Variant(std::move(news)));

  const std::string expected =
      std::string(
          "<html><head><meta name='author' content='Tavolin developers'>"
          "<meta name='e-mail' content='webmaster@localhost'>"
          "<meta name='copyright' content='Tavolin'>") +
      std::string(page::kPollPrefix) +
      // The site is named after the first room, not the visitor's.
      "<title>大厅</title><script>if(window!=window.top){top.location.href='chat.asp';}"
      "if (window.name!='tavolinchat') {top.location.href='close.asp';}"
      "var ckmc=255;var cksc=0;var self_color='#FFFFFF:#336699:#D6E4F2'.split(':');"
      "var bgcolor=self_color[0];var bc1=self_color[1];var bc2=self_color[2];"
      "var backgroudcolorstr=bgcolor+' 自定:#FFFFFF #F5F9FF #FFFCF0 #F3FFF3 #FFF3F8';"
      // 10 - 3, and 15 \ 2 - 3.
      "var nosaytimeout=7;var dontsavevalue=4;"
      "var facecolorstr=self_color[1]+' '+self_color[2]+' 自定:#336699 #D6E4F2 #669933 "
      "#E2F0D6 #996633 #F2E6D6 #993366 #F2D6E4';"
      "var roomname='休闲茶座';var roomauto='<小精灵';var roomlife=0;var roomtt=0;"
      "var roomhtml=0;var roomguests='carl';var LHeight='120';var friendlist='bob carl';"
      "var room_owner='';var room_des='泡一壶好茶，和小精灵聊聊天';var myname='ann';"
      "var oldbgcolor=self_color[0];var saysize=10.5;var minsayslength=1;var sayslength=200;"
      "var bbsnews=null;function addnews(n_link,n_title){if (bbsnews==null){bbsnews=new "
      "Array(1)}else{for (var i=bbsnews.length-1;i>0;i--) bbsnews[i]=bbsnews[i-1];}"
      "bbsnews[0]=\"<a href='\" + n_link + \"' target=_blank>\"+n_title+\"</a>\";i_mms=0;}"
      "function refcheck(){listreftime++;if (listflag && newlist && listreftime>3) "
      "{showlist();listreftime=0};noreftime++;if(noreftime>50){refresh();noreftime=0;}"
      "if (bbsnews!=null) {transtimer++;if (transtimer>2) {self.input.dotrans();"
      "transtimer=0}}}"
      // Last row first, the row without a link left out.
      "bbsnews=new Array(3);addnews('c.htm','C');addnews('a.htm','A');"
      ";function inittitle(){self.title.document.open();self.title.document.write(\"<html>"
      "<head><meta http-equiv='Content-Type' content='text/html; charset=gb2312'><style>"
      "td{font-size:12;text-align:center;vertical-align:middle;font-family:宋体}"
      "a{text-decoration:none }</style>\"+mdstr+\"</head><body scroll=no style='MARGIN: "
      "0px;background-color:\" + parent.bc2 + \"'><table height=100% width=100% border=0 "
      "cellpadding=0 cellspacing=0><tr><td><div id='tTitle' name='tTitle'>〖休闲茶座〗茶香四溢"
      "</div></td></tr><tr><td><div id='fTitle' name='fTitle'><font color=blue>"
      "有问题就问小精灵吧</font></div></td></tr></table></body>\");}var titleheight=40;"
      "</script><script src=newchat.js></script></head><frameset name='mainfrm' "
      "cols='*,18,140' rows='*' border='1' framespacing='0' frameborder='NO'>"
      "<frameset name='leftfrm' rows='0,40,*,70' cols='*'><frame src='about:blank' "
      "name='refresh'><frame src='about:blank' name='title' marginwidth='0' marginheight='0' "
      "scrolling='no' frameborder='no'><frameset name='viewsay' cols='*' rows='*,*' "
      "border='1' framespacing='1' bordercolor='#336699' frameborder='yes'><frame "
      "src='about:blank' name='say1' scrolling='AUTO' marginheight='3' marginwidth='5'>"
      "<frame src='about:blank' name='say2' scrolling='AUTO' marginheight='3' "
      "marginwidth='5'></frameset><frame src='input.htm' name='input' marginwidth='0' "
      "marginheight='0' scrolling='no' frameborder='no'></frameset><frame src='toolbar.htm' "
      "name='toolbar'  marginwidth='0' marginheight='0' scrolling='no' frameborder='no'> "
      "<frameset name='rightfrm' rows='20,*,0,0,0' cols='*'><frame src='listtitle.htm' "
      "name='listtitle' marginwidth='0' marginheight='0' scrolling='no' frameborder='no'>"
      "<frame src='about:blank' name='list' marginwidth='5' marginheight='5' "
      "scrolling='AUTO'><frame src='about:blank' name='newsay'><frame src='about:blank' "
      "name='song'><frame src='about:blank' name='usercheck'></frameset></frameset></html>";
  EXPECT_EQ(Frame(chat_->SessionOf("ann")), expected);
}

TEST_F(ChatFrameTest, NoNewsAndColumnForms) {
  AddUserRow("ann", Variant(4), Variant(6), Variant("#FFFFFF:#336699:#D6E4F2"), Variant::Null());
  env_.Set("_bbss", Variant(""));
  const std::string page = Frame(chat_->SessionOf("ann"));
  EXPECT_EQ(page.find("addnews('"), std::string::npos);
  EXPECT_NE(page.find("transtimer=0}}};function inittitle()"), std::string::npos);
  EXPECT_NE(page.find(";var saysize=11;"), std::string::npos);
  EXPECT_NE(page.find("var LHeight='150';var friendlist='';"), std::string::npos);
  // Configuration as loaded: 30 - 3 and 120 \ 2 - 3.
  EXPECT_NE(page.find("var nosaytimeout=27;var dontsavevalue=57;"), std::string::npos);

  // NULL sizes leave their places empty; a NULL colour list ends the page.
  env_.Exec("UPDATE user SET f_size = NULL, l_height = NULL WHERE username = 'ann'");
  const std::string blanks = Frame(chat_->SessionOf("ann"));
  EXPECT_NE(blanks.find("var LHeight='';"), std::string::npos);
  EXPECT_NE(blanks.find(";var saysize=;"), std::string::npos);
  env_.Exec("UPDATE user SET bgcolor = NULL WHERE username = 'ann'");
  EXPECT_THROW(Frame(chat_->SessionOf("ann")), CallError);
}

TEST_F(ChatFrameTest, NameIsBoundNotPastedIntoTheQuery) {
  Session& quoted = chat_->Enter("o'ne", 1);
  AddUserRow("o'ne", Variant(4), Variant(6), Variant("a:b:c"), Variant(""));
  const std::string page = Frame(quoted);
  EXPECT_NE(page.find("var myname='o'ne';"), std::string::npos);
  EXPECT_NE(page.find("var roomname='大厅';"), std::string::npos);
}

TEST_F(ChatFrameTest, StrangersAndMissingRows) {
  // Without a valid visitor no database is touched: with no connection string
  // any database use would fail.
  const Variant connection_string = env_.Get("_connstr");
  env_.Set("_connstr", Variant());
  MemorySession stranger;
  EXPECT_EQ(Frame(stranger), page::kShowError);
  MemorySession wrong_token;
  wrong_token.Set("myname", Variant("ann"));
  wrong_token.Set("mytemp", Variant("other"));
  EXPECT_EQ(Frame(wrong_token), page::kShowError);

  // A visitor in the chat without a row in table user gets an error.
  env_.Set("_connstr", connection_string);
  EXPECT_THROW(Frame(chat_->SessionOf("ann")), CallError);
}

}  // namespace
}  // namespace tavolin
