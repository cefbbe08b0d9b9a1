// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>

#include "component/live_state.h"
#include "tavolin/error.h"
#include "testing/chat_test_env.h"

namespace tavolin {
namespace {

using testing::ChatTestEnv;

TEST(GlobalLoadTest, LoadsConfigurationCountsAndRooms) {
  ChatTestEnv chat("chat1");
  chat.Exec("DELETE FROM room");
  chat.Exec(
      "INSERT INTO room (ID, room_name, room_owner, room_auto, room_des, room_keep, room_time, "
      "room_exp, build_time, permit_level, door_open, room_top, room_title, room_tt, room_html) "
      "VALUES (5, 'hall', 'ann', 'bot', 'd', 1, '2026-03-01 09:08:07', 12, "
      "'2026-01-02 03:04:05', 2, 1, NULL, NULL, NULL, NULL), (3, 'garden', NULL, NULL, NULL, "
      "NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
  chat.SetParam("maxtalk", "200");
  chat.SetParam("Greeting", "hello");

  EXPECT_TRUE(chat.NewObject()->InitGlobal(chat.app()).is_empty());  // not an empty text
  EXPECT_EQ(chat.Get("_maxtalk").ToText() + chat.Get("_greeting").ToText(), "200hello");
  EXPECT_EQ(chat.Get("_init").ToText(), "true");
  EXPECT_EQ(chat.Get("_autosay_count").ToLong(), 12);  // the seeded answers
  EXPECT_EQ(chat.Get("_chatroomclock").ToDate(), chat.clock().Now());
  const VariantArray& votes = chat.Get("_votes").array();
  EXPECT_EQ(votes.upper_bound(), 9);
  EXPECT_EQ(votes.at(0).ToLong(), 0);
  EXPECT_TRUE(votes.at(1).is_empty());
  // A ring of maxtalk + 1 lines of six cells, the first cell of each 0.
  const VariantArray& says = chat.Get("_says").array();
  EXPECT_EQ(says.upper_bound(1) * 10 + says.upper_bound(2), 2005);
  EXPECT_EQ(says.at(200, 0).ToLong(), 0);
  EXPECT_TRUE(says.at(200, 5).is_empty());
  EXPECT_EQ(chat.Get("_current").ToLong(), 0);
  EXPECT_EQ(chat.lists().Users(), "");
  // Ascending ID, every column as text, nulls empty, occupants and guests empty.
  EXPECT_EQ(chat.lists().Rooms(),
            "<$3$>garden$>$>$>$>$>$>$>$>$>$>$>$>$>$>$>$><$3$>"
            "<$5$>hall$>ann$>bot$>d$>$>$>1$>2026-03-01 09:08:07$>$>$>12$>2026-01-02 03:04:05"
            "$>$>$>2$>1$><$5$>");
  // Without a prefix nothing lands under the bare keys.
  EXPECT_TRUE(chat.app().Get("_init").is_empty());
}

TEST(GlobalLoadTest, EmptyTablesAndNewsLinksKeepingTheSixNewestTrimmed) {
  ChatTestEnv chat;
  chat.Exec("DELETE FROM scrollad");
  chat.Exec("DELETE FROM room");
  chat.SetParam("maxtalk", "0");
  {
    ApplicationLock lock(chat.app());
    LiveStateOf(chat.app(), "")->AppendUser(LiveRecord("ann", {"x"}));
  }
  auto object = chat.NewObject();
  object->InitGlobal(chat.app());
  EXPECT_EQ(chat.Get("_bbss").ToText(), "");                   // an empty text, not an empty array
  EXPECT_EQ(chat.Get("_says").array().upper_bound(1), 0);      // a ring of one line
  EXPECT_EQ(chat.lists().Rooms() + chat.lists().Users(), "");  // the live state is reset

  for (int id = 1; id <= 8; ++id) {
    chat.Exec("INSERT INTO scrollad (ID, ad_title, ad_link) VALUES (?, ?, ?)",
              {id, " title " + std::to_string(id) + " ", "  http://n/" + std::to_string(id)});
  }
  object->InitGlobal(chat.app());  // a second load on the same object reuses its connection
  const VariantArray& links = chat.Get("_bbss").array();
  ASSERT_EQ(links.upper_bound(1) * 10 + links.upper_bound(2), 51);
  EXPECT_EQ(links.at(0, 1).ToText() + links.at(0, 0).ToText(), "title 8http://n/8");
  EXPECT_EQ(links.at(5, 1).ToText(), "title 3");
}

TEST(GlobalLoadTest, FailuresEndTheCallAndKeepEarlierWrites) {
  // A ring setting it cannot build from is named; the configuration stays.
  for (const std::string bad : {"many", "-1", "40000"}) {
    ChatTestEnv chat;
    chat.SetParam("maxtalk", bad);
    try {
      chat.NewObject()->InitGlobal(chat.app());
      ADD_FAILURE() << bad;
    } catch (const CallError& e) {
      EXPECT_TRUE(std::string(e.what()).starts_with("setting maxtalk is '" + bad + "'"))
          << e.what();
    }
    EXPECT_EQ(chat.Get("_init").ToText(), "true");
    EXPECT_TRUE(chat.Get("_says").is_empty());
  }
  Application no_database;
  EXPECT_THROW(Corvane().InitGlobal(no_database), CallError);
  EXPECT_TRUE(no_database.Get("_init").is_empty());

  // Hostile setting names and values are bound, not pasted into commands.
  ChatTestEnv chat;
  chat.SetParam("x' OR '1'='1", "v'); DROP TABLE room; --");
  chat.NewObject()->InitGlobal(chat.app());
  EXPECT_EQ(chat.Get("_x' OR '1'='1").ToText(), "v'); DROP TABLE room; --");
  EXPECT_FALSE(chat.lists().Rooms().empty());
}

}  // namespace
}  // namespace tavolin
