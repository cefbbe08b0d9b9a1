// Copyright Tavolin developers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "component/list_record.h"
#include "tavolin/request.h"
#include "testing/chat_test_env.h"
#include "testing/live_chat.h"

namespace tavolin {
namespace {

using ::testing::HasSubstr;

const std::string kNoAnswer = "我什么都不知道，真的，不骗你！";

// The seeded chat: room 2 has the robot 小精灵 and answers 1 to 12; ann and bob sit there, cat
// in the hall (no robot).
struct RobotChat {
  RobotChat() {
    env.NewObject()->InitGlobal(env.app());
    env.Set("_maxsaysper10s", Variant("0"));  // ann asks many questions at one instant
    for (const auto& [name, room] : {std::pair{"ann", 2}, {"bob", 2}, {"cat", 1}}) {
      chat.Enter(name, room);
    }
  }
  // The robot's answer to ann's question: the text of the last line of the page.
  std::string Answer(const std::string& question = "?") {
    const std::string page = chat.Say("ann", question, "小精灵");
    const size_t from = page.rfind("parent.addsay(-1,'") + 18;
    return page.substr(from, page.find("','小精灵','ann',", from) - from);
  }

  testing::ChatTestEnv env;
  testing::LiveChat chat{env.app(), env.clock()};
};

TEST(RoomRobotTest, NoAnswerOrOnlyNumberZeroGivesTheDefaultOrThatAnswer) {
  RobotChat robot;
  robot.env.Set("_autosay_count", Variant(0));
  EXPECT_THAT(
      robot.chat.Say("ann", "hello?", "小精灵"),
      HasSubstr("parent.addsay(-1,'hello?','ann','小精灵',1,'c1','c2',0,'10:00:00');"
                "parent.addsay(-1,'" +
                kNoAnswer + "','小精灵','ann',1,'c2','c1',0,'10:00:00');parent.ref(0);</script>"));
  robot.env.Set("_autosay_count", Variant(1));
  std::string answers = robot.Answer() + "|";
  // With one answer the draw is always 0; that answer is escaped and filtered.
  robot.env.Exec("INSERT INTO autoact (id, text_body) VALUES (0, ?)", {Variant("it's fuck")});
  for (int second = 0; second < 30; ++second, robot.env.clock().Advance(1)) {
    EXPECT_EQ(robot.Answer(), "it\\'s **(脏话)");
  }
  robot.env.Set("_enablesaysfilter", Variant("0"));
  answers += robot.Answer() + "|";
  robot.env.Set("_autosay_count", Variant(12));
  robot.env.Exec("DELETE FROM autoact");
  EXPECT_EQ(answers + robot.Answer(), kNoAnswer + "|it\\'s fuck|" + kNoAnswer);
}

TEST(RoomRobotTest, DrawsRangeOverTheAnswersAndDifferWithinOneSecond) {
  RobotChat robot, twin, again;
  std::set<std::string> seen;
  for (int second = 0; second < 300; ++second, robot.env.clock().Advance(1)) {
    seen.insert(robot.Answer());
  }
  // Numbers 0 to 11: the default for 0, number 10, never number 12.
  EXPECT_EQ(seen.size() * 100 + seen.count(kNoAnswer) * 10 +
                seen.count("聊天要文明，大家才开心。") + seen.count("哈哈，你真会开玩笑。"),
            1211U);
  // Questions within one second, each on a new object, still differ; two chats on one clock draw
  // the same sequence.
  std::vector<std::string> answers;
  for (int i = 0; i < 6; ++i) answers.push_back(twin.Answer());
  EXPECT_GT(std::set<std::string>(answers.begin(), answers.end()).size(), 1U);
  for (const std::string& answer : answers) EXPECT_EQ(again.Answer(), answer);
}

TEST(RoomRobotTest, OnlyThePosterSeesTheExchange) {
  RobotChat robot;
  robot.env.clock().Advance(120);
  const std::string last_line = robot.chat.UserField("ann", user_field::kLastLine);
  const std::string page =
      robot.chat.Say("ann", "who's there", "小精灵", {{"addsays", "-3"}, {"secret", "0"}});
  // The robot's line carries the act number as sent; the poster's line 0.
  EXPECT_THAT(page, ::testing::ContainsRegex(
                        "'who\\\\'s there','ann','小精灵',1,'c1','c2',0,'10:02:00'\\);"
                        "parent.addsay\\(-1,'[^']*','小精灵','ann',1,'c2','c1',-3,'10:02:00'\\);"));
  EXPECT_EQ(robot.chat.NewestSayId(), 0);
  EXPECT_THAT(robot.chat.Refresh("bob", "0"), ::testing::Not(HasSubstr("who")));
  // The poster's idle time is not renewed, the poll fields are.
  EXPECT_EQ(robot.chat.UserField("ann", user_field::kLastLine) + " " +
                robot.chat.UserField("ann", user_field::kLastPoll),
            last_line + " 2026-03-04 10:02:00");

  // In a room whose robot name is empty, a post without addressee goes to it.
  robot.env.Set("_autosay_count", Variant(0));
  MemoryRequest request;
  request.SetForm("says", "anyone?").SetForm("sayscolor", "c1").SetForm("addwordcolor", "c2");
  EXPECT_THAT(robot.chat.NewObject()
                  ->subsay(robot.env.app(), robot.chat.SessionOf("cat"), request)
                  .ToText(),
              HasSubstr("parent.addsay(-1,'anyone?','cat','',1,'c1','c2',0,'10:02:00');"
                        "parent.addsay(-1,'" +
                        kNoAnswer + "','','cat',1,'c2','c1',0,'10:02:00');"));
  EXPECT_EQ(robot.chat.NewestSayId(), 0);
}

}  // namespace
}  // namespace tavolin
