// Copyright Tavolin developers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "component/list_record.h"
#include "tavolin/error.h"
#include "testing/live_chat.h"

namespace tavolin {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class PostingTest : public ::testing::Test {
 protected:
  PostingTest() {
    chat_.AddRoom(1, "hall", /*owner=*/"Olga", /*robot=*/"bot");
    chat_.AddRoom(2, "garden");
    for (const char* name : {"ann", "bob", "cat", "olga"}) chat_.Enter(name, 1);
    chat_.Enter("vip", 1, /*level=*/9);
    chat_.Enter("dan", 2);
  }
  std::string NewestText() {
    return chat_.app().Get("_says").array().at(chat_.app().Get("_current").ToLong(), 5).ToText();
  }
  testing::LiveChat chat_;
};

TEST_F(PostingTest, PublicLineReachesTheRoomWithTheNextPoll) {
  EXPECT_EQ(chat_.Say("ann", "hello all"),
            "<meta HTTP-EQUIV='Pragma' CONTENT='no-cache'><META content='text/html;charset=gb2312' "
            "http-equiv=content-type><meta http-equiv=refresh content='6;url=refresh.asp'><script>"
            "parent.addsay(1,'hello all','ann','大家',0,'c1','c2',0,'10:00:00','');"
            "parent.ref(1);</script>");
  EXPECT_THAT(chat_.Refresh("bob"), HasSubstr("'hello all','ann'"));
  EXPECT_THAT(chat_.Refresh("dan"), Not(HasSubstr("hello all")));
  EXPECT_EQ(chat_.UserField("ann", user_field::kDeliveredSayId), "1");
  // To oneself: echoed with say id -1 and never stored.
  EXPECT_THAT(chat_.Say("ann", "note", "ann"),
              HasSubstr("parent.addsay(-1,'note','ann','ann',1,'c1','c2',0,'10:00:00');"));
  EXPECT_EQ(chat_.NewestSayId(), 1);
}

TEST_F(PostingTest, PrivateOnlyForMinusOneOrTrueAndNeverToEverybody) {
  const std::vector<std::tuple<std::string, std::string, int>> cases = {
      {"bob", "-1", 1}, {"bob", "true", 1}, {"bob", "TRUE", 1}, {"bob", "1", 0},
      {"bob", "", 0},   {"bob", "junk", 0}, {"bob", "-1x", 0},  {"大家", "-1", 0}};
  for (const auto& [to, value, expected] : cases) {
    chat_.Say("ann", "psst", to, {{"secret", value}});
    EXPECT_THAT(NewestText(), HasSubstr("'" + to + "'," + std::to_string(expected) + ",")) << value;
  }
  EXPECT_THAT(chat_.Refresh("bob"), HasSubstr("'psst','ann','bob',1,"));
  EXPECT_THAT(chat_.Refresh("cat"), Not(HasSubstr("'bob',1,")));
}

TEST_F(PostingTest, RejectedPostStillSeatsThePosterAndDelivers) {
  chat_.Say("bob", "earlier line");
  chat_.SetRoomField(2, room_field::kOccupants, "");
  const std::string empty = chat_.Say("dan", "   ", "大家", {{"id", "0"}});
  EXPECT_THAT(empty, HasSubstr("parent.addsay(-1,'【系统】发言为空！','','dan',0,'990066','',-2,"
                               "'10:00:00');parent.ref(1);</script>"));
  EXPECT_TRUE(HasWord(chat_.RoomField(2, room_field::kOccupants), "dan"));
  EXPECT_EQ(chat_.NewestSayId(), 1);
  // Seated in the hall by his first post there, dan can be talked to.
  EXPECT_THAT(chat_.Say("ann", "hi", "dan"), HasSubstr("'【系统】dan不在当前聊天室里！'"));
  chat_.SetUserField("dan", user_field::kRoom, "1");
  chat_.Say("dan", "here now");
  chat_.Say("ann", "hi dan", "dan");
  EXPECT_THAT(NewestText(), HasSubstr("'hi dan','ann','dan'"));
}

// The addressee named back to the poster can neither run script nor end the
// answer's script string or element, so the lines of the answer still arrive.
TEST_F(PostingTest, AbsentAddresseeIsEscapedInTheMessage) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"');alert(1);//", "&#39;);alert(1);//"},
      {"gh'ost", "gh&#39;ost"},
      {"a\\", "a\\\\"},
      {"</script><b>", "&lt;/script&gt;&lt;b&gt;"},
      {"\"x\"&", "&quot;x&quot;&amp;"}};
  chat_.Say("bob", "earlier line");
  for (const auto& [to, shown] : cases) {
    const std::string answer = chat_.Say("ann", "hi", to, {{"id", "0"}});
    EXPECT_THAT(answer, HasSubstr("parent.addsay(1,'earlier line'")) << to;
    EXPECT_THAT(answer, HasSubstr("parent.addsay(-1,'【系统】" + shown + "不在当前聊天室里！','',"))
        << to;
  }
}

TEST_F(PostingTest, TextIsCutThenCleanedByThePostersRights) {
  chat_.app().Set("_saysfilterstr", Variant("darn"));
  const std::vector<std::tuple<std::string, std::string, std::string, std::string>> cases = {
      {"ann", "[b]x", "bob", "'&#91;b]x'"},  // below the bracket level
      {"olga", "[b]x", "bob", "'[b]x'"},     // the room owner, whatever the letter case
      {"ann", "#<b>hi</b><script>", "大家", "'#&lt;b&gt;hi&lt;/b&gt;&lt;script&gt;'"},
      {"vip", "#<b>it's</b><SCRIPT>x</script>", "大家", "'<b>it\\'s</b><\\SCRIPT>x</\\script>'"},
      {"ann", "it's darn \\ fine", "大家", "'it\\'s **(脏话) \\\\ fine'"}};
  for (const auto& [who, text, to, stored] : cases) {
    chat_.Say(who, text, to);
    EXPECT_THAT(NewestText(), HasSubstr(stored)) << text;
  }
  EXPECT_THAT(chat_.Say("ann", "[b]x", "ann"), HasSubstr("'[b]x'"));
  chat_.app().Set("_maxsayslength", Variant("5"));
  chat_.Say("ann", "  abcdefgh  ");
  EXPECT_THAT(NewestText(), HasSubstr("'abcde','ann'"));
  // The poster's act number: out of range, not a number or below 0 is 0.
  for (const auto& [act, stored] : std::vector<std::pair<std::string, std::string>>{
           {"70000", "0"}, {"x", "0"}, {"-4", "0"}, {"7", "7"}}) {
    chat_.Say("ann", "act", "大家", {{"addsays", act}});
    EXPECT_THAT(NewestText(), HasSubstr("'c2'," + stored + ",'")) << act;
  }
}

TEST_F(PostingTest, StrangersAndBadIdsWriteNothingAndTheClockOpensTheUserCheck) {
  MemorySession stranger;
  MemoryRequest request;
  request.SetForm("says", "hi");
  EXPECT_THAT(chat_.NewObject()->subsay(chat_.app(), stranger, request).ToText(),
              HasSubstr("<script>top.location.href = 'showerr.asp';</script>"));
  const std::string rooms = chat_.lists().Rooms();
  EXPECT_THROW(chat_.Say("ann", "hi", "大家", {{"id", "x1"}}), CallError);
  EXPECT_EQ(chat_.lists().Rooms(), rooms);
  EXPECT_EQ(chat_.NewestSayId(), 0);

  chat_.clock().Advance(61);
  EXPECT_THAT(chat_.Say("ann", "a"), HasSubstr("window.open('usercheck.asp','usercheck');"));
  EXPECT_THAT(chat_.Say("ann", "b"), Not(HasSubstr("usercheck")));
}

}  // namespace
}  // namespace tavolin
