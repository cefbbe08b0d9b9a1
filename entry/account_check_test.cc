// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <array>
#include <latch>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "tavolin/error.h"
#include "testing/login_chat.h"
#include "text/strings.h"

namespace tavolin {
namespace {

using testing::LoginChat;
using testing::LoginForm;
template <size_t N>
using Rows = std::vector<std::array<std::string, N>>;

constexpr char kSame[] = "错误：用户名与密码相同！";
constexpr char kIllegal[] = "错误：用户名含有非法字符！<a href=namefilter.asp>说明</a>";
constexpr char kBreaksScript[] = "错误：用户名不能含有单引号、双引号、反斜杠或小于号！";
constexpr char kFull[] = "对不起：聊天室已经满员了！";
constexpr char kRobot[] = "您的名字和房间机器人同名被拒绝进入！";

// A setting ("-" deletes its row), the names that log in one after the
// other, their password, and the answer to the last of them.
TEST(AdmissionTest, RulesAndTheirMessagesInOrder) {
  const std::string enabled = "_'\\\"<";  // what the script rule overrides
  const Rows<5> cases = {
      {"", "", "", "", kSame},
      {"", "", " ann ", "ann", kSame},
      {"", "", "", "pw", "错误：用户名为空！"},
      {"", "", "a", "pw", "错误：用户名长度不能太短至少2个字符！"},
      {"", "", "张", "pw", ""},  // a hanzi counts two
      {"", "", "a_b!", "pw", kIllegal},
      {"", "", "大家", "pw", kIllegal},    // the name that addresses everybody
      {"", "", "小精灵", "pw", kRobot},    // room 2's robot, whichever room is chosen
      {"", "", "客服01", "pw", kIllegal},  // a filtered word
      {"usernameenable", "", "ann_b", "pw", kIllegal},
      {"", "", "Tom_2", "pw", ""},  // "_" is allowed; the rule sees small letters
      {"usernameenable", enabled, "o'ne", "pw", kBreaksScript},
      {"usernameenable", enabled, "a\\b", "pw", kBreaksScript},
      {"usernameenable", enabled, "a\"b", "pw", kBreaksScript},
      {"usernameenable", enabled, "</b", "pw", kBreaksScript},
      {"maxnamelength", "3", "张三", "pw", ""},
      {"maxnamelength", "3", "张三李四", "pw", "错误：用户名长度不能长于10个英文字符或3个汉字！"},
      {"maxnamelength", "5", "abcdefghijkl", "pw", ""},  // cut to ten first
      {"maxnamelength", "-", "ab", "pw", "错误：用户名长度不能长于10个英文字符或个汉字！"},
      // One more than the maximum gets in; without a maximum only one.
      {"maxpeople", "2", "ann,bob,cat,dan", "pw", kFull},
      {"maxpeople", "-", "ann,bob", "pw", kFull},
      {"maxpeople", "100000", "ann", "pw", ""}};
  for (const auto& [alias, body, names, password, expected] : cases) {
    LoginChat chat;
    if (body == "-") chat.Exec("DELETE FROM sysparam WHERE alias = ?", {Variant(alias)});
    if (body != "-" && !alias.empty()) chat.SetParam(alias, body);
    chat.Load();
    std::string answer, name;
    for (std::string_view each :
         names.empty() ? std::vector<std::string_view>{""} : text::Split(names, ",")) {
      name = text::LeftChars(each, 10);
      answer = chat.LogIn(LoginForm(std::string(each), password));
    }
    EXPECT_EQ(answer, expected) << name;
    // A refused name is nowhere; an admitted one stands as typed.
    EXPECT_EQ(chat.UserColumn(name, "username").ToText(), answer.empty() ? name : "") << name;
  }
  // A proxy is refused only with both headers and the switch on.
  LoginChat chat;
  chat.Load();
  chat.Set("_disableproxy", Variant("1"));
  EXPECT_EQ(chat.LogIn(LoginForm("ann", "pw").Via("p")), "");
  EXPECT_EQ(chat.LogIn(LoginForm("bob", "pw").Forwarded("x")), "");
  EXPECT_EQ(chat.LogIn(LoginForm("cat", "pw").Via("p").Forwarded("x")), "管理员禁止通过代理登录！");
  chat.Set("_disableproxy", Variant("0"));
  EXPECT_EQ(chat.LogIn(LoginForm("cat", "pw").Via("p").Forwarded("x")), "");
}

// A room not in the list sends the visitor to the first room; the owner
// passes the robot-name, level and door rules, which refuse in that order.
TEST(AdmissionTest, RoomChoiceAndTheRulesOfTheRoom) {
  LoginChat chat;
  chat.Exec("UPDATE room SET room_owner = 'Boss', room_auto = 'Robo' WHERE ID = 4");
  chat.SetParam("newusernum", "20");
  chat.Load();
  const auto room_of = [&chat](const std::string& name, const std::string& asked) {
    const std::string answer = chat.LogIn(LoginForm(name, "pw").Room(asked));
    if (!answer.empty()) {
      EXPECT_TRUE(chat.UserColumn(name, "username").is_empty()) << name;
    }
    return answer.empty() ? chat.UserField(name, user_field::kRoom) : answer;
  };
  EXPECT_EQ(room_of("ann", "3") + room_of("bob", "abc") + room_of("cat", "99") +
                room_of("dan", "2.6") + room_of("hal", "2147483648") + room_of("ida", "-1e400"),
            "311311");
  EXPECT_EQ(room_of("robo", "4"), kRobot);
  const Rows<4> rules = {{"3", "0", "eve", "您要去的房间有级别限制，您不能直接登陆！"},
                         {"3", "0", "boss", "4"},
                         {"1", "0", "eve", "您要去的房间的门已经关上了！"},
                         {"1", "1", "eve", "4"}};
  for (const auto& [level, door, name, answer] : rules) {
    chat.Exec("UPDATE room SET permit_level = ?, door_open = ? WHERE ID = 4",
              {Variant(level), Variant(door)});
    chat.Load();
    EXPECT_EQ(room_of(name, "4"), answer) << name;
  }
  chat.Exec("DELETE FROM room WHERE ID = 1");
  chat.Load();
  EXPECT_EQ(room_of("fay", "abc"), "2");  // the first room is now 2
  chat.Exec("DELETE FROM room");
  chat.Load();
  EXPECT_THROW(chat.LogIn("gus"), CallError);
}

// Filter words match in the same letter case anywhere (an empty word in
// every name); then digits, small letters and hanzi (also of the GBK
// extension) pass, space and full stop never, symbol rows and characters the
// code page lacks are refused. Passwords scramble as stored ones were (values
// of the generator's sequence worked out independently), whatever came before.
TEST(NameRulesTest, NameCharactersLengthAndPasswordTransform) {
  const auto refused = [](const char* name, const char* filter = "", const char* enabled = "") {
    Corvane object;
    object.SetFilterStr(Variant(filter));
    Variant u(name), allowed(enabled);
    return object.Chuser(u, allowed).ToBoolean() ? "x" : "-";
  };
  std::string seen;
  for (auto* name : {"Abc", "a_b", "a~b", "张，三", "张★", "①", "é", "abc123", "张三丰", "丂"}) {
    seen += refused(name);
  }
  EXPECT_EQ(seen + refused("xbossx", "boss,Bad") + refused("abc", "boss,,bad") +
                refused("xbadx", "boss,Bad") + refused("a_b", "", "_") +
                refused("a b", "", " _ . ") + refused("a.b", "", " _ . "),
            "xxxxxxx---xx--xx");
  Variant enabled(" _ . "), name("a_b");
  EXPECT_FALSE(Corvane().Chuser(name, enabled).ToBoolean());
  EXPECT_EQ(enabled.ToText(), "_");  // what is really allowed
  Corvane used;
  const auto scrambled = [&used](const std::string& password) {
    Variant typed("  " + password + " ");
    const std::string result = used.trpass(typed).ToText();
    EXPECT_EQ(typed.ToText(), password);  // trimmed in place
    return result + "|";
  };
  EXPECT_EQ(scrambled("abc123") + scrambled("secret") + scrambled("密码1") + scrambled("张三lee") +
                scrambled("") + scrambled("abc123"),
            ">:h7%Kn*(=C+|j3aGOn>:YXe>|-e>V_|>:,,}g2o\\R||>:h7%Kn*(=C+|");
}

constexpr char kWrongPassword[] =
    "错误：您输入了错误的密码，如果您是老版本用户，请在登陆页面上作密码转换！";
constexpr char kLocked[] = "对不起：您的IP被封锁了！";
constexpr char kTooMany[] = "对不起：您暂时不能注册新用户，请等几分钟再试！";

// Registered users (level 3, vip 4; out_time a day ago) and a loaded chat.
class LoginTest : public ::testing::Test {
 protected:
  LoginTest() {
    for (auto* name : {"ann", "bob", "cat", "Dan", "fay", "ivy"}) chat_.AddUser(name, "pw", 3);
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
  // Whether each session's poll is sent to the error page, as "1" or "0".
  std::string Refused(std::vector<int> sessions) {
    std::string refused;
    for (int i : sessions)
      refused += text::Contains(chat_.Refresh(chat_.session(i)), "showerr") ? "1" : "0";
    return refused;
  }
  // "!" for a login that fails and leaves the lists and the user table as they were.
  std::string FailsCleanly(const LoginForm& form) {
    const auto state = [this, &form] {
      return chat_.Users() + chat_.lists().Rooms() + std::to_string(chat_.NewestSayId()) +
             chat_.UserColumn(form.name, "username").ToText();
    };
    const std::string before = state();
    try {
      return chat_.LogIn(form);
    } catch (const CallError&) {
      return state() == before ? "!" : "! and changed";
    }
  }

  testing::LoginChat chat_;
};

TEST_F(LoginTest, PasswordThenStandingThenAddressLock) {
  chat_.AddUser("longpw", "abcdefghijklmno");  // only 15 characters count
  EXPECT_EQ(chat_.LogIn(LoginForm("longpw", "abcdefghijklmnoXYZ")), "");
  // out_info, out_time in hours ago, password, answer.
  const std::vector<std::tuple<int, int, std::string, std::string>> cases = {
      {0, 1, "wrong", kWrongPassword},
      {7, 1, "wrong", kWrongPassword},  // the password is checked first
      {5, -1, "pw", "对不起：您是被赶出聊天室的，目前聊天室还不允许你进去！"},
      {6, -1, "pw", "对不起：您的帐号被暂时冻结，目前聊天室还不允许你进去！"},
      {7, 1, "pw", "对不起：您的帐号被永久冻结了！"},
      {6, 1, "pw", ""},  // the freeze has run out
      {5, 1, "pw", ""}};
  for (const auto& [standing, hours, password, answer] : cases) {
    chat_.Exec("UPDATE user SET out_info = ?, out_time = ?, visit_num = 4 WHERE username = 'ann'",
               {Variant(standing), Ago(hours)});
    EXPECT_EQ(chat_.LogIn(LoginForm("ann", password)), answer) << standing << password;
    EXPECT_EQ(chat_.UserColumn("ann", "visit_num").ToLong(), answer.empty() ? 5 : 4);
  }
  chat_.Exec("INSERT INTO ip_lock (ip, end_time, act_level) VALUES ('10.0.', ?, 4)", {Ago(-24)});
  EXPECT_EQ(chat_.LogIn(LoginForm("bob", "pw")), kLocked);  // level 3 < 4
  EXPECT_EQ(chat_.LogIn(LoginForm("vip", "pw")), "");
  EXPECT_EQ(chat_.LogIn("newbie"), kLocked);  // every new user
  EXPECT_EQ(chat_.LogIn(LoginForm("bob", "pw").Address("192.168.1.1")), "");
  chat_.Exec("UPDATE ip_lock SET end_time = ?", {Ago(1)});
  EXPECT_EQ(chat_.LogIn("newbie"), "");
}

TEST_F(LoginTest, AdmittedUserRowRecordAndNotices) {
  chat_.Exec("INSERT INTO vrecord (username, temp_level) VALUES ('ann', 8), ('vip', 5)");
  chat_.Exec(
      "INSERT INTO calls (towho, calltime, read) VALUES ('大家', ?, 0), ('ann', ?, 1), "
      "('bob', ?, 0)",
      {Ago(48), Ago(1), Ago(72)});
  chat_.Exec("INSERT INTO guestbook (towho, post_time) VALUES ('ann', ?), ('dan', ?)",
             {Ago(48), Ago(2)});
  chat_.clock().Advance(90);
  EXPECT_EQ(Notices("ann"), "");  // nothing since the last visit, nothing unread
  EXPECT_EQ(
      chat_.UserColumn("ann", "temppass").ToText() + chat_.UserColumn("ann", "last_ip").ToText(),
      " 10.0.0.1");
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

TEST_F(LoginTest, FriendRequestsInOrderAndFriendsOnline) {
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

TEST_F(LoginTest, NewUserRowRecordAndWelcomeNotice) {
  chat_.Set("_facecolorstr", Variant("#111 #222 #333"));
  chat_.Set("_backgroudcolorstr", Variant("#AAA #BBB"));
  chat_.Set("_enterchatshow", Variant("##来了::c1::c2"));
  EXPECT_EQ(chat_.LogIn(LoginForm("neo", "secret").Sex("1").Address("10.2.3.4")), "");
  EXPECT_EQ(chat_
                .UserColumn("neo",
                            "passwd||'|'||bgcolor||'|'||headface||'|'||user_level||'|'||"
                            "first_ip||'|'||sex")
                .ToText(),
            "j3aGOn>:YXe>|#AAA:#111:#222|1010|1|10.2.3.4|1");
  const std::string token = chat_.last_session().Get("mytemp").ToText();
  EXPECT_TRUE(token.starts_with("10:00:00")) << token;
  const std::string now = "2026-03-04 10:00:00";
  EXPECT_EQ(chat_.Users(), "<$neo$>" + token + "$>10.2.3.4$>1$>1$>1$>" + now +
                               "$>1010$>0$>1$>-10$>" + now + "$>" + now + "$>$>$>$><$neo$>");
  EXPECT_EQ(chat_.RoomField(1, room_field::kOccupants) + "|" +
                chat_.RoomField(1, room_field::kLastActivity),
            " neo|" + now);
  // The enter line to the room, then the welcome line, both in the first poll.
  EXPECT_TRUE(text::Contains(chat_.Refresh(chat_.last_session()),
                             "parent.addsay(1,'<small>girl</small>##来了<\\script>parent.addl(\\'"
                             "neo\\',1,\\'1010\\',\\'\\')</\\script>','neo','大厅',0,'c1','c2',-3,"
                             "'10:00:00',2,'【系统】neo:欢迎光临！"));
  EXPECT_EQ(chat_.LogIn(LoginForm("bo", "pw").Sex("2")), "");  // sex 1 only for "1"
  EXPECT_EQ(chat_.UserColumn("bo", "sex").ToText() + chat_.UserField("bo", user_field::kSex), "00");
  // The password is repeated as sent (not trimmed, not cut to 15), escaped so
  // that it shows as typed and cannot end the script string or element.
  chat_.Set("_newusernum", Variant("10"));
  const std::vector<std::pair<std::string, std::string>> passwords = {
      {" abcdefghijklmnopq", " abcdefghijklmnopq"},
      {"it's\\ok", "it&#39;s\\\\ok"},
      {"</script><b>&", "&lt;/script&gt;&lt;b&gt;&amp;"}};
  for (const auto& [password, shown] : passwords) {
    const std::string name = "u" + std::to_string(chat_.NewestSayId());
    EXPECT_EQ(chat_.LogIn(LoginForm(name, password)), "");
    EXPECT_EQ(chat_.RingColumn(5).ToText(),
              "'【系统】" + name + ":欢迎光临！请记牢您的密码[" + shown +
                  "]，点[<a href=userset.asp target=list onclick=\\'parent.listflag=0\\'>设置"
                  "</a>]可以修改和设置您的个人信息！<br>','" +
                  name + "','',1,'','',-5,'10:00:00',");
  }
}

TEST_F(LoginTest, RefusedOrFailedRegistrationsLeaveNoRow) {
  chat_.Set("_newusernum", Variant("2"));
  EXPECT_EQ(chat_.LogIn("neo"), "");
  EXPECT_EQ(chat_.LogIn("max"), "");
  EXPECT_EQ(chat_.LogIn("guy"), kTooMany);  // per address, for ten minutes
  EXPECT_EQ(chat_.LogIn(LoginForm("guy", "pw").Address("10.5.5.5")), "");
  chat_.clock().Advance(10 * 60);
  EXPECT_EQ(chat_.LogIn("hal"), "");
  chat_.Set("_disablenewuser", Variant("1"));
  EXPECT_EQ(chat_.LogIn(LoginForm("eve", "pw").Address("10.6.6.6")),
            "对不起：管理员禁止新用户注册！");
  chat_.Set("_disablenewuser", Variant("0"));
  chat_.Set("_facecolorstr", Variant("#111"));  // too few colours: an error before the insert
  EXPECT_EQ(FailsCleanly(LoginForm("joe", "pw").Address("10.6.6.6")) +
                chat_.UserColumn("eve", "username").ToText(),
            "!");
  chat_.Set("_newusernum", Variant());  // without a limit nobody registers
  EXPECT_EQ(chat_.LogIn(LoginForm("kim", "pw").Address("10.7.7.7")), kTooMany);
  EXPECT_EQ(chat_.LogIn("ann"), "");  // users with a row still log in
  // Enter messages without three pieces fail before any change, a re-entry checking its own.
  chat_.Set("_enterchatshow", Variant("##来了::990000"));
  chat_.Set("_reentershow", Variant(""));
  EXPECT_EQ(FailsCleanly(LoginForm("cat", "pw")), "!");
  EXPECT_TRUE(chat_.last_session().Get("myname").is_empty());
  chat_.Set("_enterchatshow", Variant("##来了::c1::c2"));
  EXPECT_EQ(FailsCleanly(LoginForm("ann", "pw")), "!");
}

// A few wrong passwords for a name cost nothing; then each makes the name
// wait 1, 2, 4 ... seconds, from any address and even with the right
// password, and ten lock it out; the right password starts the count over,
// as does a quiet quarter of an hour. An address guessing at many names is
// held back likewise, later. Each hold is logged once, not for every try.
TEST_F(LoginTest, WrongPasswordsHoldTheNameAndTheAddressBack) {
  const auto wait = [](const std::string& shown) {
    return "密码错误次数太多，请" + shown + "后再试！";
  };
  // Seconds passed first, name, password, address, answer.
  const std::vector<std::tuple<int, std::string, std::string, std::string, std::string>> steps = {
      {0, "ann", "x", "10.0.0.1", kWrongPassword},
      {0, "ann", "x", "10.0.0.1", kWrongPassword},
      {0, "ann", "x", "10.0.0.1", kWrongPassword},
      {0, "ann", "x", "10.0.0.1", kWrongPassword},
      {0, "ANN", "pw", "10.3.3.3", wait("1秒")},
      {0, "bob", "pw", "10.0.0.1", ""},
      {1, "ann", "x", "10.0.0.1", kWrongPassword},
      {1, "ann", "x", "10.0.0.1", wait("1秒")},
      {1, "ann", "pw", "10.0.0.1", ""},
      {0, "ann", "x", "10.0.0.1", kWrongPassword},
      {0, "ann", "x", "10.0.0.1", kWrongPassword},
      {0, "ann", "x", "10.0.0.1", kWrongPassword},
      {900, "ann", "x", "10.0.0.1", kWrongPassword},
      {0, "ann", "x", "10.0.0.1", kWrongPassword},
      // Eleven failures of one address over names that each stay free.
      {0, "fay", "x", "10.4.4.4", kWrongPassword},
      {0, "fay", "x", "10.4.4.4", kWrongPassword},
      {0, "fay", "x", "10.4.4.4", kWrongPassword},
      {0, "ivy", "x", "10.4.4.4", kWrongPassword},
      {0, "ivy", "x", "10.4.4.4", kWrongPassword},
      {0, "ivy", "x", "10.4.4.4", kWrongPassword},
      {0, "vip", "x", "10.4.4.4", kWrongPassword},
      {0, "vip", "x", "10.4.4.4", kWrongPassword},
      {0, "vip", "x", "10.4.4.4", kWrongPassword},
      {0, "Dan", "x", "10.4.4.4", kWrongPassword},
      {0, "Dan", "x", "10.4.4.4", kWrongPassword},
      {0, "neo", "pw", "10.4.4.4", wait("1秒")},
      {0, "Dan", "pw", "10.5.5.5", ""}};
  ::testing::internal::CaptureStderr();
  for (const auto& [seconds, name, password, address, answer] : steps) {
    chat_.clock().Advance(seconds);
    EXPECT_EQ(chat_.LogIn(LoginForm(name, password).Address(address)), answer) << name << seconds;
  }
  // Ten failures a minute apart lock the name out for a quarter of an hour.
  for (int i = 0; i < 10; ++i) {
    chat_.clock().Advance(60);
    EXPECT_EQ(chat_.LogIn(LoginForm("cat", "x").Address("10.6.6.6")), kWrongPassword) << i;
  }
  EXPECT_EQ(chat_.LogIn(LoginForm("cat", "pw")), wait("15分钟"));
  chat_.clock().Advance(899);
  EXPECT_EQ(chat_.LogIn(LoginForm("cat", "pw")), wait("1秒"));
  chat_.clock().Advance(1);
  EXPECT_EQ(chat_.LogIn(LoginForm("cat", "pw")), "");
  const std::string log = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(text::Split(log, "login name cat:").size(), 3U) << log;  // held back, locked out
  EXPECT_EQ(text::Split(log, "login address 10.4.4.4:").size(), 2U) << log;
}

// Logins of one new name at the same moment: one registers it, the others
// log in to it; none fails. Several rounds, as the race is not always run.
TEST_F(LoginTest, SimultaneousFirstLoginsOfOneNewName) {
  chat_.Set("_newusernum", Variant("100"));
  for (const std::string name : {"neo", "max", "guy", "hal", "joe"}) {
    std::vector<std::string> answers(20);
    std::vector<MemorySession> sessions(answers.size());
    std::latch start(static_cast<ptrdiff_t>(answers.size()));
    std::vector<std::thread> threads;
    for (size_t i = 0; i < answers.size(); ++i) {
      threads.emplace_back([&, i] {
        start.arrive_and_wait();
        try {
          answers[i] = chat_.LogIn(LoginForm(name, "pw"), sessions[i]);
        } catch (const CallError& error) {
          answers[i] = error.what();
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(answers, std::vector<std::string>(answers.size())) << name;
    EXPECT_EQ(chat_.UserColumn(name, "count(*)").ToLong(), 1);
  }
}

TEST_F(LoginTest, ReEntryGoesBackToTheOldRoomAndShutsOutTheOldSession) {
  chat_.Set("_reentershow", Variant("##回来了::r1::r2"));
  ASSERT_EQ(chat_.LogIn(LoginForm("dan", "pw").Room("4")), "");
  ASSERT_EQ(chat_.LogIn("neo"), "");
  EXPECT_EQ(chat_.UserField("neo", user_field::kDeliveredSayId), "-9");  // ten before the entry
  chat_.clock().Advance(60);
  ASSERT_EQ(chat_.LogIn(LoginForm("DAN", "pw").Room("3")), "");
  // One record at the end, under the stored name, in the old room; the enter
  // line alone, as there are no notices.
  EXPECT_EQ(RecordKeys(chat_.Users()), (std::vector<std::string>{"neo", "Dan"}));
  EXPECT_EQ(chat_.session(2).Get("myname").ToText() + chat_.UserField("Dan", user_field::kRoom),
            "Dan4");
  EXPECT_EQ(chat_.RoomField(4, room_field::kOccupants) + "|" +
                chat_.RoomField(3, room_field::kOccupants) + "|" +
                chat_.RoomField(4, room_field::kLastActivity),
            " Dan||2026-03-04 10:01:00");
  EXPECT_EQ(chat_.RingColumn(5).ToText(),
            "'<small>girl</small>##回来了<\\script>parent.addl(\\'Dan\\',1,\\'1020\\',\\'\\')"
            "</\\script>','Dan','情感驿站',0,'r1','r2',-3,'10:01:00',");
  EXPECT_EQ(chat_.NewestSayId(), 4);
  EXPECT_EQ(Refused({0, 2}), "10");
  // Entries within one second still get tokens of their own.
  ASSERT_EQ(chat_.LogIn(LoginForm("dan", "pw")), "");
  EXPECT_NE(chat_.session(3).Get("mytemp").ToText(), chat_.session(2).Get("mytemp").ToText());
  EXPECT_EQ(Refused({2, 3}), "10");
}

}  // namespace
}  // namespace tavolin
