// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "entry/login_test_support.h"
#include "tavolin/error.h"
#include "text/strings.h"

namespace tavolin {
namespace {

using testing::LoginChat;
using testing::LoginForm;

constexpr char kWrongPassword[] =
    "错误：您输入了错误的密码，如果您是老版本用户，请在登陆页面上作密码转换！";
constexpr char kLocked[] = "对不起：您的IP被封锁了！";
constexpr char kTooManyNewUsers[] = "对不起：您暂时不能注册新用户，请等几分钟再试！";

// Registered users (level 3 or 4, out_time a day ago) and a loaded chat.
class AccountCheckTest : public ::testing::Test {
 protected:
  AccountCheckTest() {
    for (const char* name : {"ann", "bob", "cat", "Dan", "fay", "ivy"})
      chat_.AddUser(name, "pw", 3);
    chat_.AddUser("vip", "pw", 4);
    chat_.Load();
  }
  // Logs in as typed and gives the notice line's text, or "" for none.
  std::string Notices(const std::string& typed) {
    const int32_t before = chat_.NewestSayId();
    EXPECT_EQ(chat_.LogIn(LoginForm(typed, "pw")), "");
    if (chat_.NewestSayId() - before == 1) return "";
    const std::string line = chat_.RingColumn(5).ToText();
    return line.substr(1, line.find("','") - 1);
  }
  Variant Ago(int hours) { return chat_.clock().Now().AddSeconds(-3600 * hours).ToString(); }

  LoginChat chat_;
};

TEST_F(AccountCheckTest, PasswordThenStandingThenAddressLock) {
  chat_.AddUser("longpw", "abcdefghijklmno");  // only 15 characters count
  EXPECT_EQ(chat_.LogIn(LoginForm("longpw", "abcdefghijklmnoXYZ")), "");
  // out_info, out_time from now in seconds, password, answer.
  const std::vector<std::tuple<int, int, std::string, std::string>> cases = {
      {0, -60, "wrong", kWrongPassword},
      {7, -60, "wrong", kWrongPassword},  // the password is checked first
      {5, 3600, "pw", "对不起：您是被赶出聊天室的，目前聊天室还不允许你进去！"},
      {6, 3600, "pw", "对不起：您的帐号被暂时冻结，目前聊天室还不允许你进去！"},
      {7, -60, "pw", "对不起：您的帐号被永久冻结了！"},
      {6, -60, "pw", ""},  // the freeze has run out
      {5, -60, "pw", ""}};
  for (const auto& [standing, offset, password, answer] : cases) {
    chat_.Exec("UPDATE user SET out_info = ?, out_time = ?, visit_num = 4 WHERE username = 'ann'",
               {Variant(standing), Variant(chat_.clock().Now().AddSeconds(offset).ToString())});
    EXPECT_EQ(chat_.LogIn(LoginForm("ann", password)), answer) << standing << password;
    EXPECT_EQ(chat_.UserColumn("ann", "visit_num").ToLong(), answer.empty() ? 5 : 4);
  }
  chat_.Exec("INSERT INTO ip_lock (ip, end_time, act_level) VALUES ('10.0.', ?, 4)",
             {Variant(chat_.clock().Now().AddSeconds(86400).ToString())});
  EXPECT_EQ(chat_.LogIn(LoginForm("bob", "pw")), kLocked);  // level 3 < 4
  EXPECT_EQ(chat_.LogIn(LoginForm("vip", "pw")), "");
  EXPECT_EQ(chat_.LogIn("newbie"), kLocked);  // every new user
  EXPECT_EQ(chat_.LogIn(LoginForm("bob", "pw").Address("192.168.1.1")), "");
  chat_.Exec("UPDATE ip_lock SET end_time = ?", {Ago(1)});
  EXPECT_EQ(chat_.LogIn("newbie"), "");
}

TEST_F(AccountCheckTest, AdmittedUserRowRecordAndNotices) {
  chat_.Exec("INSERT INTO vrecord (username, temp_level) VALUES ('ann', 8), ('vip', 5)");
  chat_.Exec(
      "INSERT INTO calls (towho, calltime, read) VALUES ('大家', ?, 0), ('ann', ?, 1), "
      "('bob', ?, 0)",
      {Ago(48), Ago(1), Ago(72)});
  chat_.Exec("INSERT INTO guestbook (towho, post_time) VALUES ('ann', ?), ('dan', ?)",
             {Ago(48), Ago(2)});
  chat_.clock().Advance(90);
  EXPECT_EQ(Notices("ann"), "");  // nothing since the last visit, nothing unread
  EXPECT_EQ(chat_.UserColumn("ann", "temppass").ToText() +
                chat_.UserColumn("ann", "last_ip").ToText() +
                chat_.UserColumn("ann", "out_time").ToText(),
            " 10.0.0.1" + chat_.clock().Now().ToString());
  // Sex, face and levels from the row; a temporary level above 5 raises it.
  EXPECT_EQ(chat_.UserField("ann", user_field::kSex) + chat_.UserField("ann", user_field::kFace) +
                chat_.UserField("ann", user_field::kStoredLevel) +
                chat_.UserField("ann", user_field::kLevel),
            "1102038");
  EXPECT_EQ(Notices("vip"), "");
  EXPECT_EQ(chat_.UserField("vip", user_field::kLevel), "4");
  const std::string call =
      "<\\script>window.open(\\'getcall.asp\\',\\'\\',\\'width=550,height=300,scrollbars=1\\');"
      "</\\script>";
  EXPECT_EQ(Notices("bob"), call);  // unread, however old
  chat_.Exec("INSERT INTO calls (towho, calltime, read) VALUES ('大家', ?, 1)", {Ago(0)});
  EXPECT_EQ(Notices("cat"), call);  // to everybody since the last visit
  chat_.Exec("DELETE FROM calls");
  // The notice names the visitor as typed; the record takes the stored name.
  EXPECT_EQ(Notices("dan"),
            "【系统】dan:有聊友给你留言哟！[<a href=guest.asp target=guestbook>观看</a>]<br>");
  EXPECT_EQ(chat_.last_session().Get("myname").ToText(), "Dan");
  chat_.clock().Advance(60);
  EXPECT_EQ(Notices("dan"), "");  // the login moved out_time on
}

TEST_F(AccountCheckTest, FriendRequestsInOrderAndFriendsOnline) {
  chat_.Exec(
      "INSERT INTO friendrq (ID, who, towho, sub_time) VALUES (7, ' gus ', 'fay', ?), "
      "(9, 'h''al', 'fay', ?)",
      {Ago(1), Ago(1)});
  auto request = [](const std::string& who, const std::string& id) {
    const std::string tail =
        "\\' onclick=\\'parent.input.document.forms[0].saystemp.focus()\\' target=newsay>";
    return "【系统】" + who + "向你发出好友申请，你是[<a href=\\'agreefriend.asp?ID=" + id +
           "&answer=yes" + tail + "同意</a>]还是[<a href=\\'agreefriend.asp?ID=" + id +
           "&answer=no" + tail + "不同意</a>]？<br>";
  };
  // The requester's name is escaped for the script string it travels in.
  EXPECT_EQ(Notices("fay"), request("gus", "7") + request("h&#39;al", "9"));
  chat_.Exec("UPDATE user SET friends = ' bob zed bob ' WHERE username = 'ivy'");
  EXPECT_EQ(Notices("ivy"), "");  // bob is not online yet
  EXPECT_EQ(chat_.LogIn(LoginForm("bob", "pw")), "");
  const std::string bob =
      "<font class=a color=#880088 onclick=javascript:parent.chuser(\\'bob\\') >bob</font>，";
  EXPECT_EQ(Notices("ivy"), "【系统】在线好友：" + bob + bob + "快快与好友联系吧！<br>");
}

TEST(RegistrationTest, NewUserRowAndWelcomeNotice) {
  LoginChat chat;
  chat.Load();
  chat.Set("_facecolorstr", Variant("#111 #222 #333"));
  chat.Set("_backgroudcolorstr", Variant("#AAA #BBB"));
  chat.Set("_newusernum", Variant("10"));
  EXPECT_EQ(chat.LogIn(LoginForm("ann", "secret").Sex("1").Address("10.2.3.4")), "");
  const auto row = chat.db().Execute(
      "SELECT passwd || '|' || bgcolor || '|' || headface || '|' || user_level || '|' || first_ip"
      " || '|' || sex AS v, log_time, n_color, s_color FROM user WHERE username = 'ann'");
  EXPECT_EQ(row->Field("v").ToText(), "j3aGOn>:YXe>|#AAA:#111:#222|1010|1|10.2.3.4|1");
  EXPECT_EQ(row->Field("log_time").ToDate(), chat.clock().Now());
  for (const char* colour : {"n_color", "s_color"}) {
    EXPECT_TRUE(row->Field(colour).ToLong() >= 0 && row->Field(colour).ToLong() <= 17) << colour;
  }
  EXPECT_EQ(chat.LogIn(LoginForm("bob", "pw").Sex("2")), "");  // sex 1 only for "1"
  EXPECT_EQ(chat.UserColumn("bob", "sex").ToText() + chat.UserField("bob", user_field::kSex), "00");
  // The password is repeated as sent (not trimmed, not cut to 15), escaped so
  // that it shows as typed and cannot end the script string or element.
  const std::vector<std::pair<std::string, std::string>> passwords = {
      {" abcdefghijklmnopq", " abcdefghijklmnopq"},
      {"it's\\ok", "it&#39;s\\\\ok"},
      {"</script><b>&", "&lt;/script&gt;&lt;b&gt;&amp;"}};
  for (const auto& [password, shown] : passwords) {
    const std::string name = "u" + std::to_string(chat.NewestSayId());
    EXPECT_EQ(chat.LogIn(LoginForm(name, password)), "");
    EXPECT_EQ(chat.RingColumn(5).ToText(),
              "'【系统】" + name + ":欢迎光临！请记牢您的密码[" + shown +
                  "]，点[<a href=userset.asp target=list onclick=\\'parent.listflag=0\\'>设置"
                  "</a>]可以修改和设置您的个人信息！<br>','" +
                  name + "','',1,'','',-5,'10:00:00',");
  }
}

TEST(RegistrationTest, RefusedOrFailedRegistrationsLeaveNoRow) {
  LoginChat chat;
  chat.Load();
  chat.Set("_newusernum", Variant("2"));
  EXPECT_EQ(chat.LogIn("ann") + chat.LogIn("bob"), "");
  EXPECT_EQ(chat.LogIn("cat"), kTooManyNewUsers);  // per address, for ten minutes
  EXPECT_EQ(chat.LogIn(LoginForm("cat", "pw").Address("10.5.5.5")), "");
  chat.clock().Advance(10 * 60);
  EXPECT_EQ(chat.LogIn("dan"), "");
  chat.Set("_disablenewuser", Variant("1"));
  EXPECT_EQ(chat.LogIn(LoginForm("eve", "pw").Address("10.6.6.6")),
            "对不起：管理员禁止新用户注册！");
  chat.Set("_disablenewuser", Variant("0"));
  chat.Set("_facecolorstr", Variant("#111"));  // too few colours: an error before the insert
  EXPECT_THROW(chat.LogIn(LoginForm("fay", "pw").Address("10.6.6.6")), CallError);
  EXPECT_TRUE(chat.UserColumn("eve", "username").is_empty() &&
              chat.UserColumn("fay", "username").is_empty());
  // Without a limit nobody registers; users with a row still log in.
  chat.Set("_newusernum", Variant());
  EXPECT_EQ(chat.LogIn(LoginForm("new", "pw").Address("10.7.7.7")), kTooManyNewUsers);
  EXPECT_EQ(chat.LogIn("ann"), "");
}

bool Refused(LoginChat& chat, MemorySession& session) {
  return text::Contains(chat.Refresh(session), "showerr.asp");
}

TEST(EnteringTest, FirstEntryOfANewUserEndToEnd) {
  LoginChat chat;
  chat.SetParam("enterchatshow", "##来了::c1::c2");
  chat.Load();
  ASSERT_EQ(chat.LogIn(LoginForm("ann", "pw").Sex("1")), "");
  MemorySession& session = chat.last_session();
  const std::string token = session.Get("mytemp").ToText();
  EXPECT_TRUE(token.starts_with("10:00:00")) << token;
  const std::string now = "2026-03-04 10:00:00";
  EXPECT_EQ(chat.Users(), "<$ann$>" + token + "$>10.0.0.1$>1$>1$>1$>" + now +
                              "$>1010$>0$>1$>-10$>" + now + "$>" + now + "$>$>$>$><$ann$>");
  EXPECT_EQ(chat.RoomField(1, room_field::kOccupants) + "|" +
                chat.RoomField(1, room_field::kLastActivity),
            " ann|" + now);
  // The enter line to the room and the welcome line, both in the first poll.
  const std::string poll = chat.Refresh(session);
  EXPECT_TRUE(text::Contains(poll,
                             "parent.addsay(1,'<small>girl</small>##来了<\\script>parent."
                             "addl(\\'ann\\',1,\\'1010\\',\\'\\')</\\script>','ann','大厅',"
                             "0,'c1','c2',-3,'10:00:00',2,'【系统】ann:欢迎光临！"))
      << poll;
  EXPECT_TRUE(text::Contains(poll, "parent.ref(2);parent.allusernum=1;")) << poll;
}

TEST(EnteringTest, ReEntryGoesBackToTheOldRoomAndShutsOutTheOldSession) {
  LoginChat chat;
  chat.SetParam("reentershow", "##回来了::r1::r2");
  chat.AddUser("Ann", "pw");
  chat.Load();
  ASSERT_EQ(chat.LogIn(LoginForm("ann", "pw").Room("4")), "");
  ASSERT_EQ(chat.LogIn("bob"), "");
  MemorySession& first = chat.session(0);
  EXPECT_EQ(chat.UserField("bob", user_field::kDeliveredSayId), "-9");  // ten before the entry
  chat.clock().Advance(60);
  ASSERT_EQ(chat.LogIn(LoginForm("ANN", "pw").Room("3")), "");
  MemorySession& second = chat.last_session();
  // One record at the end, under the stored name, in the old room; the enter
  // line alone, as there are no notices.
  EXPECT_EQ(RecordKeys(chat.Users()), (std::vector<std::string>{"bob", "Ann"}));
  EXPECT_EQ(second.Get("myname").ToText() + chat.UserField("Ann", user_field::kRoom), "Ann4");
  EXPECT_EQ(chat.RoomField(4, room_field::kOccupants) + chat.RoomField(3, room_field::kOccupants),
            " Ann");
  EXPECT_EQ(chat.RoomField(4, room_field::kLastActivity), "2026-03-04 10:01:00");
  EXPECT_EQ(chat.RingColumn(5).ToText(),
            "'<small>girl</small>##回来了<\\script>parent.addl(\\'Ann\\',1,\\'1020\\',\\'\\')"
            "</\\script>','Ann','情感驿站',0,'r1','r2',-3,'10:01:00',");
  EXPECT_EQ(chat.NewestSayId(), 4);
  EXPECT_TRUE(Refused(chat, first));
  EXPECT_FALSE(Refused(chat, second));
  // Entries within one second still get tokens of their own.
  ASSERT_EQ(chat.LogIn(LoginForm("ann", "pw")), "");
  EXPECT_NE(chat.last_session().Get("mytemp").ToText(), second.Get("mytemp").ToText());
  EXPECT_TRUE(Refused(chat, second));
  EXPECT_FALSE(Refused(chat, chat.last_session()));
}

TEST(EnteringTest, EnterMessageWithoutThreePartsFailsBeforeAnyChange) {
  LoginChat chat;
  chat.SetParam("enterchatshow", "##来了::990000");
  chat.SetParam("reentershow", "");
  chat.AddUser("ann", "pw");
  chat.Load();
  const std::string lists = chat.Users() + chat.lists().Rooms();
  EXPECT_THROW(chat.LogIn("bob"), CallError);
  EXPECT_TRUE(chat.last_session().Get("myname").is_empty());
  EXPECT_EQ(chat.Users() + chat.lists().Rooms() + std::to_string(chat.NewestSayId()), lists + "0");
  chat.Set("_enterchatshow", Variant("##来了::c1::c2"));  // a re-entry checks its own
  ASSERT_EQ(chat.LogIn("ann"), "");
  const std::string with_ann = chat.Users() + chat.lists().Rooms();
  EXPECT_THROW(chat.LogIn("ann"), CallError);
  EXPECT_EQ(chat.Users() + chat.lists().Rooms() + std::to_string(chat.NewestSayId()),
            with_ann + "1");
}

}  // namespace
}  // namespace tavolin
