// Copyright Tavolin developers.
//
// The chat window: a frameset whose head script carries the visitor's and the
// room's settings as global variables, the news links, and the functions the
// site's script file calls. The say frames start blank; the say-list start-up
// fills them. Nothing is written: the page only reads the live chat and the
// visitor's row of table user.

#include <optional>
#include <string>
#include <string_view>

#include "component/column_text.h"
#include "component/list_record.h"
#include "component/live_state.h"
#include "component/page_text.h"
#include "conversation/script_values.h"
#include "tavolin/corvane.h"
#include "tavolin/error.h"
#include "text/html_text.h"
#include "text/strings.h"

namespace tavolin {

namespace {

// The installation's own head meta values.
constexpr std::string_view kAuthor = "Tavolin developers";
constexpr std::string_view kEmail = "webmaster@localhost";
constexpr std::string_view kCopyright = "Tavolin";

// The frame rows of the title: the frameset row and the script's titleheight
// must agree.
constexpr std::string_view kTitleHeight = "40";

constexpr std::string_view kNewsFunctionAndTimer =
    R"(;var bbsnews=null;function addnews(n_link,n_title){if (bbsnews==null){bbsnews=new Array(1)}else{for (var i=bbsnews.length-1;i>0;i--) bbsnews[i]=bbsnews[i-1];}bbsnews[0]="<a href='" + n_link + "' target=_blank>"+n_title+"</a>";i_mms=0;}function refcheck(){listreftime++;if (listflag && newlist && listreftime>)";
constexpr std::string_view kTimerEnd =
    R"() {showlist();listreftime=0};noreftime++;if(noreftime>50){refresh();noreftime=0;}if (bbsnews!=null) {transtimer++;if (transtimer>2) {self.input.dotrans();transtimer=0}}})";
constexpr std::string_view kTitleFunction =
    R"(;function inittitle(){self.title.document.open();self.title.document.write("<html><head><meta http-equiv='Content-Type' content='text/html; charset=gb2312'><style>td{font-size:12;text-align:center;vertical-align:middle;font-family:宋体}a{text-decoration:none }</style>"+mdstr+"</head><body scroll=no style='MARGIN: 0px;background-color:" + parent.bc2 + "'><table height=100% width=100% border=0 cellpadding=0 cellspacing=0><tr><td><div id='tTitle' name='tTitle'>〖)";
constexpr std::string_view kFrames =
    R"(,*,70' cols='*'><frame src='about:blank' name='refresh'><frame src='about:blank' name='title' marginwidth='0' marginheight='0' scrolling='no' frameborder='no'><frameset name='viewsay' cols='*' rows='*,*' border='1' framespacing='1' bordercolor='#336699' frameborder='yes'><frame src='about:blank' name='say1' scrolling='AUTO' marginheight='3' marginwidth='5'><frame src='about:blank' name='say2' scrolling='AUTO' marginheight='3' marginwidth='5'></frameset><frame src='input.htm' name='input' marginwidth='0' marginheight='0' scrolling='no' frameborder='no'></frameset><frame src='toolbar.htm' name='toolbar'  marginwidth='0' marginheight='0' scrolling='no' frameborder='no'> <frameset name='rightfrm' rows='20,*,0,0,0' cols='*'><frame src='listtitle.htm' name='listtitle' marginwidth='0' marginheight='0' scrolling='no' frameborder='no'><frame src='about:blank' name='list' marginwidth='5' marginheight='5' scrolling='AUTO'><frame src='about:blank' name='newsay'><frame src='about:blank' name='song'><frame src='about:blank' name='usercheck'></frameset></frameset></html>)";

using text::ScriptStringEscape;

// `formula` of a numeric column in the platform's number text; a column that
// is NULL or no number counts as 0, so the script keeps its syntax.
std::string ColumnNumber(const RecordSet& row, std::string_view column, double (*formula)(double)) {
  return Variant(formula(Variant(ScriptNumber(row.Field(column))).ToDouble())).ToText();
}

// The script lines that fill the browser's news array. Rows are added last
// first, because each addnews call puts its link in front; rows without a
// link are left out.
std::string NewsBlock(const VariantArray& news) {
  const int rows = news.upper_bound(1) + 1;
  std::string block = "bbsnews=new Array(" + std::to_string(rows) + ");";
  for (int i = rows - 1; i >= 0; --i) {
    const std::string link = news.at(i, 0).ToText();
    if (link.empty()) continue;
    block += "addnews('" + ScriptStringEscape(link) + "','" +
             ScriptStringEscape(news.at(i, 1).ToText()) + "');";
  }
  return block;
}

}  // namespace

Variant Corvane::ChatFrame(Application& TheApplication, Session& TheSession, Request& TheRequest) {
  LiveState& live = Live(TheApplication);
  std::optional<LiveRecord> found;
  std::string site_title;
  {
    ApplicationLock lock(TheApplication);
    if (CheckVisitor(TheSession, live) == 0) return Variant(page::kShowError);
    found = live.FindRoom(std::to_string(room_id_));  // the visitor check found it
    // The site is named after the first room of the list.
    site_title = live.FindRoom(*live.FirstRoomKey())->field(room_field::kName);
  }
  const LiveRecord& room = *found;

  auto user =
      Database(TheApplication).Execute("select * from user where username=?", {Variant(my_name_)});
  if (user->eof()) {
    throw CallError(ErrorCode::kDatabase, "no row in table user for '" + my_name_ + "'");
  }
  // A NULL colour list cannot be split by the browser: it ends the page.
  const std::string colors = user->Field("bgcolor").ToText();
  const auto setting = [&](std::string_view suffix) {
    return TheApplication.Get(Key(suffix)).ToText();
  };
  const auto number_setting = [&](std::string_view suffix) {
    return ScriptNumber(TheApplication.Get(Key(suffix)));
  };
  // Texts stand in script strings; numbers are written bare.
  const auto room_text = [&](int field) { return ScriptStringEscape(room.field(field)); };
  const auto room_number = [&](int field) { return ScriptNumber(Variant(room.field(field))); };

  std::string page = "<html><head><meta name='author' content='";
  page += kAuthor;
  page += "'><meta name='e-mail' content='";
  page += kEmail;
  page += "'><meta name='copyright' content='";
  page += kCopyright;
  page += "'>";
  page += page::kPollPrefix;
  page += "<title>" + site_title;
  page +=
      "</title><script>if(window!=window.top){top.location.href='chat.asp';}"
      "if (window.name!='" +
      setting("_user");
  page += "') {top.location.href='close.asp';}var ckmc=" + ScriptNumber(user->Field("n_color"));
  page += ";var cksc=" + ScriptNumber(user->Field("s_color"));
  page += ";var self_color='" + ScriptStringEscape(colors);
  page +=
      "'.split(':');var bgcolor=self_color[0];var bc1=self_color[1];var bc2=self_color[2];"
      "var backgroudcolorstr=bgcolor+' 自定:" +
      setting("_backgroudcolorstr");
  page += "';var nosaytimeout=" +
          Variant(TheApplication.Get(Key("_nosaytimeout")).ToDouble() - 3).ToText();
  // Whole-number division of the rounded value, as the platform's "\" does.
  page += ";var dontsavevalue=" +
          std::to_string(TheApplication.Get(Key("_dontsavevalue")).ToLong() / 2 - 3);
  page += ";var facecolorstr=self_color[1]+' '+self_color[2]+' 自定:" + setting("_facecolorstr");
  page += "';var roomname='" + room_text(room_field::kName);
  page += "';var roomauto='<" + room_text(room_field::kRobot);
  page += "';var roomlife=" + room_number(room_field::kExperience);
  page += ";var roomtt=" + room_number(room_field::kTt);
  page += ";var roomhtml=" + room_number(room_field::kHtml);
  page += ";var roomguests='";
  page += ScriptStringEscape(text::TrimBlanks(room.field(room_field::kGuests)));
  page += "';var LHeight='" +
          ColumnNumber(*user, "l_height", [](double height) { return 120 + 5 * height; });
  page += "';var friendlist='";
  page += ScriptStringEscape(text::TrimBlanks(ColumnText(*user, "friends")));
  page += "';var room_owner='" + room_text(room_field::kOwner);
  page += "';var room_des='" + room_text(room_field::kDescription);
  page += "';var myname='" + ScriptStringEscape(my_name_);
  page += "';var oldbgcolor=self_color[0];var saysize=" +
          ColumnNumber(*user, "f_size", [](double size) { return 9 + size / 2; });
  page += ";var minsayslength=" + number_setting("_minsayslength");
  page += ";var sayslength=" + number_setting("_maxsayslength");
  page += kNewsFunctionAndTimer;
  page += number_setting("_listreftime");
  page += kTimerEnd;

  const Variant news = TheApplication.Get(Key("_bbss"));
  if (news.is_array()) page += NewsBlock(news.array());

  page += kTitleFunction;
  page += room_text(room_field::kName) + "〗" + room_text(room_field::kTop);
  page += "</div></td></tr><tr><td><div id='fTitle' name='fTitle'><font color=blue>" +
          room_text(room_field::kTitle);
  page += "</font></div></td></tr></table></body>\");}var titleheight=";
  page += kTitleHeight;
  page +=
      ";</script><script src=newchat.js></script></head><frameset name='mainfrm' "
      "cols='*,18,140' rows='*' border='1' framespacing='0' frameborder='NO'>"
      "<frameset name='leftfrm' rows='0,";
  page += kTitleHeight;
  page += kFrames;
  return Variant(std::move(page));
}

}  // namespace tavolin
