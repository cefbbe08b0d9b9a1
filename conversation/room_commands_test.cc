// Copyright Tavolin developers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "component/list_record.h"
#include "testing/chat_test_env.h"
#include "testing/live_chat.h"

namespace tavolin {
namespace {

using ::testing::HasSubstr;

// The seeded chat (hall 1 owned by Olga, title level 3, titles of at most 40
// characters, the filter on) with visitors in the hall.
class RoomCommandsTest : public ::testing::Test {
 protected:
  RoomCommandsTest() {
    env_.Exec("UPDATE room SET room_owner=? WHERE ID=1", {Variant("Olga")});
    env_.NewObject()->InitGlobal(env_.app());
    for (const char* name : {"ann", "bob", "olga"}) chat_.Enter(name, 1);
    chat_.Enter("tia", 1, /*level=*/3);
  }
  // The newest line of the ring: sender, addressee, secret flag and text.
  std::string Newest() {
    const VariantArray& ring = env_.Get("_says").array();
    const int32_t slot = env_.Get("_current").ToLong();
    return ring.at(slot, 1).ToText() + "|" + ring.at(slot, 2).ToText() + "|" +
           ring.at(slot, 3).ToText() + "|" + ring.at(slot, 5).ToText();
  }
  std::string DatabaseTitle(int room) {
    return env_.db()
        .Execute("SELECT room_title FROM room WHERE ID=?", {Variant(room)})
        ->Field("room_title")
        .ToText();
  }

  testing::ChatTestEnv env_;
  testing::LiveChat chat_{env_.app(), env_.clock()};
};

TEST_F(RoomCommandsTest, TitleByOwnerOrTitleLevelIsCutEscapedStoredAndAnnounced) {
  chat_.Say("olga", "[hot] it's   here", "bob", {{"istitle", "1"}, {"secret", "-1"}});
  const std::string title =
      "[hot] it&#39;s\xE3\x80\x80 here<font style=color:990099>(olga,10:00:00)</font>";
  EXPECT_EQ(chat_.RoomField(1, room_field::kTitle), title);
  EXPECT_EQ(DatabaseTitle(1), title);
  // To everybody, public, act -5; the announcement loses its "[".
  EXPECT_EQ(Newest(),
            "olga|大家|0|'<\\script>parent.chftitle(\\'&#91;hot] it&#39;s\xE3\x80\x80 "
            "here<font style=color:990099>(olga,10:00:00)</font>\\')</\\script>','olga','大家',"
            "0,'c1','c2',-5,'10:00:00',");

  env_.Set("_titlelength", Variant("5"));
  chat_.Say("tia", "a'b'cdefg", "大家", {{"istitle", "-1"}});
  EXPECT_EQ(DatabaseTitle(1), "a&#39;b&#39;c<font style=color:990099>(tia,10:00:00)</font>");
  EXPECT_EQ(DatabaseTitle(2), "有问题就问小精灵吧");  // only the poster's room

  // Without the right, or without a true flag, it is an ordinary line.
  chat_.Say("ann", "just talk", "bob", {{"istitle", "1"}});
  EXPECT_EQ(Newest(), "ann|bob|0|'just talk','ann','bob',0,'c1','c2',0,'10:00:00',");
  chat_.Say("tia", "not asked", "bob", {{"istitle", "yes"}});
  EXPECT_THAT(Newest(), HasSubstr("'not asked','tia','bob'"));
  EXPECT_THAT(DatabaseTitle(1), HasSubstr("(tia,"));
}

TEST_F(RoomCommandsTest, ActionsFreeFormAndNamedByTheirTarget) {
  env_.Exec("INSERT INTO action (act_name, toall, toself, toother) VALUES (?, ?, '', '')",
            {Variant("curse"), Variant("##says \"fuck\", it's \\ bad")});
  const std::string tag = "<font color=990099>[/hi]</font>";
  const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
      {"//waves", "大家", "'##waves','ann','大家',0,'c1','c2',-1,"},
      {"//waves ## at all", "大家", "'waves ## at all','ann'"},
      {"/hi", "bob", "'##热情地向对方挥手打招呼：“你好！”" + tag + "','ann','bob',0,'c1','c2',-1,"},
      {"/hi", "大家", "'##向大家挥手：“大家好！”" + tag + "','ann','大家'"},
      {"/hi all", "bob", "'##向大家挥手：“大家好！”" + tag + "','ann','bob'"},
      {"/HI self   ", "bob", "'##对着镜子向自己挥了挥手。<font color=990099>[/HI]</font>','ann'"},
      // The wording is escaped for the script string and filtered.
      {"/curse", "大家", "'##says \\\"**(脏话)\\\", it\\'s \\\\ bad<font color=990099>[/curse]"}};
  for (const auto& [text, to, stored] : cases) {
    chat_.Say("ann", text, to);
    EXPECT_THAT(Newest(), HasSubstr(stored)) << text;
  }
  EXPECT_THAT(chat_.Say("ann", "/hi", "ann"),
              HasSubstr("parent.addsay(-1,'##对着镜子向自己挥了挥手。" + tag + "','ann','ann',1,"));
  env_.Set("_enablesaysfilter", Variant("0"));
  chat_.Say("ann", "/curse");
  EXPECT_THAT(Newest(), HasSubstr("'##says \\\"fuck\\\""));
}

TEST_F(RoomCommandsTest, UnknownActionTellsThePosterAlone) {
  const int32_t newest = chat_.NewestSayId();
  for (const auto& [text, name] : std::vector<std::pair<std::string, std::string>>{
           {"/", ""}, {"/dance all", "dance"}, {"/x'or'1'='1", "x\\'or\\'1\\'=\\'1"}}) {
    EXPECT_THAT(chat_.Say("ann", text), HasSubstr("parent.addsay(-1,'【系统】没有动作「" + name +
                                                  "」！','','ann',0,'990066','',-2,"))
        << text;
  }
  EXPECT_EQ(chat_.NewestSayId(), newest);
}

// Many posting at once, commands waiting for the database between the two
// locked phases of a post, polls in between: no line, record or seat is lost.
TEST_F(RoomCommandsTest, ConcurrentPostsLoseNothing) {
  constexpr int kPosters = 6;
  constexpr int kLinesEach = 30;
  for (int v = 0; v < kPosters; ++v) chat_.Enter("p" + std::to_string(v), 1, /*level=*/3);
  std::vector<std::thread> threads;
  for (int v = 0; v < kPosters; ++v) {
    threads.emplace_back([this, v] {
      const std::string name = "p" + std::to_string(v);
      for (int i = 0; i < kLinesEach; ++i) {
        const std::string text = name + "-" + std::to_string(i);
        if (i % 10 == 0) {
          chat_.Say(name, text, "大家", {{"istitle", "1"}});
        } else {
          chat_.Say(name, i % 3 == 0 ? "/hi" : text);
        }
        chat_.Refresh(name);
      }
    });
  }
  for (std::thread& t : threads) t.join();

  EXPECT_EQ(chat_.NewestSayId(), kPosters * kLinesEach);
  EXPECT_EQ(CountRecords(env_.lists().Users()), 4 + kPosters);
  const VariantArray& ring = env_.Get("_says").array();
  std::set<int32_t> ids;
  std::set<std::string> texts;
  for (int slot = 1; slot <= kPosters * kLinesEach; ++slot) {
    ids.insert(ring.at(slot, 0).ToLong());
    texts.insert(ring.at(slot, 5).ToText());
  }
  EXPECT_EQ(ids.size(), static_cast<size_t>(kPosters * kLinesEach));
  for (int v = 0; v < kPosters; ++v) {
    const std::string name = "p" + std::to_string(v);
    // A record written back from a stale copy would show an older say id.
    int32_t own_last = 0;
    for (int slot = 1; slot <= kPosters * kLinesEach; ++slot) {
      if (ring.at(slot, 1).ToText() == name)
        own_last = std::max(own_last, ring.at(slot, 0).ToLong());
    }
    EXPECT_GE(std::stoi(chat_.UserField(name, user_field::kDeliveredSayId)), own_last) << name;
    EXPECT_TRUE(HasWord(chat_.RoomField(1, room_field::kOccupants), name));
    for (int i = 1; i < kLinesEach; ++i) {
      if (i % 10 == 0 || i % 3 == 0) continue;
      EXPECT_TRUE(texts.contains("'" + name + "-" + std::to_string(i) + "','" + name +
                                 "','大家',0,'c1','c2',0,'10:00:00',"))
          << name << i;
    }
  }
}

}  // namespace
}  // namespace tavolin
