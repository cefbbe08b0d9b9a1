// Copyright Tavolin developers.
//
// The console over HTTP: the password and the anti-forgery token guard it,
// each operation changes the database and the live chat together and leaves
// an audit row, and bad input is refused with nothing changed.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "component/list_record.h"
#include "tavolin/error.h"
#include "testing/live_chat.h"
#include "testing/served_chat.h"

namespace tavolin::console {
namespace {

using tavolin::testing::HttpTestClient;
using tavolin::testing::LiveLists;
using tavolin::testing::ServedChat;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;
using Form = std::map<std::string, std::string>;

constexpr char kRooms[] = "/admin/rooms.asp";
constexpr char kUsers[] = "/admin/users.asp";
constexpr char kLocks[] = "/admin/locks.asp";
constexpr char kOnline[] = "/admin/online.asp";
constexpr char kSettings[] = "/admin/settings.asp";
constexpr char kRobot[] = "/admin/robot.asp";
constexpr char kActions[] = "/admin/actions.asp";
constexpr char kActivity[] = "/admin/activity.asp";

// The operator's browser: the password, UTF-8 forms, the console's token.
struct Operator {
  explicit Operator(ServedChat& chat) : client(chat.port()) {
    client.set_authorization("Basic YWRtaW46c2VjcmV0");  // admin:secret
    client.set_utf8_forms(true);
    client.Get("/admin/");
  }
  std::string Do(const std::string& page, const Form& form) { return client.Post(page, form).body; }
  HttpTestClient client;
};

// What the console may change, as one text: a change shows as a difference.
std::string Stored(ServedChat& chat) {
  return chat.Joined("select ID||room_name||room_owner||permit_level as v from room order by ID") +
         "|" +
         chat.Value(
             "select (select count(*) from ip_lock) || '|' || (select count(*) from "
             "record) as v") +
         "|" + chat.Joined("select username||user_level||out_info as v from user order by ID") +
         "|" + chat.Joined("select alias||'='||body as v from sysparam order by ID") + "|" +
         chat.Joined("select id||text_body as v from autoact order by id") + "|" +
         chat.Joined("select ID||act_name||toall||toself||toother as v from action order by ID");
}

Form NewRoom(const std::string& name) {
  return {{"do", "create"},      {"name", name},     {"owner", "bob"}, {"robot", ""},
          {"permit_level", "0"}, {"door_open", "1"}, {"keep", "0"},    {"experience", "0"}};
}

// Catches a console page served without the password, or one not UTF-8, not
// for phones, or without the token its forms need.
TEST(ConsoleTest, EveryPageNeedsThePasswordAndAnswersUtf8) {
  ServedChat chat;
  const std::string before = Stored(chat);
  HttpTestClient stranger(chat.port());
  for (const char* page : {"/admin/", "/admin/index.asp", kRooms, kUsers, kLocks, kOnline,
                           kSettings, kRobot, kActions, kActivity}) {
    EXPECT_EQ(stranger.Get(page).status, 401) << page;
    EXPECT_EQ(stranger.Post(page, NewRoom("x")).status, 401) << page;
    Operator admin(chat);
    const auto answer = admin.client.Get(page);
    EXPECT_EQ(answer.status, 200) << page;
    EXPECT_EQ(answer.headers.at("content-type"), "text/html; charset=utf-8");
    for (const char* head : {"<meta charset='utf-8'>", "name='viewport'", "name='csrf-token'"}) {
      EXPECT_THAT(answer.body, HasSubstr(head)) << page;
    }
  }
  EXPECT_EQ(Stored(chat), before);
}

// Catches a POST acted on without the console's token or from another site.
TEST(ConsoleTest, ForgedPostsAreRefusedAndChangeNothing) {
  ServedChat chat;
  const std::string before = Stored(chat);
  struct Case {
    const char* token;
    const char* origin;
  };
  for (const Case& forged : {Case{"", ""}, Case{"0123", ""}, Case{nullptr, "http://evil.test"}}) {
    Operator admin(chat);
    admin.client.set_origin(forged.origin);
    Form form = NewRoom("假房间");
    if (forged.token) form["token"] = forged.token;
    EXPECT_EQ(admin.client.Post(kRooms, form).status, 403) << forged.origin;
  }
  EXPECT_EQ(Stored(chat), before);
  EXPECT_THAT(LiveLists(chat.app()).Rooms(), Not(HasSubstr("假房间")));
}

// Catches a room change that misses the live list or the database, drops the
// occupants of a room that stays, or strands the visitors of a closed room.
TEST(ConsoleTest, RoomsChangeLiveAndStoredTogether) {
  ServedChat chat;
  Operator admin(chat);
  EXPECT_THAT(admin.Do(kRooms, NewRoom("茶室")), HasSubstr("房间“茶室”已经建好。"));
  const std::string id = chat.Value("select ID as v from room where room_name='茶室'");
  EXPECT_THAT(HttpTestClient(chat.port()).Get("/").Utf8Body(), HasSubstr(">茶室</option>"));

  HttpTestClient ann(chat.port());
  chat.Login(ann, "ann", id);
  Form edit = NewRoom("书房");
  edit["description"] = "<script>alert(1)</script>";
  edit["do"] = "edit";
  edit["id"] = id;
  EXPECT_THAT(admin.Do(kRooms, edit), HasSubstr("&lt;script&gt;alert(1)&lt;/script&gt;"));
  LiveLists live(chat.app());
  EXPECT_EQ(live.RoomField(id, room_field::kName), "书房");
  EXPECT_EQ(live.RoomField(id, room_field::kOccupants), " ann");
  EXPECT_EQ(chat.Value("select room_des as v from room where ID=" + id),
            "<script>alert(1)</script>");
  EXPECT_THAT(ann.Get("/refresh.asp").Utf8Body(), Not(HasSubstr("showerr.asp")));
  // An edit naming some fields (the command line's) keeps the others as stored.
  admin.Do(kRooms, {{"do", "edit"}, {"id", id}, {"permit_level", "3"}});
  EXPECT_EQ(chat.Value("select room_name||permit_level as v from room where ID=" + id), "书房3");

  EXPECT_THAT(admin.Do(kRooms, {{"do", "delete"}, {"id", id}}), HasSubstr("已经删除"));
  EXPECT_TRUE(chat.db().Execute("select * from room where ID=" + id)->eof());
  EXPECT_THAT(live.Rooms(), Not(HasSubstr("书房")));
  EXPECT_EQ(live.UserField("ann", user_field::kRoom), "1");
  EXPECT_THAT(live.RoomField("1", room_field::kOccupants), HasSubstr("ann"));
  EXPECT_THAT(ann.Get("/refresh.asp").Utf8Body(), HasSubstr("推门走进了房间"));
  EXPECT_EQ(chat.Value("select count(*) as v from record where stype=80"), "4");
}

// Catches bad input stored, or refused without saying why.
TEST(ConsoleTest, BadInputIsRefusedClearlyAndChangesNothing) {
  ServedChat chat;
  chat.Visitor("ann");
  Operator admin(chat);
  const std::string before = Stored(chat);
  Form no_level = NewRoom("书房");
  no_level["permit_level"] = "abc";
  struct Case {
    const char* page;
    Form form;
    const char* says;
  };
  const Case cases[] = {
      {kRooms, NewRoom(" "), "房间名不能为空。"},
      {kRooms, NewRoom("大厅"), "已经有叫“大厅”的房间了。"},
      {kRooms, NewRoom("a$>b"), "名字里不能有"},
      {kRooms, no_level, "进入级别必须是 0 到 32767 的整数。"},
      {kRooms, {{"do", "edit"}, {"id", "99"}, {"name", "x"}}, "没有这个房间。"},
      {kRooms, {{"do", "delete"}, {"id", "99"}}, "没有这个房间。"},
      {kRooms, {{"do", "explode"}}, "不认识这个操作。"},
      {kUsers, {{"do", "level"}, {"user", "ann"}, {"level", "x"}}, "级别必须是"},
      {kUsers, {{"do", "level"}, {"user", "nobody"}, {"level", "3"}}, "没有这个用户。"},
      {kUsers, {{"do", "temp_level"}, {"user", "ann"}, {"level", "5"}}, "临时级别必须是"},
      {kUsers,
       {{"do", "temp_level"}, {"user", "ann"}, {"level", "8"}, {"until", "x"}},
       "截止时间要写成"},
      {kUsers, {{"do", "kick"}, {"user", "ann"}, {"until", "tomorrow"}}, "截止时间要写成"},
      {kUsers, {{"do", "kick"}, {"user", "ann"}, {"until", "2026-03-04 09:00"}}, "必须在现在之后"},
      {kLocks,
       {{"do", "add"}, {"address", "1.2.%"}, {"until", "2026-04-01"}, {"level", "0"}},
       "地址只能由"},
      {kLocks,
       {{"do", "add"}, {"address", "1.2."}, {"until", "12:00"}, {"level", "0"}},
       "截止时间要写成"},
      {kLocks, {{"do", "remove"}, {"id", "7"}}, "没有这个封锁。"},
      {kOnline, {{"do", "send_out"}, {"user", "bob"}}, "bob 不在聊天室里。"},
      {kSettings,
       {{"do", "save"}, {"alias", "maxsayslength"}, {"value", "abc"}},
       "设置 maxsayslength 没有保存：setting maxsayslength is &#39;abc&#39;: it must be a whole "
       "number"},
      {kSettings,
       {{"do", "save"}, {"alias", "namelength"}, {"value", "30"}},
       "设置 namelength 没有保存：setting namelength is &#39;30&#39;"},
      {kSettings,
       {{"do", "save"}, {"alias", "facecolorstr"}, {"value", "#111 #2'2"}},
       "设置 facecolorstr 没有保存：setting facecolorstr is"},
      {kSettings,
       {{"do", "save"}, {"alias", "enterroomshow"}, {"value", "进来了"}},
       "设置 enterroomshow 没有保存：setting enterroomshow is &#39;进来了&#39;: it must hold "
       "words, "
       "colour"},
      {kSettings,
       {{"do", "save"}, {"alias", "disablenewuser"}, {"value", "yes"}},
       "设置 disablenewuser 没有保存：只能是 1（开）或 0（关）。"},
      {kSettings, {{"do", "save"}, {"alias", "connstr"}, {"value", "x"}}, "没有这个设置。"},
      {kRobot, {{"do", "add"}, {"text", "  "}}, "回答不能为空。"},
      {kRobot, {{"do", "edit"}, {"id", "99"}, {"text", "x"}}, "没有这个回答。"},
      {kRobot, {{"do", "delete"}, {"id", "x"}}, "没有这个回答。"},
      {kActions,
       {{"do", "add"}, {"name", "HI"}, {"toall", "a"}, {"toself", "b"}, {"toother", "c"}},
       "已经有动作“HI”了。"},
      {kActions,
       {{"do", "add"}, {"name", "wave hand"}, {"toall", "a"}, {"toself", "b"}, {"toother", "c"}},
       "动作名里不能有空格"},
      {kActions,
       {{"do", "add"}, {"name", "wave"}, {"toall", "a"}, {"toself", ""}, {"toother", "c"}},
       "三种说法都要写。"},
      {kActions, {{"do", "delete"}, {"id", "99"}}, "没有这个动作。"},
  };
  for (const Case& bad : cases) {
    const auto answer = admin.client.Post(bad.page, bad.form);
    EXPECT_EQ(answer.status, 400) << bad.says;
    EXPECT_THAT(answer.body, HasSubstr(bad.says));
  }
  EXPECT_EQ(Stored(chat), before);
  EXPECT_EQ(LiveLists(chat.app()).UserField("ann", user_field::kLevel), "1");
  for (const char* key : {"_maxsayslength", "_namelength", "_disablenewuser"}) {
    EXPECT_EQ(chat.app().Get(key).ToText(), chat.Value("select body as v from sysparam where "
                                                       "alias='" +
                                                       std::string(key + 1) + "'"));
  }
}

// Catches a user change that misses the row the login reads or the visit
// online, a kicked visitor left in the chat or sent out without the login's
// words, and a password not stored as the login scrambles it.
TEST(ConsoleTest, UserChangesReachTheLoginAndTheVisitOnline) {
  ServedChat chat;
  HttpTestClient& ann = chat.Visitor("ann");
  Operator admin(chat);
  const auto user = [&](const char* what, Form form) {
    form["do"] = what;
    form["user"] = "ANN";  // names match in any letter case
    return admin.Do(kUsers, form);
  };
  LiveLists live(chat.app());
  user("level", {{"level", "4"}});
  EXPECT_EQ(chat.Value("select user_level as v from user where username='ann'"), "4");
  EXPECT_EQ(live.UserField("ann", user_field::kLevel), "4");
  user("temp_level", {{"level", "8"}});
  EXPECT_EQ(live.UserField("ann", user_field::kLevel), "8");
  EXPECT_EQ(live.UserField("ann", user_field::kStoredLevel), "4");
  EXPECT_EQ(chat.Value("select temp_level as v from vrecord where username='ann'"), "8");
  EXPECT_THAT(admin.client.Get("/admin/users.asp?q=A&ip=127.0.").body,
              HasSubstr("?user=ann'>ann</a>"));
  EXPECT_THAT(admin.client.Get("/admin/users.asp?q=%3Cb%3E").body, HasSubstr("value='&lt;b&gt;'"));

  user("kick", {{"until", "2026-03-05T10:00"}});
  EXPECT_THAT(ann.Get("/refresh.asp").Utf8Body(), HasSubstr("showerr.asp"));
  const std::string kicked = "对不起：您是被赶出聊天室的，目前聊天室还不允许你进去！";
  EXPECT_THAT(ann.Get("/showerr.asp").Utf8Body(), HasSubstr(kicked));
  EXPECT_THAT(chat.Login(ann, "ann").Utf8Body(), HasSubstr(kicked));
  user("lift", {});
  user("freeze_forever", {});
  EXPECT_THAT(chat.Login(ann, "ann").Utf8Body(), HasSubstr("对不起：您的帐号被永久冻结了！"));
  user("lift", {});

  const std::string reset = user("password", {});
  const size_t at = reset.find("的新密码是 ") + std::string("的新密码是 ").size();
  const std::string password = reset.substr(at, reset.find(' ', at) - at);
  EXPECT_EQ(password.size(), 10U);
  EXPECT_THAT(chat.Login(ann, "ann").Utf8Body(), HasSubstr("错误：您输入了错误的密码"));
  EXPECT_THAT(chat.Login(ann, "ann", "1", password).Utf8Body(), HasSubstr("chat.asp"));
  // A temporary level with an end raises the visits that begin before it only.
  user("temp_level", {{"level", "9"}, {"until", "2026-03-04T11:00"}});
  EXPECT_EQ(live.UserField("ann", user_field::kLevel), "9");
  const auto shown_temporary = [&] {
    const std::string page = admin.client.Get("/admin/users.asp?user=ann").body;
    return page.find("9，到 2026-03-04 11:00:00") != std::string::npos;
  };
  EXPECT_TRUE(shown_temporary());
  chat.clock().Advance(3600);
  chat.Login(ann, "ann", "1", password);
  EXPECT_EQ(live.UserField("ann", user_field::kLevel), "4");
  EXPECT_FALSE(shown_temporary());  // ended: neither shown nor offered again

  user("delete", {});
  EXPECT_EQ(chat.Value("select count(*) as v from user where username='ann'"), "0");
  EXPECT_THAT(ann.Get("/refresh.asp").Utf8Body(), HasSubstr("showerr.asp"));
  EXPECT_EQ(chat.Value("select count(*) as v from record where stype=81"), "9");
  EXPECT_EQ(chat.Value("select count(*) as v from record where occ_env like "
                       "'%临时级别改为 9，到 2026-03-04 11:00:00%'"),
            "1");
  EXPECT_EQ(chat.Value("select occ_env as v from record where stype=81 order by ID limit 1"),
            "管理员>管理员> >ann>手动>级别改为 4>控制台");
}

// Catches a lock the login does not match, one that stays after removal,
// and a visitor sent out who stays in the lists or is not told why.
TEST(ConsoleTest, AddressLocksAndSendingOut) {
  ServedChat chat;
  Operator admin(chat);
  admin.Do(kLocks, {{"do", "add"}, {"address", "127.0."}, {"until", "2026-03-05"}, {"level", "5"}});
  HttpTestClient cici(chat.port());
  EXPECT_THAT(chat.Login(cici, "cici").Utf8Body(), HasSubstr("对不起：您的IP被封锁了！"));
  const std::string id = chat.Value("select ID as v from ip_lock");
  admin.Do(kLocks, {{"do", "remove"}, {"id", id}});
  EXPECT_THAT(chat.Login(cici, "cici").Utf8Body(), HasSubstr("chat.asp"));

  EXPECT_THAT(admin.client.Get(kOnline).body, HasSubstr("<td>cici</td><td>127.0.0.1</td>"));
  EXPECT_THAT(admin.Do(kOnline, {{"do", "send_out"}, {"user", "cici"}}), HasSubstr("已经被请出"));
  EXPECT_THROW(LiveLists(chat.app()).UserField("cici", user_field::kRoom), CallError);
  EXPECT_THAT(cici.Get("/refresh.asp").Utf8Body(), HasSubstr("showerr.asp"));
  EXPECT_THAT(cici.Get("/showerr.asp").Utf8Body(), HasSubstr("你已经被管理员请出了聊天室。"));
  EXPECT_THAT(cici.Get("/showerr.asp").Utf8Body(), Not(HasSubstr("管理员")));  // told once
  EXPECT_EQ(chat.Value("select count(*) as v from record where stype in (82, 83)"), "3");
}

// Catches a setting stored but not used until a restart, or used but not
// stored, and a change left out of the audit log.
TEST(ConsoleTest, SettingsTakeEffectAtOnce) {
  ServedChat chat;
  HttpTestClient& ann = chat.Visitor("ann");
  Operator admin(chat);
  const auto set = [&](const char* alias, const char* value) {
    return admin.Do(kSettings, {{"do", "save"}, {"alias", alias}, {"value", value}});
  };
  EXPECT_THAT(set("maxsayslength", "4"), HasSubstr("设置 maxsayslength 已经改为“4”"));
  EXPECT_THAT(set("saysfilterstr", "西瓜"), HasSubstr("马上生效"));
  const auto say = [&](const char* says) {
    return chat.Page("ann", "/say.asp", {{"says", says}, {"towho", "大家"}});
  };
  EXPECT_THAT(say("abcdefgh"), AllOf(HasSubstr("'abcd'"), Not(HasSubstr("abcde"))));
  EXPECT_THAT(say("吃西瓜"), HasSubstr("吃**(脏话)"));
  EXPECT_EQ(chat.Value("select body as v from sysparam where alias='maxsayslength'"), "4");

  set("disablenewuser", "1");
  HttpTestClient newcomer(chat.port());
  EXPECT_THAT(chat.Login(newcomer, "dora").Utf8Body(), HasSubstr("对不起：管理员禁止新用户注册！"));
  EXPECT_THAT(chat.Login(ann, "ann").Utf8Body(), HasSubstr("chat.asp"));

  EXPECT_THAT(admin.client.Get(kSettings).body,
              HasSubstr("<tr id='setting-saysfilterstr'><td>saysfilterstr</td>"));
  EXPECT_EQ(chat.Value("select occ_env as v from record where stype=84 order by ID limit 1"),
            "管理员>管理员> >maxsayslength>手动>“200”改为“4”>控制台");
  EXPECT_EQ(chat.Value("select count(*) as v from record where stype=84"), "3");
}

// Catches a robot that draws from a stale count or from a gap in the
// numbers, and an action change the next post does not use.
TEST(ConsoleTest, RobotAnswersAndActionsFollowEveryChange) {
  ServedChat chat;
  Operator admin(chat);
  const auto ids = [&] { return chat.Joined("select id as v from autoact order by id"); };
  const std::string second = chat.Value("select text_body as v from autoact where id=2");
  admin.Do(kRobot, {{"do", "delete"}, {"id", "1"}});
  EXPECT_EQ(ids(), "1,2,3,4,5,6,7,8,9,10,11");
  EXPECT_EQ(chat.Value("select text_body as v from autoact where id=1"), second);
  EXPECT_EQ(chat.app().Get("_autosay_count").ToText(), "11");
  EXPECT_THAT(admin.Do(kRobot, {{"do", "add"}, {"text", "<i>新的</i>"}}),
              HasSubstr("第 12 个回答已经加上。"));
  EXPECT_EQ(chat.app().Get("_autosay_count").ToText(), "12");
  admin.Do(kRobot, {{"do", "edit"}, {"id", "12"}, {"text", "改过的"}});
  EXPECT_EQ(chat.Value("select text_body as v from autoact where id=12"), "改过的");
  EXPECT_THAT(admin.client.Get(kRobot).body, HasSubstr("id='answer-count'>12<"));

  const auto wave = [&] {
    return chat.Page("ann", "/say.asp", {{"says", "/wave all"}, {"towho", "大家"}});
  };
  const Form added = {{"do", "add"},
                      {"name", "wave"},
                      {"toall", "##挥挥手"},
                      {"toself", "##自己"},
                      {"toother", "##对你"}};
  EXPECT_THAT(admin.Do(kActions, added), HasSubstr("动作 /wave 已经加上。"));
  EXPECT_THAT(wave(), HasSubstr("##挥挥手"));
  const std::string id = chat.Value("select ID as v from action where act_name='wave'");
  Form edited = added;
  edited["do"] = "edit";
  edited["id"] = id;
  edited["toall"] = "##<b>跳舞</b>";
  admin.Do(kActions, edited);
  EXPECT_THAT(wave(), HasSubstr("##<b>跳舞</b>"));
  EXPECT_THAT(admin.client.Get(kActions).body, HasSubstr("value='##&lt;b&gt;跳舞&lt;/b&gt;'"));
  admin.Do(kActions, {{"do", "delete"}, {"id", id}});
  EXPECT_THAT(wave(), HasSubstr("没有动作「wave」"));
  EXPECT_EQ(chat.Value("select count(*) as v from record where stype=85"), "3");
  EXPECT_EQ(chat.Value("select count(*) as v from record where stype=86"), "3");
}

// Catches bars not drawn to the hour table, audit rows out of order, lost
// between pages or shown unescaped.
TEST(ConsoleTest, ActivityChartsTheHoursAndPagesTheAuditLog) {
  ServedChat chat;
  Operator admin(chat);
  chat.app().Set("_hour24", Variant("0,0,0,0,0,0,0,0,0,0,5,10,0,0,0,0,0,0,0,0,0,0,0,0,11"));
  for (int i = 1; i <= 51; ++i) {
    chat.db().Execute("insert into record (stype,occ_time,occ_env) values (80,'2026-03-01',?)",
                      {Variant("row " + std::to_string(i) + (i == 51 ? " <b>" : ""))});
  }
  const std::string page = admin.client.Get(kActivity).body;
  size_t bars = 0;
  for (size_t at = page.find("<rect class='bar'"); at != std::string::npos;
       at = page.find("<rect class='bar'", at + 1)) {
    ++bars;
  }
  EXPECT_EQ(bars, 24U);
  struct Bar {
    const char* hour;
    const char* height;
  };
  for (const Bar& bar : {Bar{"10", "75"}, Bar{"11", "150"}, Bar{"12", "0"}}) {
    EXPECT_THAT(page, ::testing::ContainsRegex(std::string("height='") + bar.height +
                                               "' fill='#[0-9]+'><title>" + bar.hour + " 点"))
        << bar.hour;
  }
  EXPECT_THAT(page, HasSubstr("fill='#993366'><title>11 点：10</title>"));  // the last hour
  EXPECT_THAT(page, HasSubstr("<td>表中 24 小时的访问</td><td>15</td>"));
  EXPECT_THAT(page, HasSubstr("row 51 &lt;b&gt;"));
  EXPECT_LT(page.find("row 51"), page.find("row 50"));
  EXPECT_THAT(page, Not(HasSubstr("row 1<")));
  EXPECT_THAT(page, HasSubstr("href='/admin/activity.asp?page=2'"));
  const std::string older = admin.client.Get(std::string(kActivity) + "?page=2").body;
  EXPECT_THAT(older, AllOf(HasSubstr("row 1<"), Not(HasSubstr("row 2<"))));
  EXPECT_THAT(admin.client.Get(std::string(kActivity) + "?page=x").body,
              AllOf(HasSubstr("页码要写成从 1 起的整数"), HasSubstr("row 51")));
}

}  // namespace
}  // namespace tavolin::console
