// Copyright Tavolin developers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "component/list_record.h"
#include "component/page_text.h"
#include "conversation/visits.h"
#include "tavolin/error.h"
#include "testing/chat_test_env.h"
#include "testing/live_chat.h"

namespace tavolin {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
template <size_t N>
using Rows = std::vector<std::array<std::string, N>>;
const std::string kPoll = std::string(page::kPollPrefix) + std::string(page::kReloadAndScript);
const std::string kClose = std::string(page::kPollPrefix) + std::string(page::kClose);

// The seeded chat (hall 1 owned by Olga; bracket level 2, title level 3, HTML
// level 9; titles of at most 40 characters; the filter on) with visitors.
class PostingTest : public ::testing::Test {
 protected:
  PostingTest() {
    env_.Exec("UPDATE room SET room_owner='Olga' WHERE ID=1");
    env_.NewObject()->InitGlobal(env_.app());
    env_.Set("_maxsaysper10s", Variant("0"));  // the cases post many lines at one instant
    for (const char* name : {"ann", "bob", "olga"}) chat_.Enter(name, 1);
    chat_.Enter("tia", 1, /*level=*/3);
    chat_.Enter("vip", 1, /*level=*/9);
    chat_.Enter("dan", 2);
  }
  // The newest line of the ring: addressee, secret flag and say text.
  std::string Newest() {
    const VariantArray& ring = env_.Get("_says").array();
    const int32_t slot = env_.Get("_current").ToLong();
    return ring.at(slot, 2).ToText() + "|" + ring.at(slot, 3).ToText() + "|" +
           ring.at(slot, 5).ToText();
  }
  std::string SystemLine(const std::string& text) {
    return "parent.addsay(-1,'【系统】" + text + "','','ann',0,'990066','',-2,'10:00:00');";
  }

  testing::ChatTestEnv env_;
  testing::LiveChat chat_{env_.app(), env_.clock()};
};

TEST_F(PostingTest, LineIsStoredAnsweredAndPrivateOnlyWhenAsked) {
  EXPECT_EQ(chat_.Say("ann", "hi"), kPoll +
                                        "parent.addsay(1,'hi','ann','大家',0,'c1','c2',0,"
                                        "'10:00:00','');parent.ref(1);</script>");
  EXPECT_THAT(chat_.Say("ann", "note", "ann"),  // to oneself: echoed, never stored
              HasSubstr("parent.addsay(-1,'note','ann','ann',1,'c1','c2',0,'10:00:00');"));
  const Rows<3> flags = {{"bob", "-1", "|1|"}, {"bob", "TRUE", "|1|"}, {"bob", "true", "|1|"},
                         {"bob", "1", "|0|"},  {"bob", "-1x", "|0|"},  {"大家", "-1", "|0|"}};
  for (const auto& [to, value, flag] : flags) {
    chat_.Say("ann", "psst", to, {{"secret", value}});
    EXPECT_THAT(Newest(), HasSubstr(to + flag)) << value;
  }
  // A number beyond every range is junk: no private flag, no title, no act; the line is said.
  for (const char* field : {"secret", "istitle", "addsays"}) {
    chat_.Say("ann", field, "bob", {{field, "-1e400"}});
    EXPECT_THAT(Newest(), StartsWith(std::string("bob|0|'") + field + "'"));
  }
}

TEST_F(PostingTest, RefusedAndRejectedPosts) {
  MemorySession stranger;
  MemoryRequest request;
  EXPECT_THAT(chat_.NewObject()->subsay(env_.app(), stranger, request).ToText(),
              HasSubstr("<script>top.location.href = 'showerr.asp';</script>"));
  const std::string rooms = chat_.lists().Rooms();
  EXPECT_THROW(chat_.Say("ann", "hi", "大家", {{"id", "x1"}}), CallError);
  EXPECT_EQ(chat_.lists().Rooms() + std::to_string(chat_.NewestSayId()), rooms + "0");
  chat_.Say("bob", "earlier line");
  chat_.SetRoomField(1, room_field::kOccupants, "bob");
  EXPECT_THAT(chat_.Say("ann", " ", "大家", {{"id", "0"}}),
              HasSubstr("parent.addsay(1,'earlier line','bob'"));
  EXPECT_TRUE(HasWord(chat_.RoomField(1, room_field::kOccupants), "ann"));
  // An addressee outside the room is named back escaped: it can neither run
  // script nor end the answer's script string or element.
  const Rows<2> absent = {{"dan", "dan"},   {"');alert(1);//", "&#39;);alert(1);//"},
                          {"a\\", "a\\\\"}, {"</script><b>", "&lt;/script&gt;&lt;b&gt;"},
                          {"\"", "&quot;"}, {"&", "&amp;"}};
  for (const auto& [to, shown] : absent) {
    EXPECT_THAT(chat_.Say("ann", "hi", to, {{"id", "0"}}),  // after the delivered line
                HasSubstr("'');" + SystemLine(shown + "不在当前聊天室里！") + "parent.ref(1);"));
  }
  EXPECT_THAT(chat_.Say("ann", " "), HasSubstr(SystemLine("发言为空！")));
  EXPECT_EQ(chat_.NewestSayId(), 1);
  chat_.SetUserField("dan", user_field::kRoom, "1");
  chat_.Say("dan", "here now");  // seated by his first post in the hall
  chat_.Say("ann", "hi dan", "dan");
  EXPECT_THAT(Newest(), HasSubstr("'hi dan','ann','dan'"));
  env_.clock().Advance(61);  // the user check once a minute
  env_.Set("_maxsaysper10s", Variant("2"));
  EXPECT_THAT(chat_.Say("ann", "a"), HasSubstr("window.open('usercheck.asp','usercheck');"));
  EXPECT_THAT(chat_.Say("ann", "b"), Not(HasSubstr("usercheck")));
  // Lines past the poster's rate are refused unstored; they hold back no one else.
  const int32_t stored = chat_.NewestSayId();
  EXPECT_THAT(chat_.Say("ann", "c"), HasSubstr("'【系统】你发言太快了，请稍后再说。'"));
  EXPECT_EQ(chat_.NewestSayId(), stored);
  chat_.Say("bob", "d");
  env_.clock().Advance(10);
  chat_.Say("ann", "e");
  EXPECT_EQ(chat_.NewestSayId(), stored + 2);
}

TEST_F(PostingTest, TextIsCutThenCleanedByThePostersRights) {
  env_.Exec("INSERT INTO action (act_name, toall) VALUES ('curse', ?)",
            {Variant("##says \"fuck\", it's \\ bad")});
  const Rows<4> cases = {
      {"ann", "[b]x", "bob", "'&#91;b]x'"},  // below the bracket level
      {"olga", "[b]x", "bob", "'[b]x'"},     // the room owner, whatever the letter case
      {"ann", "[b]x", "ann", "'[b]x'"},      // to oneself
      {"ann", "#<b>x</b><script>", "大家", "'#&lt;b&gt;x&lt;/b&gt;&lt;script&gt;'"},
      {"vip", "#<b>it's</b><SCRIPT>x</script>", "大家", "'<b>it\\'s</b><\\SCRIPT>x</\\script>'"},
      {"ann", "it's fuck \\ fine", "大家", "'it\\'s **(脏话) \\\\ fine'"},
      {"ann", "//waves", "大家", "'##waves','ann','大家',0,'c1','c2',-1,"},
      {"ann", "//waves ## at all", "大家", "'waves ## at all','ann'"},
      {"ann", "/hi", "bob", "'##热情地向对方挥手打招呼：“你好！”<font color=990099>[/hi]"},
      {"ann", "/hi all", "bob", "'##向大家挥手：“大家好！”<font color=990099>[/hi]</font>','ann'"},
      {"ann", "/HI self  ", "bob", "'##对着镜子向自己挥了挥手。<font color=990099>[/HI]"},
      {"ann", "/hi", "ann", "'##对着镜子向自己挥了挥手。<font color=990099>[/hi]"},
      {"ann", "/curse", "大家", "'##says \\\"**(脏话)\\\", it\\'s \\\\ bad<font color=990099>"},
      {"ann", "/", "大家", SystemLine("没有动作「」！")},
      {"ann", "/x'or'1'='1", "大家", SystemLine("没有动作「x\\'or\\'1\\'=\\'1」！")}};
  for (const auto& [who, text, to, stored] : cases) {
    const std::string answer = chat_.Say(who, text, to);
    EXPECT_THAT(stored.starts_with("parent") || to == who ? answer : Newest(), HasSubstr(stored))
        << text;
  }
  EXPECT_EQ(chat_.NewestSayId(), 11);  // echoes and unknown actions are not stored
  env_.Set("_maxsayslength", Variant("5"));
  chat_.Say("ann", "  abcdefgh  ");
  EXPECT_THAT(Newest(), HasSubstr("'abcde','ann'"));
  // The poster's act number: out of range, not a number or below 0 is 0.
  for (const auto& [act, stored] : Rows<2>{{"70000", "0"}, {"x", "0"}, {"-4", "0"}, {"7", "7"}}) {
    chat_.Say("ann", "act", "大家", {{"addsays", act}});
    EXPECT_THAT(Newest(), HasSubstr("'c2'," + stored + ",'")) << act;
  }
}

TEST_F(PostingTest, TitleByOwnerOrTitleLevelIsCutEscapedStoredAndAnnounced) {
  const auto stored = [this] {
    return chat_.RoomField(1, room_field::kTitle) + "|" +
           env_.db().Execute("SELECT room_title t FROM room WHERE ID=1")->Field("t").ToText();
  };
  chat_.Say("olga", "[hot] it's   here", "bob", {{"istitle", "1"}, {"secret", "-1"}});
  const std::string title =
      "[hot] it&#39;s\xE3\x80\x80 here<font style=color:990099>(olga,10:00:00)</font>";
  EXPECT_EQ(stored(), title + "|" + title);
  EXPECT_EQ(Newest(),  // to everybody, public, act -5, without "["
            "大家|0|'<\\script>parent.chftitle(\\'&#91;hot] it&#39;s\xE3\x80\x80 "
            "here<font style=color:990099>(olga,10:00:00)</font>\\')</\\script>','olga','大家',"
            "0,'c1','c2',-5,'10:00:00',");
  env_.Set("_titlelength", Variant("5"));
  chat_.Say("tia", "a'b'cdefg", "大家", {{"istitle", "-1"}});
  EXPECT_THAT(stored(), HasSubstr("|a&#39;b&#39;c<font style=color:990099>(tia,10:00:00)</font>"));
  // Without the right, or without a true flag, it is an ordinary line.
  chat_.Say("ann", "just talk", "bob", {{"istitle", "1"}});
  chat_.Say("tia", "not asked", "bob", {{"istitle", "yes"}});
  EXPECT_EQ(Newest(), "bob|0|'not asked','tia','bob',0,'c1','c2',0,'10:00:00',");
  EXPECT_THAT(stored(), HasSubstr("(tia,"));
}

// Many posting, polling and changing rooms at once, titles and actions
// waiting for the database between the two locked phases of a post: nothing
// is lost, and each record keeps what its own last poll delivered.
TEST_F(PostingTest, ConcurrentVisitorsLoseNothing) {
  constexpr int kPosters = 6, kLinesEach = 30;
  std::array<std::string, kPosters> last_poll;
  std::vector<std::thread> threads;
  for (int v = 0; v < kPosters; ++v) chat_.Enter("p" + std::to_string(v), 1, /*level=*/3);
  for (int v = 0; v < kPosters; ++v) {
    threads.emplace_back([this, v, &last_poll] {
      const std::string name = "p" + std::to_string(v);
      for (int i = 0; i < kLinesEach; ++i) {
        const std::string text = i % 3 == 0 ? "/hi" : name + "-" + std::to_string(i);
        chat_.Say(name, text, "大家", {{"istitle", i % 10 == 0 ? "1" : "0"}});
        last_poll[v] = chat_.Refresh(name);
        MemoryRequest move;  // to room 3 and back, two notices each time
        move.SetForm("toroom", i % 10 == 4 ? "3" : "1");
        if (i % 10 == 4 || i % 10 == 7) {
          EXPECT_EQ(chat_.NewObject()->ChangeRoom(env_.app(), chat_.SessionOf(name), move).ToText(),
                    "");
        }
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(chat_.NewestSayId(), kPosters * (kLinesEach + 12));
  EXPECT_EQ(chat_.RoomField(3, room_field::kOccupants), "");
  EXPECT_EQ(CountRecords(env_.lists().Users()), 6 + kPosters);
  for (int v = 0; v < kPosters; ++v) {
    const std::string name = "p" + std::to_string(v);
    const std::string delivered = chat_.UserField(name, user_field::kDeliveredSayId);
    EXPECT_NE(last_poll[v].find("parent.ref(" + delivered + ");"), std::string::npos) << name;
    EXPECT_TRUE(HasWord(chat_.RoomField(1, room_field::kOccupants), name));
    EXPECT_EQ(chat_.UserField(name, user_field::kRoom), "1");
  }
}

// A small ring (four slots) and a hall and a garden.
class RefreshTest : public ::testing::Test {
 protected:
  RefreshTest() {
    chat_.AddRoom(1, "hall");
    chat_.AddRoom(2, "garden");
    for (const char* name : {"ann", "bob", "cat"}) chat_.Enter(name, 1);
    chat_.Enter("dan", 2);
  }
  // Appends a line the way callers do: read the ring, append, write it back.
  void Append(std::string who, std::string to_who, int secret, int room, std::string text) {
    Variant says = chat_.app().Get("_says"), current = chat_.app().Get("_current");
    Variant w(who), t(to_who), s(secret), r(room), m(text), c1("c1"), c2("c2"), act(0);
    chat_.NewObject()->Newsay(w, t, s, r, m, c1, c2, act, says, current);
    chat_.app().Set("_says", says);
    chat_.app().Set("_current", current);
  }
  testing::LiveChat chat_{/*max_talk=*/3};
};

TEST_F(RefreshTest, PollDeliversVisibleLinesOnceOldestFirstAcrossTheWrap) {
  // Names stand escaped in the line; the slot keeps them for the visible rule.
  Append("ann", "Tom's \\room", 0, 1, "n1");
  EXPECT_EQ(chat_.app().Get("_says").array().at(1, 5).ToText(),
            "'n1','ann','Tom\\'s \\\\room',0,'c1','c2',0,'10:00:00',");
  EXPECT_EQ(chat_.app().Get("_says").array().at(1, 2).ToText(), "Tom's \\room");
  for (int i = 2; i <= 5; ++i) Append("ann", "大家", 0, 1, "n" + std::to_string(i));
  chat_.clock().Advance(5);
  std::string lines;
  for (std::string i : {"2", "3", "4", "5"})
    lines += i + ",'n" + i + "','ann','大家',0,'c1','c2',0,'10:00:00',";
  EXPECT_EQ(chat_.Refresh("bob", "0"),
            kPoll + "parent.addsay(" + lines + "'');parent.ref(5);parent.allusernum=4;</script>");
  EXPECT_EQ(chat_.UserField("bob", user_field::kLastPoll), "2026-03-04 10:00:05");
  EXPECT_EQ(chat_.Refresh("bob"), kPoll + "parent.ref(5);parent.allusernum=4;</script>");
  EXPECT_THAT(chat_.Refresh("bob", "3"), HasSubstr("parent.addsay(4,'n4'"));
  // A say id from before a restart delivers nothing and resets field 9.
  EXPECT_THAT(chat_.Refresh("bob", "500"), Not(HasSubstr("addsay")));
  EXPECT_EQ(chat_.UserField("bob", user_field::kDeliveredSayId), "5");
  // Private lines show to both ends in their room only; room -2 is every room, -1 none.
  Append("ann", "bob", 1, 1, "secret");
  Append("ann", "dan", 1, 2, "elsewhere");
  Append("sys", "大家", 0, -2, "everywhere");
  Append("sys", "大家", 0, -1, "nowhere");
  std::string seen;
  for (const char* name : {"ann", "bob", "cat", "dan"}) {
    const std::string poll = chat_.Refresh(name, "5");
    for (const char* text : {"'secret'", "elsewhere", "everywhere", "nowhere"}) {
      if (poll.find(text) != std::string::npos) seen += std::string(" ") + name + ":" + text;
    }
  }
  EXPECT_EQ(seen,
            " ann:'secret' ann:everywhere bob:'secret' bob:everywhere cat:everywhere "
            "dan:elsewhere dan:everywhere");
  chat_.SetUserField("bob", user_field::kRoom, "2");  // even for its addressee
  EXPECT_THAT(chat_.Refresh("bob", "5"), Not(HasSubstr("'secret'")));
}

TEST_F(RefreshTest, VisitorCheckNeedsTheWholeKeyTheTokenAndAnExistingRoom) {
  chat_.Enter("anna", 1, 6);
  chat_.SetUserField("cat", user_field::kRoom, "9");  // a room that is gone
  const std::string ann = chat_.SessionOf("ann").Get("mytemp").ToText();
  // Session name, token, level and room id.
  const std::vector<std::tuple<std::string, std::string, int, int>> cases = {
      {" ann ", ann, 1, 1},  // the name is trimmed
      {"anna", chat_.SessionOf("anna").Get("mytemp").ToText(), 6, 1},
      {"ann", "an older token", 0, 1},  // the room is still taken
      {"cat", chat_.SessionOf("cat").Get("mytemp").ToText(), 0, 9},
      {"   ", "", 0, 0}};
  for (const auto& [name, token, level, room] : cases) {
    MemorySession session;
    session.Set("myname", Variant(name));
    session.Set("mytemp", Variant(token));
    Variant users(chat_.lists().Users()), rooms(chat_.lists().Rooms());
    auto object = chat_.NewObject();
    EXPECT_EQ(object->getLevel(session, users, rooms).ToLong(), level) << name;
    EXPECT_EQ(object->room_id().ToLong(), room) << name;
  }
  // A failed check shows the error page; a bad say id fails before writing.
  EXPECT_THAT(chat_.Refresh("cat"), HasSubstr("showerr"));
  const std::string before = chat_.lists().Users();
  for (const char* junk : {"abc", "1.5", "99999999999", "1e3"}) {
    EXPECT_THROW(chat_.Refresh("ann", junk), CallError) << junk;
  }
  EXPECT_EQ(chat_.lists().Users(), before);
  EXPECT_THAT(chat_.Refresh("ann", ""), HasSubstr("parent.ref(0)"));
}

// Leaving is told to the room with its own words (not the room change's), in
// the room change's colours. The idle limits close the window but keep the record.
TEST_F(RefreshTest, VisitsEndByTheClosePageBySilenceOrIdleLimits) {
  chat_.app().Set("_exitroomshow", Variant("##到别处逛逛去了::c1::c2"));
  EXPECT_TRUE(EndVisit(*chat_.NewObject(), chat_.app(), chat_.SessionOf("ann")));
  EXPECT_FALSE(EndVisit(*chat_.NewObject(), chat_.app(), chat_.SessionOf("ann")));  // gone
  EXPECT_EQ(RecordKeys(chat_.lists().Users()), (std::vector<std::string>{"bob", "cat", "dan"}));
  EXPECT_EQ(chat_.RoomField(1, room_field::kOccupants), "bob cat");
  EXPECT_THAT(chat_.Refresh("bob"),
              HasSubstr("'##离开了聊天室。<\\script>parent.dell(\\'ann\\')</\\script>',"
                        "'ann','大家',0,'c1','c2',-3,"));
  EXPECT_THAT(chat_.Refresh("dan"), Not(HasSubstr("dell")));  // another room
  chat_.clock().Advance(100);
  chat_.Refresh("bob");  // bob's browser still polls
  chat_.clock().Advance(30);
  EXPECT_EQ(EndSilentVisits(*chat_.NewObject(), chat_.app(), chat_.clock().Now(), 120), 2);
  EXPECT_EQ(RecordKeys(chat_.lists().Users()), std::vector<std::string>{"bob"});
  EXPECT_EQ(chat_.RoomField(2, room_field::kOccupants), "");
  EXPECT_EQ(chat_.NewestSayId(), 3);  // one leave line for each
  // More than the configured minutes after the last say or the entry.
  chat_.clock().Advance(30 * 60 - 130);
  EXPECT_THAT(chat_.Refresh("bob"), HasSubstr("parent.ref("));
  chat_.clock().Advance(60);
  const std::string before = chat_.lists().Users();
  EXPECT_EQ(chat_.Refresh("bob"), kClose);
  EXPECT_EQ(chat_.lists().Users(), before);
  // The second limit counts from the entry, whatever was said since.
  chat_.Enter("eve", 1);
  chat_.app().Set("_nosaytimeout", Variant("1000"));
  chat_.app().Set("_dontsavevalue", Variant("0"));
  chat_.clock().Advance(59);
  EXPECT_THAT(chat_.Refresh("eve"), HasSubstr("parent.ref("));
  chat_.clock().Advance(1);
  EXPECT_EQ(chat_.Refresh("eve"), kClose);
}

}  // namespace
}  // namespace tavolin
