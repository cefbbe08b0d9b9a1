// Copyright Tavolin developers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "component/list_record.h"
#include "tavolin/random.h"
#include "tavolin/request.h"
#include "testing/chat_test_env.h"
#include "testing/live_chat.h"

namespace tavolin {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr char kNoAnswer[] = "我什么都不知道，真的，不骗你！";

// The seeded chat: the tea room 2 has the robot 小精灵 and twelve answers
// numbered 1 to 12; ann and bob sit there, cat in the hall (no robot).
class RoomRobotTest : public ::testing::Test {
 protected:
  RoomRobotTest() {
    env_.NewObject()->InitGlobal(env_.app());
    chat_.Enter("ann", 2);
    chat_.Enter("bob", 2);
    chat_.Enter("cat", 1);
  }

  // The two lines a question to the robot gets back, both at 10:00:00.
  static std::string Exchange(const std::string& question, const std::string& answer) {
    const std::string asked =
        "parent.addsay(-1,'" + question + "','ann','小精灵',1,'c1','c2',0,'10:00:00');";
    return asked + "parent.addsay(-1,'" + answer + "','小精灵','ann',1,'c2','c1',0,'10:00:00');";
  }
  // The robot's answer to ann's question: the text of the last line of the page.
  std::string Answer(const std::string& question) {
    const std::string page = chat_.Say("ann", question, "小精灵");
    const std::string line_start = "parent.addsay(-1,'";
    const size_t from = page.rfind(line_start) + line_start.size();
    return page.substr(from, page.find("','小精灵','ann',", from) - from);
  }

  testing::ChatTestEnv env_;
  testing::LiveChat chat_{env_.app(), env_.clock()};
};

TEST_F(RoomRobotTest, NoAnswersGiveTheDefaultAnswer) {
  env_.Set("_autosay_count", Variant(0));
  EXPECT_THAT(chat_.Say("ann", "hello?", "小精灵"),
              HasSubstr(Exchange("hello?", kNoAnswer) + "parent.ref(0);</script>"));
  env_.Set("_autosay_count", Variant(12));
  env_.Exec("DELETE FROM autoact");
  EXPECT_EQ(Answer("hello?"), kNoAnswer);
}

TEST_F(RoomRobotTest, OneAnswerAlwaysDrawsNumberZero) {
  env_.Set("_autosay_count", Variant(1));
  EXPECT_EQ(Answer("hi"), kNoAnswer);
  // The answer numbered 0 is the only one ever given; it is escaped and
  // filtered like any line.
  env_.Exec("INSERT INTO autoact (id, text_body) VALUES (0, ?)", {Variant("it's fuck")});
  for (int second = 0; second < 30; ++second) {
    env_.clock().Advance(1);
    EXPECT_EQ(Answer("hi"), "it\\'s **(脏话)");
  }
  env_.Set("_enablesaysfilter", Variant("0"));
  EXPECT_EQ(Answer("hi"), "it\\'s fuck");
}

TEST_F(RoomRobotTest, ManyAnswersAreDrawnByTheClock) {
  std::set<std::string> seen;
  for (int second = 0; second < 300; ++second) {
    seen.insert(Answer("?"));
    env_.clock().Advance(1);
  }
  // Numbers 0 to 11: the default for 0, never the last answer.
  EXPECT_EQ(seen.count(kNoAnswer), 1U);
  EXPECT_EQ(seen.count("聊天要文明，大家才开心。"), 1U);  // number 10
  EXPECT_EQ(seen.count("哈哈，你真会开玩笑。"), 0U);      // number 12
  EXPECT_EQ(seen.size(), 12U);

  // The generator is seeded from the seconds since midnight.
  env_.clock().Set(DateTime::FromCivil(2026, 3, 5, 13, 14, 15));
  LegacyRandom expected;
  expected.Seed(13 * 3600 + 14 * 60 + 15);
  const int number = static_cast<int>(std::floor(expected.Draw() * 12 - 1) + 1);
  const std::string text =
      number == 0 ? std::string(kNoAnswer)
                  : env_.db()
                        .Execute("SELECT text_body FROM autoact WHERE id=?", {Variant(number)})
                        ->Field("text_body")
                        .ToText();
  EXPECT_EQ(Answer("?"), text);
}

TEST_F(RoomRobotTest, OnlyThePosterSeesTheExchange) {
  env_.clock().Advance(120);
  const std::string last_line = chat_.UserField("ann", user_field::kLastLine);
  const std::string page =
      chat_.Say("ann", "who's there", "小精灵", {{"addsays", "-3"}, {"secret", "0"}});
  // The robot's line carries the act number as sent; the poster's line 0.
  EXPECT_THAT(page, HasSubstr("'who\\'s there','ann','小精灵',1,'c1','c2',0,'10:02:00');"));
  EXPECT_THAT(page, HasSubstr("','小精灵','ann',1,'c2','c1',-3,'10:02:00');"));
  EXPECT_EQ(chat_.NewestSayId(), 0);
  EXPECT_THAT(chat_.Refresh("bob", "0"), Not(HasSubstr("who")));
  // The poster's idle time is not renewed, the poll fields are.
  EXPECT_EQ(chat_.UserField("ann", user_field::kLastLine), last_line);
  EXPECT_EQ(chat_.UserField("ann", user_field::kLastPoll), "2026-03-04 10:02:00");
}

TEST_F(RoomRobotTest, EmptyRobotNameAnswersAPostWithoutAddressee) {
  env_.Set("_autosay_count", Variant(0));
  MemoryRequest request;
  request.SetForm("says", "anyone?");
  request.SetForm("sayscolor", "c1");
  request.SetForm("addwordcolor", "c2");
  const std::string page =
      chat_.NewObject()->subsay(env_.app(), chat_.SessionOf("cat"), request).ToText();
  EXPECT_THAT(page, HasSubstr("parent.addsay(-1,'anyone?','cat','',1,'c1','c2',0,'10:00:00');"
                              "parent.addsay(-1,'" +
                              std::string(kNoAnswer) + "','','cat',1,'c2','c1',0,'10:00:00');"));
  EXPECT_EQ(chat_.NewestSayId(), 0);
}

}  // namespace
}  // namespace tavolin
