// Copyright Tavolin developers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <thread>
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
    chat_.Enter("ann", 1, /*level=*/1);
    chat_.Enter("bob", 1, /*level=*/1);
    chat_.Enter("cat", 1, /*level=*/1);
    chat_.Enter("olga", 1, /*level=*/1);
    chat_.Enter("vip", 1, /*level=*/9);
    chat_.Enter("dan", 2, /*level=*/1);
  }
  // The text of the newest line in the ring.
  std::string NewestText() {
    const Variant ring = chat_.app().Get("_says");
    return ring.array().at(chat_.app().Get("_current").ToLong(), 5).ToText();
  }

  testing::LiveChat chat_;
};

TEST_F(PostingTest, PublicLineReachesTheRoomWithTheNextPoll) {
  const std::string answer = chat_.Say("ann", "hello all");
  EXPECT_EQ(answer,
            "<meta HTTP-EQUIV='Pragma' CONTENT='no-cache'><META content='text/html;charset=gb2312' "
            "http-equiv=content-type><meta http-equiv=refresh content='6;url=refresh.asp'><script>"
            "parent.addsay(1,'hello all','ann','大家',0,'c1','c2',0,'10:00:00','');"
            "parent.ref(1);</script>");
  EXPECT_THAT(chat_.Refresh("bob"), HasSubstr("'hello all','ann'"));
  EXPECT_THAT(chat_.Refresh("dan"), Not(HasSubstr("hello all")));
  EXPECT_EQ(chat_.UserField("ann", user_field::kDeliveredSayId), "1");
  // A line to everybody is public whatever "secret" says.
  chat_.Say("ann", "still public", "大家", {{"secret", "-1"}});
  EXPECT_THAT(NewestText(), HasSubstr("'大家',0,"));
}

TEST_F(PostingTest, SecretFlagReadsOnlyMinusOneOrTrueAsPrivate) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"-1", 1}, {"true", 1}, {"TRUE", 1}, {"1", 0}, {"0", 0}, {"", 0}, {"junk", 0}, {"-1x", 0}};
  for (const auto& [value, expected] : cases) {
    chat_.Say("ann", "psst", "bob", {{"secret", value}});
    EXPECT_THAT(NewestText(), HasSubstr("'bob'," + std::to_string(expected) + ",")) << value;
  }
  chat_.Say("ann", "only for bob", "bob", {{"secret", "-1"}});
  EXPECT_THAT(chat_.Refresh("bob"), HasSubstr("only for bob"));
  EXPECT_THAT(chat_.Refresh("cat"), Not(HasSubstr("only for bob")));
}

TEST_F(PostingTest, LineToOneselfIsEchoedAndNeverStored) {
  const std::string answer = chat_.Say("ann", "note to self", "ann");
  EXPECT_THAT(answer, HasSubstr("parent.addsay(-1,'note to self','ann','ann',1,'c1','c2',0,"
                                "'10:00:00');parent.ref(0);"));
  EXPECT_EQ(chat_.NewestSayId(), 0);
  EXPECT_THAT(chat_.Refresh("bob", "0"), Not(HasSubstr("note to self")));
}

TEST_F(PostingTest, RejectedPostStillUpdatesOccupantsAndDelivers) {
  chat_.Say("bob", "earlier line");
  const std::string empty = chat_.Say("ann", "   ", "大家", {{"id", "0"}});
  EXPECT_THAT(empty, HasSubstr("parent.addsay(1,'earlier line'"));
  EXPECT_THAT(empty, HasSubstr("parent.addsay(-1,'【系统】发言为空！','','ann',0,'990066','',-2,"
                               "'10:00:00');parent.ref(1);</script>"));
  EXPECT_TRUE(HasWord(chat_.RoomField(1, room_field::kOccupants), "ann"));
  EXPECT_EQ(chat_.NewestSayId(), 1);

  const std::string absent = chat_.Say("ann", "hi dan", "dan");
  EXPECT_THAT(absent, HasSubstr("'【系统】dan不在当前聊天室里！'"));
  EXPECT_EQ(chat_.NewestSayId(), 1);
  // Once dan has posted in the hall, he is there to be talked to.
  chat_.SetUserField("dan", user_field::kRoom, "1");
  chat_.Say("dan", "here now");
  chat_.Say("ann", "hi dan", "dan");
  EXPECT_THAT(NewestText(), HasSubstr("'hi dan','ann','dan'"));
}

TEST_F(PostingTest, CutAndEscapedByThePostersRights) {
  chat_.app().Set("_maxsayslength", Variant("5"));
  chat_.Say("ann", "  abcdefgh  ");
  EXPECT_THAT(NewestText(), HasSubstr("'abcde','ann'"));
  chat_.app().Set("_maxsayslength", Variant("200"));

  // Below the bracket level, a line to another visitor loses its "[".
  chat_.Say("ann", "[b]x", "bob");
  EXPECT_THAT(NewestText(), HasSubstr("'&#91;b]x'"));
  chat_.Say("olga", "[b]x", "bob");  // the room owner, whatever the letter case
  EXPECT_THAT(NewestText(), HasSubstr("'[b]x'"));
  EXPECT_THAT(chat_.Say("ann", "[b]x", "ann"), HasSubstr("'[b]x'"));

  // HTML: escaped for everybody but a trusted poster who asks with "#".
  chat_.Say("ann", "#<b>hi</b><script>x</script>");
  EXPECT_THAT(NewestText(), HasSubstr("'#&lt;b&gt;hi&lt;/b&gt;&lt;script&gt;"));
  chat_.Say("vip", "#<b>it's</b><SCRIPT>x</script>");
  EXPECT_THAT(NewestText(), HasSubstr("'<b>it\\'s</b><\\SCRIPT>x</\\script>'"));
  // Plain text is escaped for the script string and filtered.
  chat_.app().Set("_saysfilterstr", Variant("darn"));
  chat_.Say("ann", "it's darn \\ fine");
  EXPECT_THAT(NewestText(), HasSubstr("'it\\'s **(脏话) \\\\ fine'"));
  // A poster's act number out of range or not a number is 0; below 0 is 0.
  for (const char* act : {"70000", "x", "-4"}) {
    chat_.Say("ann", "act", "大家", {{"addsays", act}});
    EXPECT_THAT(NewestText(), HasSubstr("'c2',0,'")) << act;
  }
  chat_.Say("ann", "act", "大家", {{"addsays", "7"}});
  EXPECT_THAT(NewestText(), HasSubstr("'c2',7,'"));
}

TEST_F(PostingTest, StrangersAndBadIdsWriteNothing) {
  MemorySession stranger;
  MemoryRequest request;
  request.SetForm("says", "hi");
  EXPECT_THAT(chat_.NewObject()->subsay(chat_.app(), stranger, request).ToText(),
              HasSubstr("<script>top.location.href = 'showerr.asp';</script>"));
  const std::string rooms = chat_.lists().Rooms();
  EXPECT_THROW(chat_.Say("ann", "hi", "大家", {{"id", "x1"}}), CallError);
  EXPECT_EQ(chat_.lists().Rooms(), rooms);
  EXPECT_EQ(chat_.NewestSayId(), 0);
}

TEST_F(PostingTest, UserCheckClockOpensOncePerMinute) {
  chat_.clock().Advance(61);
  EXPECT_THAT(chat_.Say("ann", "a"), HasSubstr("window.open('usercheck.asp','usercheck');"));
  EXPECT_THAT(chat_.Say("ann", "b"), Not(HasSubstr("usercheck")));
}

// Many visitors posting and polling at once lose no line and no record.
TEST(PostingConcurrencyTest, NoLineAndNoVisitorIsLost) {
  constexpr int kVisitors = 8;
  constexpr int kLinesEach = 60;
  testing::LiveChat chat(/*max_talk=*/kVisitors * kLinesEach + 10);
  chat.AddRoom(1, "hall");
  for (int v = 0; v < kVisitors; ++v) chat.Enter("v" + std::to_string(v), 1);

  std::vector<std::thread> threads;
  for (int v = 0; v < kVisitors; ++v) {
    threads.emplace_back([&chat, v] {
      const std::string name = "v" + std::to_string(v);
      for (int i = 0; i < kLinesEach; ++i) {
        chat.Say(name, name + "-" + std::to_string(i));
        chat.Refresh(name);
      }
    });
  }
  for (std::thread& t : threads) t.join();

  ASSERT_EQ(chat.NewestSayId(), kVisitors * kLinesEach);
  const VariantArray& ring = chat.app().Get("_says").array();
  std::set<int> ids;
  std::set<std::string> texts;
  for (int slot = 1; slot <= kVisitors * kLinesEach; ++slot) {
    ids.insert(ring.at(slot, 0).ToLong());
    const std::string say = ring.at(slot, 5).ToText();
    texts.insert(say.substr(0, say.find("','")));
  }
  EXPECT_EQ(ids.size(), static_cast<size_t>(kVisitors * kLinesEach));
  EXPECT_EQ(*ids.begin(), 1);
  EXPECT_EQ(texts.size(), static_cast<size_t>(kVisitors * kLinesEach));
  for (int v = 0; v < kVisitors; ++v) {
    const std::string name = "v" + std::to_string(v);
    EXPECT_EQ(chat.UserField(name, user_field::kDeliveredSayId).empty(), false);
    EXPECT_TRUE(HasWord(chat.RoomField(1, room_field::kOccupants), name));
  }
  EXPECT_EQ(CountRecords(chat.lists().Users()), kVisitors);
}

}  // namespace
}  // namespace tavolin
