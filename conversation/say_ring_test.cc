// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include "testing/live_chat.h"

namespace tavolin {
namespace {

// Appends a line to the chat's ring the way callers do: read, append, write.
void Append(testing::LiveChat& chat, std::string who, std::string to_who, int secret, int room,
            std::string text) {
  Variant says = chat.app().Get("_says");
  Variant current = chat.app().Get("_current");
  Variant w(who), t(to_who), s(secret), r(room), m(text), c1("c1"), c2("c2"), act(0);
  chat.NewObject()->Newsay(w, t, s, r, m, c1, c2, act, says, current);
  chat.app().Set("_says", says);
  chat.app().Set("_current", current);
}

TEST(SayRingTest, NewsayFillsTheNextSlotWrapsAndDeliversOldestFirst) {
  testing::LiveChat chat(/*max_talk=*/3);
  chat.AddRoom(1, "hall");
  chat.Enter("bob", 1);
  const Variant before = chat.app().Get("_says");
  // Names stand in the line's script string escaped; the slot keeps them as
  // they are for the visible-line rule.
  Append(chat, "ann", "Tom's \\room", 0, 1, "n1");
  const VariantArray& ring = chat.app().Get("_says").array();
  EXPECT_EQ(ring.at(1, 5).ToText(), "'n1','ann','Tom\\'s \\\\room',0,'c1','c2',0,'10:00:00',");
  EXPECT_EQ(ring.at(1, 2).ToText(), "Tom's \\room");
  EXPECT_EQ(before.array().at(1, 0).ToLong(), 0);  // an earlier copy is not changed

  for (int i = 2; i <= 5; ++i) Append(chat, "ann", "大家", 0, 1, "n" + std::to_string(i));
  EXPECT_EQ(chat.app().Get("_current").ToLong(), 1);  // the fifth line overwrote slot 1
  EXPECT_EQ(chat.app().Get("_says").array().at(0, 0).ToLong(), 4);
  EXPECT_NE(chat.Refresh("bob", "0")
                .find("parent.addsay(2,'n2','ann','大家',0,'c1','c2',0,"
                      "'10:00:00',3,'n3','ann','大家',0,'c1','c2',0,"
                      "'10:00:00',4,'n4','ann','大家',0,'c1','c2',0,"
                      "'10:00:00',5,'n5','ann','大家',0,'c1','c2',0,"
                      "'10:00:00','');"),
            std::string::npos);
  EXPECT_NE(chat.Refresh("bob", "3").find("parent.addsay(4,'n4'"), std::string::npos);
  EXPECT_EQ(chat.Refresh("bob", "5").find("parent.addsay("), std::string::npos);
}

TEST(SayRingTest, VisibleLineRule) {
  testing::LiveChat chat;
  chat.AddRoom(1, "hall");
  chat.AddRoom(2, "garden");
  for (const char* name : {"ann", "bob", "cat"}) chat.Enter(name, 1);
  chat.Enter("dan", 2);
  Append(chat, "ann", "bob", 1, 1, "secret");        // private, room 1
  Append(chat, "ann", "dan", 1, 2, "elsewhere");     // private, room 2
  Append(chat, "sys", "大家", 0, -2, "everywhere");  // every room
  Append(chat, "sys", "大家", 0, -1, "nowhere");     // room -1 only
  const std::vector<std::pair<std::string, std::string>> seen = {{"ann", "secret everywhere"},
                                                                 {"bob", "secret everywhere"},
                                                                 {"cat", "everywhere"},
                                                                 {"dan", "elsewhere everywhere"}};
  for (const auto& [name, expected] : seen) {
    const std::string poll = chat.Refresh(name, "0");
    std::string visible;
    for (const char* text : {"secret", "elsewhere", "everywhere", "nowhere"}) {
      if (poll.find("'" + std::string(text) + "'") == std::string::npos) continue;
      visible += (visible.empty() ? "" : " ") + std::string(text);
    }
    EXPECT_EQ(visible, expected) << name;
  }
  // Private lines stay in their room, even for their addressee.
  chat.SetUserField("bob", 4, "2");
  EXPECT_EQ(chat.Refresh("bob", "0").find("'secret'"), std::string::npos);
}

}  // namespace
}  // namespace tavolin
