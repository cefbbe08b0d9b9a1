// Copyright Tavolin developers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "component/list_record.h"
#include "testing/chat_test_env.h"
#include "testing/live_chat.h"

namespace tavolin {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// The seeded chat (hall 1 owned by Olga, title level 3, titles of at most 40
// characters, the filter on) with visitors in the hall.
class RoomCommandsTest : public ::testing::Test {
 protected:
  RoomCommandsTest() {
    env_.Exec("UPDATE room SET room_owner=? WHERE ID=1", {Variant("Olga")});
    env_.NewObject()->InitGlobal(env_.app());
    chat_.Enter("ann", 1, /*level=*/1);
    chat_.Enter("bob", 1, /*level=*/1);
    chat_.Enter("olga", 1, /*level=*/1);
    chat_.Enter("tia", 1, /*level=*/3);
  }

  // The say line in the newest slot of the ring, its columns joined by "|".
  std::string Newest() {
    const VariantArray& ring = env_.Get("_says").array();
    const int32_t slot = env_.Get("_current").ToLong();
    std::string line;
    for (int column = 0; column <= 5; ++column) {
      line += (column > 0 ? "|" : "") + ring.at(slot, column).ToText();
    }
    return line;
  }
  std::string DatabaseTitle(int room) {
    return env_.db()
        .Execute("SELECT room_title FROM room WHERE ID=?", {Variant(room)})
        ->Field("room_title")
        .ToText();
  }
  std::string SystemMessage(const std::string& text, const std::string& to) {
    return "parent.addsay(-1,'" + text + "','','" + to + "',0,'990066','',-2,'10:00:00');";
  }

  testing::ChatTestEnv env_;
  testing::LiveChat chat_{env_.app(), env_.clock()};
};

TEST_F(RoomCommandsTest, TitleByOwnerOrTitleLevelIsStoredAndAnnounced) {
  chat_.Say("olga", "[hot] it's   here", "bob", {{"istitle", "1"}, {"secret", "-1"}});
  const std::string title =
      "[hot] it&#39;s\xE3\x80\x80 here<font style=color:990099>(olga,10:00:00)</font>";
  EXPECT_EQ(chat_.RoomField(1, room_field::kTitle), title);
  EXPECT_EQ(DatabaseTitle(1), title);
  // To everybody, public, act -5; the announcement loses its "[" like the
  // room record does not.
  EXPECT_EQ(Newest(),
            "1|olga|大家|0|1|'<\\script>parent.chftitle(\\'&#91;hot] it&#39;s\xE3\x80\x80 "
            "here<font style=color:990099>(olga,10:00:00)</font>\\')</\\script>','olga','大家',"
            "0,'c1','c2',-5,'10:00:00',");
  EXPECT_THAT(chat_.Refresh("bob"), HasSubstr("parent.chftitle"));

  env_.clock().Advance(5);
  chat_.Say("tia", "tia's", "大家", {{"istitle", "-1"}});
  EXPECT_EQ(DatabaseTitle(1), "tia&#39;s<font style=color:990099>(tia,10:00:05)</font>");
  EXPECT_EQ(DatabaseTitle(2), "有问题就问小精灵吧");  // only the poster's room
}

TEST_F(RoomCommandsTest, TitleIsCutBeforeEscaping) {
  env_.Set("_titlelength", Variant("5"));
  chat_.Say("olga", "a'b'cdefg", "大家", {{"istitle", "1"}});
  EXPECT_EQ(DatabaseTitle(1), "a&#39;b&#39;c<font style=color:990099>(olga,10:00:00)</font>");
}

TEST_F(RoomCommandsTest, TitleRequestWithoutTheRightIsAnOrdinaryLine) {
  const std::string before = chat_.RoomField(1, room_field::kTitle);
  chat_.Say("ann", "just talk", "bob", {{"istitle", "1"}});
  EXPECT_THAT(Newest(), HasSubstr("'just talk','ann','bob',0,'c1','c2',0,"));
  chat_.Say("tia", "not asked", "bob", {{"istitle", "yes"}});
  EXPECT_THAT(Newest(), HasSubstr("'not asked','tia','bob'"));
  EXPECT_EQ(chat_.RoomField(1, room_field::kTitle), before);
  EXPECT_EQ(DatabaseTitle(1), before);
}

TEST_F(RoomCommandsTest, FreeFormActions) {
  chat_.Say("ann", "//waves");
  EXPECT_THAT(Newest(), HasSubstr("'##waves','ann','大家',0,'c1','c2',-1,"));
  chat_.Say("ann", "//waves ## at all");
  EXPECT_THAT(Newest(), HasSubstr("'waves ## at all','ann'"));
}

TEST_F(RoomCommandsTest, NamedActionWordingFollowsTheTarget) {
  const std::string tag = "<font color=990099>[/hi]</font>";
  chat_.Say("ann", "/hi", "bob");
  EXPECT_THAT(Newest(), HasSubstr("'##热情地向对方挥手打招呼：“你好！”" + tag +
                                  "','ann','bob',0,'c1','c2',-1,"));
  chat_.Say("ann", "/hi");
  EXPECT_THAT(Newest(), HasSubstr("'##向大家挥手：“大家好！”" + tag + "','ann','大家'"));
  // The target word wins over the addressee.
  chat_.Say("ann", "/hi all", "bob");
  EXPECT_THAT(Newest(), HasSubstr("'##向大家挥手：“大家好！”" + tag + "','ann','bob'"));
  chat_.Say("ann", "/HI self   ", "bob");
  EXPECT_THAT(Newest(),
              HasSubstr("'##对着镜子向自己挥了挥手。<font color=990099>[/HI]</font>','ann',"
                        "'bob'"));
  // Aimed at oneself: echoed only.
  EXPECT_THAT(chat_.Say("ann", "/hi", "ann"),
              HasSubstr("parent.addsay(-1,'##对着镜子向自己挥了挥手。" + tag + "','ann','ann',1,"));
}

TEST_F(RoomCommandsTest, NamedActionWordingIsEscapedAndFiltered) {
  env_.Exec("INSERT INTO action (act_name, toall, toself, toother) VALUES (?, ?, '', '')",
            {Variant("curse"), Variant("##says \"fuck\", it's \\ bad")});
  chat_.Say("ann", "/curse");
  EXPECT_THAT(Newest(), HasSubstr("'##says \\\"**(脏话)\\\", it\\'s \\\\ bad<font color=990099>"
                                  "[/curse]</font>'"));
  env_.Set("_enablesaysfilter", Variant("0"));
  chat_.Say("ann", "/curse");
  EXPECT_THAT(Newest(), HasSubstr("'##says \\\"fuck\\\""));
}

TEST_F(RoomCommandsTest, UnknownActionTellsThePosterAlone) {
  EXPECT_THAT(chat_.Say("ann", "/"), HasSubstr(SystemMessage("【系统】没有动作「」！", "ann")));
  EXPECT_THAT(chat_.Say("ann", "/dance all"),
              HasSubstr(SystemMessage("【系统】没有动作「dance」！", "ann")));
  // Quotes in the name are looked up as they are, never read as SQL.
  EXPECT_THAT(chat_.Say("ann", "/x'or'1'='1"),
              HasSubstr(SystemMessage("【系统】没有动作「x\\'or\\'1\\'=\\'1」！", "ann")));
  EXPECT_EQ(chat_.NewestSayId(), 0);
  EXPECT_THAT(chat_.Refresh("bob", "0"), Not(HasSubstr("没有动作")));
}

// Commands wait for the database between the two locked phases of a post;
// meanwhile others post, poll and enter, and nothing of theirs is lost.
TEST_F(RoomCommandsTest, CommandsLoseNoConcurrentChange) {
  constexpr int kPosters = 4;
  constexpr int kLinesEach = 30;
  for (int v = 0; v < kPosters; ++v) chat_.Enter("p" + std::to_string(v), 1, /*level=*/3);
  std::vector<std::thread> threads;
  for (int v = 0; v < kPosters; ++v) {
    threads.emplace_back([this, v] {
      const std::string name = "p" + std::to_string(v);
      for (int i = 0; i < kLinesEach; ++i) {
        if (i % 10 == 0) {
          chat_.Say(name, "t" + std::to_string(i), "大家", {{"istitle", "1"}});
        } else {
          chat_.Say(name, i % 2 == 0 ? "/hi" : "//waves");
        }
        chat_.Refresh(name);
      }
    });
  }
  for (std::thread& t : threads) t.join();

  EXPECT_EQ(chat_.NewestSayId(), kPosters * kLinesEach);
  EXPECT_EQ(CountRecords(env_.lists().Users()), 4 + kPosters);
  // Each poster's last poll delivered at least the own last line: a visitor
  // record written back from a stale copy would show an older say id.
  const VariantArray& ring = env_.Get("_says").array();
  for (int v = 0; v < kPosters; ++v) {
    const std::string name = "p" + std::to_string(v);
    int32_t own_last = 0;
    for (int slot = 1; slot <= kPosters * kLinesEach; ++slot) {
      if (ring.at(slot, 1).ToText() == name)
        own_last = std::max(own_last, ring.at(slot, 0).ToLong());
    }
    EXPECT_GE(std::stoi(chat_.UserField(name, user_field::kDeliveredSayId)), own_last) << name;
    EXPECT_TRUE(HasWord(chat_.RoomField(1, room_field::kOccupants), name));
  }
  EXPECT_THAT(chat_.RoomField(1, room_field::kTitle), HasSubstr("t20<font"));
}

}  // namespace
}  // namespace tavolin
