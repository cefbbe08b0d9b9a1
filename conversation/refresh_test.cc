// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "component/list_record.h"
#include "component/page_text.h"
#include "conversation/visits.h"
#include "tavolin/error.h"
#include "testing/live_chat.h"

namespace tavolin {
namespace {

const std::string kPoll = std::string(page::kPollPrefix) + std::string(page::kReloadAndScript);
const std::string kClose = std::string(page::kPollPrefix) + std::string(page::kClose);

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

TEST_F(RefreshTest, PollDeliversNewLinesOnceOldestFirstAcrossTheWrap) {
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
  EXPECT_NE(chat_.Refresh("bob", "3").find("parent.addsay(4,'n4'"), std::string::npos);
  // A say id from before a restart delivers nothing and resets field 9.
  EXPECT_EQ(chat_.Refresh("bob", "500").find("addsay"), std::string::npos);
  EXPECT_EQ(chat_.UserField("bob", user_field::kDeliveredSayId), "5");
  EXPECT_EQ(chat_.UserField("ann", user_field::kLastPoll), "2026-03-04 10:00:00");
}

TEST_F(RefreshTest, VisibleLineRule) {
  Append("ann", "bob", 1, 1, "secret");        // private, room 1
  Append("ann", "dan", 1, 2, "elsewhere");     // private, room 2
  Append("sys", "大家", 0, -2, "everywhere");  // every room
  std::string seen;
  for (const char* name : {"ann", "bob", "cat", "dan"}) {
    const std::string poll = chat_.Refresh(name, "0");
    for (const char* text : {"secret", "elsewhere", "everywhere"}) {
      if (poll.find(text) != std::string::npos) seen += std::string(" ") + name + ":" + text;
    }
  }
  EXPECT_EQ(seen,
            " ann:secret ann:everywhere bob:secret bob:everywhere cat:everywhere "
            "dan:elsewhere dan:everywhere");
  Append("sys", "大家", 0, -1, "nowhere");  // room -1 only
  EXPECT_EQ(chat_.Refresh("ann", "0").find("nowhere"), std::string::npos);
  // Private lines stay in their room, even for their addressee.
  chat_.SetUserField("bob", user_field::kRoom, "2");
  EXPECT_EQ(chat_.Refresh("bob", "0").find("'secret'"), std::string::npos);
}

TEST_F(RefreshTest, IdleLimitsCloseAfterMoreThanTheConfiguredMinutes) {
  chat_.clock().Advance(30 * 60);
  EXPECT_NE(chat_.Refresh("ann").find("parent.ref("), std::string::npos);
  chat_.clock().Advance(60);
  const std::string before = chat_.lists().Users();
  EXPECT_EQ(chat_.Refresh("ann"), kClose);
  EXPECT_EQ(chat_.lists().Users(), before);
  // The second limit counts from the entry, whatever was said since.
  chat_.app().Set("_nosaytimeout", Variant("1000"));
  chat_.app().Set("_dontsavevalue", Variant("0"));
  chat_.clock().Set(DateTime::FromCivil(2026, 3, 4, 10, 0, 59));
  EXPECT_NE(chat_.Refresh("bob").find("parent.ref("), std::string::npos);
  chat_.clock().Set(DateTime::FromCivil(2026, 3, 4, 10, 1, 0));
  EXPECT_EQ(chat_.Refresh("bob"), kClose);
}

TEST_F(RefreshTest, VisitorCheckNeedsTheWholeKeyTheTokenAndAnExistingRoom) {
  chat_.Enter("anna", 1, 6);
  chat_.SetUserField("cat", user_field::kRoom, "9");  // a room that is gone
  const std::string ann = chat_.SessionOf("ann").Get("mytemp").ToText();
  // Session name, token, level and room id.
  const std::vector<std::tuple<std::string, std::string, int, int>> cases = {
      {"ann", ann, 1, 1},
      {" ann ", ann, 1, 1},  // the name is trimmed
      {"anna", chat_.SessionOf("anna").Get("mytemp").ToText(), 6, 1},
      {"ann", "an older token", 0, 1},  // the room is still taken
      {"cat", chat_.SessionOf("cat").Get("mytemp").ToText(), 0, 9},
      {"   ", "", 0, 0},
      {"bob", ann, 0, 1}};
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
  EXPECT_NE(chat_.Refresh("cat").find("showerr"), std::string::npos);
  const std::string before = chat_.lists().Users();
  for (const char* junk : {"abc", "1.5", "99999999999", "1e3"}) {
    EXPECT_THROW(chat_.Refresh("ann", junk), CallError) << junk;
  }
  EXPECT_EQ(chat_.lists().Users(), before);
  EXPECT_NE(chat_.Refresh("ann", "").find("parent.ref(0)"), std::string::npos);
}

// Leaving is told to the room with its own words (not the room change's), in
// the room change's colours.
TEST_F(RefreshTest, VisitsEndByTheClosePageOrBySilence) {
  chat_.app().Set("_exitroomshow", Variant("##到别处逛逛去了::c1::c2"));
  EXPECT_TRUE(EndVisit(*chat_.NewObject(), chat_.app(), chat_.SessionOf("ann")));
  EXPECT_FALSE(EndVisit(*chat_.NewObject(), chat_.app(), chat_.SessionOf("ann")));  // gone
  EXPECT_EQ(RecordKeys(chat_.lists().Users()), (std::vector<std::string>{"bob", "cat", "dan"}));
  EXPECT_EQ(chat_.RoomField(1, room_field::kOccupants), "bob cat");
  EXPECT_NE(
      chat_.Refresh("bob").find("'##离开了聊天室。<\\script>parent.dell(\\'ann\\')</\\script>',"
                                "'ann','大家',0,'c1','c2',-3,"),
      std::string::npos);
  EXPECT_EQ(chat_.Refresh("dan").find("dell"), std::string::npos);  // another room
  chat_.clock().Advance(100);
  chat_.Refresh("bob");  // bob's browser still polls
  chat_.clock().Advance(30);
  auto object = chat_.NewObject();
  EXPECT_EQ(EndSilentVisits(*object, chat_.app(), chat_.clock().Now(), 120), 2);
  EXPECT_EQ(RecordKeys(chat_.lists().Users()), std::vector<std::string>{"bob"});
  EXPECT_EQ(chat_.RoomField(2, room_field::kOccupants), "");
  EXPECT_EQ(chat_.NewestSayId(), 3);  // one leave line for each
  EXPECT_EQ(EndSilentVisits(*object, chat_.app(), chat_.clock().Now(), 120), 0);
}

}  // namespace
}  // namespace tavolin
