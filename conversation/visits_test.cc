// Copyright Tavolin developers.

#include "conversation/visits.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "component/list_record.h"
#include "testing/live_chat.h"

namespace tavolin {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class VisitsTest : public ::testing::Test {
 protected:
  VisitsTest() {
    chat_.AddRoom(1, "hall");
    chat_.AddRoom(2, "garden");
    chat_.app().Set("_exitroomshow", Variant("##到别处逛逛去了::c1::c2"));
    chat_.Enter("ann", 1);
    chat_.Enter("bob", 1);
    chat_.Enter("cat", 2);
  }
  testing::LiveChat chat_;
};

// Leaving the chat is told with its own words, not the room change's, and in
// the room change's colours.
TEST_F(VisitsTest, EndingAVisitRemovesTheVisitorAndTellsTheRoom) {
  EXPECT_TRUE(EndVisit(*chat_.NewObject(), chat_.app(), chat_.SessionOf("ann")));
  EXPECT_EQ(RecordKeys(chat_.lists().Users()), (std::vector<std::string>{"bob", "cat"}));
  EXPECT_EQ(chat_.RoomField(1, room_field::kOccupants), "bob");
  EXPECT_THAT(
      chat_.Refresh("bob"),
      HasSubstr("'##离开了聊天室。<\\script>parent.dell(\\'ann\\')</\\script>','ann','大家',"
                "0,'c1','c2',-3,"));
  EXPECT_THAT(chat_.Refresh("cat"), Not(HasSubstr("dell")));  // another room
  // The session no longer proves a visit: nothing more happens.
  EXPECT_FALSE(EndVisit(*chat_.NewObject(), chat_.app(), chat_.SessionOf("ann")));
}

TEST_F(VisitsTest, SilentBrowsersLeaveAfterTheLimit) {
  chat_.clock().Advance(100);
  chat_.Refresh("bob");  // bob's browser still polls
  chat_.clock().Advance(30);
  auto object = chat_.NewObject();
  EXPECT_EQ(EndSilentVisits(*object, chat_.app(), chat_.clock().Now(), 120), 2);
  EXPECT_EQ(RecordKeys(chat_.lists().Users()), std::vector<std::string>{"bob"});
  EXPECT_EQ(chat_.RoomField(2, room_field::kOccupants), "");
  EXPECT_THAT(chat_.Refresh("bob"), HasSubstr("'##离开了聊天室。<\\script>parent.dell(\\'ann\\')"));
  EXPECT_EQ(chat_.NewestSayId(), 2);  // one leave line for each
  EXPECT_EQ(EndSilentVisits(*object, chat_.app(), chat_.clock().Now(), 120), 0);
}

}  // namespace
}  // namespace tavolin
