// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include "testing/live_chat.h"

namespace tavolin {
namespace {

// Appends a line to the chat's ring the way callers do: read, append, write.
void Append(testing::LiveChat& chat, Corvane& object, std::string who, std::string to_who,
            int secret, int room, std::string text) {
  Variant says = chat.app().Get("_says");
  Variant current = chat.app().Get("_current");
  Variant w(who), t(to_who), s(secret), r(room), m(text), c1("c1"), c2("c2"), act(0);
  object.Newsay(w, t, s, r, m, c1, c2, act, says, current);
  chat.app().Set("_says", says);
  chat.app().Set("_current", current);
}

TEST(SayRingTest, NewsayFillsTheNextSlotAndWrapsAfterTheLast) {
  testing::LiveChat chat(/*max_talk=*/3);
  auto object = chat.NewObject();
  const Variant before = chat.app().Get("_says");
  Append(chat, *object, "ann", "大家", 0, 1, "hi");
  EXPECT_EQ(chat.app().Get("_current").ToLong(), 1);
  const VariantArray& ring = chat.app().Get("_says").array();
  EXPECT_EQ(ring.at(1, 0).ToLong(), 1);
  EXPECT_EQ(ring.at(1, 5).ToText(), "'hi','ann','大家',0,'c1','c2',0,'10:00:00',");
  // The copy read before the append is not changed by it.
  EXPECT_EQ(before.array().at(1, 0).ToLong(), 0);

  for (int i = 2; i <= 5; ++i) Append(chat, *object, "ann", "大家", 0, 1, "n" + std::to_string(i));
  // The fourth line went to slot 0, the fifth overwrote say id 1 in slot 1.
  const VariantArray& wrapped = chat.app().Get("_says").array();
  EXPECT_EQ(chat.app().Get("_current").ToLong(), 1);
  EXPECT_EQ(wrapped.at(0, 0).ToLong(), 4);
  EXPECT_EQ(wrapped.at(1, 0).ToLong(), 5);
  EXPECT_EQ(wrapped.at(3, 0).ToLong(), 3);
}

TEST(SayRingTest, DeliveryIsOldestFirstAcrossTheWrapAndStopsAtTheLastSeen) {
  testing::LiveChat chat(/*max_talk=*/3);
  chat.AddRoom(1, "hall");
  chat.Enter("bob", 1);
  auto object = chat.NewObject();
  for (int i = 1; i <= 5; ++i) Append(chat, *object, "ann", "大家", 0, 1, "n" + std::to_string(i));

  const std::string all = chat.Refresh("bob", "0");
  EXPECT_NE(all.find("parent.addsay(2,'n2','ann','大家',0,'c1','c2',0,'10:00:00',"
                     "3,'n3','ann','大家',0,'c1','c2',0,'10:00:00',"
                     "4,'n4','ann','大家',0,'c1','c2',0,'10:00:00',"
                     "5,'n5','ann','大家',0,'c1','c2',0,'10:00:00','');"),
            std::string::npos)
      << all;
  EXPECT_NE(chat.Refresh("bob", "3").find("parent.addsay(4,'n4'"), std::string::npos);
  EXPECT_EQ(chat.Refresh("bob", "5").find("parent.addsay("), std::string::npos);
  EXPECT_EQ(chat.Refresh("bob", "9").find("parent.addsay("), std::string::npos);
}

TEST(SayRingTest, VisibleLineRule) {
  testing::LiveChat chat;
  chat.AddRoom(1, "hall");
  chat.AddRoom(2, "garden");
  for (const char* name : {"ann", "bob", "cat"}) chat.Enter(name, 1);
  chat.Enter("dan", 2);
  auto object = chat.NewObject();
  Append(chat, *object, "ann", "bob", 1, 1, "secret");        // private, room 1
  Append(chat, *object, "ann", "dan", 1, 2, "elsewhere");     // private, room 2
  Append(chat, *object, "sys", "大家", 0, -2, "everywhere");  // every room
  Append(chat, *object, "sys", "大家", 0, -1, "nowhere");     // room -1 only

  auto seen = [&](const char* name) { return chat.Refresh(name, "0"); };
  EXPECT_NE(seen("ann").find("'secret'"), std::string::npos);
  EXPECT_NE(seen("bob").find("'secret'"), std::string::npos);
  EXPECT_EQ(seen("cat").find("'secret'"), std::string::npos);
  EXPECT_EQ(seen("dan").find("'secret'"), std::string::npos);
  // Private lines stay in their room, even for their addressee.
  EXPECT_NE(seen("dan").find("'elsewhere'"), std::string::npos);
  EXPECT_EQ(seen("bob").find("'elsewhere'"), std::string::npos);
  chat.SetUserField("bob", 4, "2");
  EXPECT_EQ(seen("bob").find("'secret'"), std::string::npos);
  for (const char* name : {"ann", "bob", "cat", "dan"}) {
    EXPECT_NE(seen(name).find("'everywhere'"), std::string::npos) << name;
    EXPECT_EQ(seen(name).find("'nowhere'"), std::string::npos) << name;
  }
}

}  // namespace
}  // namespace tavolin
