// Copyright Tavolin developers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "component/list_record.h"
#include "component/page_text.h"
#include "tavolin/error.h"
#include "testing/chat_test_env.h"
#include "testing/live_chat.h"

namespace tavolin {
namespace {

using ::testing::HasSubstr;

// The seeded chat as loaded at start-up, with ann in the tea room (the second
// room of the list) and her row in table user.
class ChatPageTest : public ::testing::Test {
 protected:
  ChatPageTest() {
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
  std::string SayList(Session& session) {
    return env_.NewObject()->InitSayList(env_.app(), session).ToText();
  }
  std::string Move(Session& session, const char* toroom) {
    MemoryRequest request;
    request.SetForm("toroom", toroom);
    return env_.NewObject()->ChangeRoom(env_.app(), session, request).ToText();
  }
  Session& ann() { return chat_.SessionOf("ann"); }
  // What a refused or failed request must leave untouched.
  std::string Lists() {
    return chat_.lists().Users() + chat_.lists().Rooms() + std::to_string(chat_.NewestSayId());
  }
  void ExpectPieces(const std::string& page, const std::vector<std::string>& pieces) {
    for (const std::string& piece : pieces) EXPECT_THAT(page, HasSubstr(piece));
  }

  testing::ChatTestEnv env_;
  testing::LiveChat chat_{env_.app(), env_.clock()};
};

TEST_F(ChatPageTest, FrameCarriesTheSettingsOfTheVisitorAndTheRoom) {
  env_.Set("_nosaytimeout", Variant("10"));
  env_.Set("_dontsavevalue", Variant("15"));
  chat_.SetRoomField(2, room_field::kGuests, " carl ");
  VariantArray news(0, 2, 0, 1);
  const char* links[3][2] = {{"a.htm", "A"}, {"", "B"}, {"c.htm", "C"}};
  for (int i = 0; i < 6; ++i) news.at(i / 2, i % 2) = Variant(links[i / 2][i % 2]);
  env_.Set("_bbss", Variant(std::move(news)));
  const std::string page = Frame(ann());
  ExpectPieces(page,
               {"<title>大厅</title>",  // the first room names the site
                "if (window.name!='tavolinchat') {top.location.href='close.asp';}var ckmc=255;"
                "var cksc=0;var self_color='#FFFFFF:#336699:#D6E4F2'.split(':');",
                "var nosaytimeout=7;var dontsavevalue=4;",  // 10 - 3, and 15 \ 2 - 3
                "var roomname='休闲茶座';var roomauto='<小精灵';var roomlife=0;var roomtt=0;"
                "var roomhtml=0;var roomguests='carl';var LHeight='120';var friendlist='bob carl';"
                "var room_owner='';var room_des='泡一壶好茶，和小精灵聊聊天';var myname='ann';"
                "var oldbgcolor=self_color[0];var saysize=10.5;var minsayslength=1;"
                "var sayslength=200;",
                "listreftime>3) {showlist();",
                // Last row first, the row without a link left out.
                "transtimer=0}}}bbsnews=new Array(3);addnews('c.htm','C');addnews('a.htm','A');"
                ";function inittitle()",
                "〖休闲茶座〗茶香四溢</div></td></tr><tr><td><div id='fTitle' name='fTitle'>"
                "<font color=blue>有问题就问小精灵吧</font>"});
  env_.Set("_bbss", Variant(""));
  EXPECT_THAT(Frame(ann()), HasSubstr("transtimer=0}}};function inittitle()"));
}

TEST_F(ChatPageTest, SayListSetsTheRoomDeliversAndListsTheOccupants) {
  chat_.SetUserField("ann", user_field::kNote, "away");
  chat_.Say("ann", "hello");
  env_.clock().Advance(5);
  chat_.SetUserField("ann", user_field::kDeliveredSayId, "0");  // a fresh window
  EXPECT_EQ(SayList(ann()),
            std::string(page::kPollPrefix) +
                "<meta http-equiv=refresh content='6;url=refresh.asp'><script>"
                "parent.allusernum=1;parent.roomname='休闲茶座';parent.roomauto='小精灵'; "
                "parent.roomtt=0;  parent.room_owner='';  parent.room_des='泡一壶好茶，和小精灵聊"
                "聊天'; parent.roomhtml=0;  parent.roomguests='';  parent.roomlife=0;"
                "parent.chftitle('有问题就问小精灵吧');parent.chttitle('茶香四溢');  "
                "parent.clearsay();parent.clearper();"
                "parent.addsay(1,'hello','ann','大家',0,'c1','c2',0,'10:00:00','');"
                " parent.ref(1);parent.userlist=new Array('ann 1 1010 away');"
                "parent.userlist.sort();parent.showlist();</script>");
  EXPECT_EQ(chat_.UserField("ann", user_field::kLastPoll), "2026-03-04 10:00:05");
  EXPECT_THAT(SayList(ann()), HasSubstr("parent.addsay(''); parent.ref(1);"));  // caught up
  chat_.Enter("bob", 2);
  chat_.SetUserField("bob", user_field::kFace, "1020");
  // Occupant field, items shown, field stored after.
  const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
      {"ann  bob", "'ann 1 1010 away','bob 1 1020 '", "ann  bob"},     // nothing written
      {"ann carl bob", "'ann 1 1010 away','bob 1 1020 '", "ann bob"},  // carl has left
      {"", "", ""}};
  for (const auto& [occupants, items, stored] : cases) {
    chat_.SetRoomField(2, room_field::kOccupants, occupants);
    EXPECT_THAT(SayList(ann()), HasSubstr("parent.userlist=new Array(" + items + ");"));
    EXPECT_EQ(chat_.RoomField(2, room_field::kOccupants), stored);
  }
}

TEST_F(ChatPageTest, MissingOrHostileValuesCannotBreakTheScript) {
  env_.Exec(
      "UPDATE user SET n_color = NULL, s_color = NULL, f_size = NULL, l_height = NULL, "
      "friends = 'o''ne \\ </script>' WHERE username = 'ann'");
  for (int field : {room_field::kTt, room_field::kHtml, room_field::kExperience})
    chat_.SetRoomField(2, field, "");
  chat_.SetRoomField(2, room_field::kName, "Tom's");
  chat_.SetRoomField(2, room_field::kTitle, "say \"hi\"");
  chat_.SetUserField("ann", user_field::kNote, "it's");
  ExpectPieces(
      Frame(ann()),
      {"var ckmc=0;var cksc=0;", "var roomlife=0;var roomtt=0;var roomhtml=0;",
       "var LHeight='120';var friendlist='o\\'ne \\\\ <\\/script>';", "var roomname='Tom\\'s';",
       "var saysize=9;", "〖Tom\\'s〗", "<font color=blue>say \\\"hi\\\"</font>"});
  ExpectPieces(SayList(ann()),
               {"parent.roomname='Tom\\'s';", "parent.roomtt=0;", "parent.roomhtml=0;",
                "parent.roomlife=0;", "parent.chftitle('say \\\"hi\\\"');", "'ann 1 1010 it\\'s'"});
  env_.Exec("UPDATE user SET bgcolor = NULL WHERE username = 'ann'");
  EXPECT_THROW(Frame(ann()), CallError);                  // the browser could not split the colours
  EXPECT_THROW(Frame(chat_.Enter("bob", 1)), CallError);  // no row in table user
}

// Strangers get the error page; ann (level 1) moving out of the tea room is
// refused in the rules' order; nothing of it is written.
TEST_F(ChatPageTest, RefusalsChangeNothingAndOwnersAndManagersPassTheRoomRules) {
  chat_.Enter("olga", 2);
  chat_.SetRoomField(3, room_field::kRobot, "ann");
  chat_.SetRoomField(4, room_field::kOwner, "olga");
  chat_.SetRoomField(1, room_field::kOwner, "zed");  // zed is not in the chat
  for (int room : {1, 4}) chat_.SetRoomField(room, room_field::kDoorOpen, "0");
  chat_.SetRoomField(1, room_field::kPermitLevel, "2");
  const std::string before = Lists();
  const Variant connection_string = env_.Get("_connstr");
  env_.Set("_connstr", Variant());  // a stranger touches no database
  MemorySession stranger;
  stranger.Set("myname", Variant("ann"));
  stranger.Set("mytemp", Variant("stolen"));
  EXPECT_EQ(Frame(stranger) + SayList(stranger),
            std::string(page::kShowError).append(page::kShowError));
  EXPECT_EQ(Move(stranger, "1"), "你还没有登陆到聊天室!");
  env_.Set("_connstr", connection_string);
  // "02" is no room key, so it is never compared as a number.
  for (const char* to : {"", "9", "02"}) EXPECT_EQ(Move(ann(), to), "你要去的房间并不存在!") << to;
  for (const char* to : {"2", " 2 "}) EXPECT_EQ(Move(ann(), to), "你已经在这个房间里了!") << to;
  EXPECT_EQ(Move(ann(), "3"), "你被拒绝进入<font color=#009900>音乐之声</font>！");
  EXPECT_EQ(Move(ann(), "4"),
            "<font color=#009900>情感驿站</font>的门被关上了，请呼叫房主开门吧！");
  EXPECT_EQ(Move(ann(), "1"), "<font color=#009900>大厅</font>限制级别2以下的聊友进入！");
  EXPECT_EQ(Lists(), before);
  chat_.SetRoomField(1, room_field::kPermitLevel, "1");  // equal to the level
  EXPECT_EQ(Move(ann(), "1"), "");
  chat_.SetRoomField(4, room_field::kPermitLevel, "9");
  EXPECT_EQ(Move(chat_.SessionOf("olga"), "4"), "");
  chat_.SetRoomField(4, room_field::kRobot, "max");
  EXPECT_EQ(Move(chat_.Enter("max", 2, 8), "4"), "");  // level 8 manages rooms
  EXPECT_EQ(chat_.RoomField(4, room_field::kOccupants), "olga max");
}

TEST_F(ChatPageTest, RoomChangeMovesTheNameTellsBothRoomsAndRecordsTheRoom) {
  chat_.Enter("bob", 2);
  chat_.SetUserField("ann", user_field::kNote, "note");
  const std::string before = Lists();
  for (const char* exit : {"bye::990000", "bye::990000::"}) {  // then the entry is empty
    env_.Set("_exitroomshow", Variant(exit));
    EXPECT_THROW(Move(ann(), "3"), CallError);
    env_.Set("_enterroomshow", Variant());
    EXPECT_EQ(Lists(), before);
  }
  env_.Set("_enterroomshow", Variant("##来了::009900::"));
  env_.Set("_exitroomshow", Variant("##走了::990000::ff"));
  EXPECT_EQ(Move(ann(), " 3 "), "");
  EXPECT_EQ(chat_.RoomField(2, room_field::kOccupants) + "|" +
                chat_.RoomField(3, room_field::kOccupants) + "|" +
                chat_.UserField("ann", user_field::kRoom),
            "bob| ann|3");
  // The entry notice in the new room, then the leave notice in the old one.
  const VariantArray& ring = env_.Get("_says").array();
  EXPECT_EQ(
      ring.at(1, 4).ToText() + ring.at(1, 5).ToText() + ring.at(2, 4).ToText() +
          ring.at(2, 5).ToText(),
      R"(3'##来了<\script>parent.addl(\'ann\',1,\'1010\',\'note\')</\script>','ann',)"
      R"('休闲茶座',0,'009900','',-3,'10:00:00',2'##走了<\script>parent.dell(\'ann\')</\script>',)"
      R"('ann','音乐之声',0,'990000','ff',-3,'10:00:00',)");
}

}  // namespace
}  // namespace tavolin
