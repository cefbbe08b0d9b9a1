// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include "component/list_record.h"
#include "testing/live_chat.h"

namespace tavolin {
namespace {

class VisitorCheckTest : public ::testing::Test {
 protected:
  VisitorCheckTest() {
    chat_.AddRoom(1, "hall");
    chat_.Enter("ann", 1, 4);
    chat_.Enter("anna", 1, 6);
  }
  int Check(Session& session) {
    Variant users(chat_.lists().Users());
    Variant rooms(chat_.lists().Rooms());
    return object_->getLevel(session, users, rooms).ToLong();
  }

  testing::LiveChat chat_;
  std::unique_ptr<Corvane> object_ = chat_.NewObject();
};

TEST_F(VisitorCheckTest, FindsEachVisitorByTheWholeKey) {
  EXPECT_EQ(Check(chat_.SessionOf("ann")), 4);
  EXPECT_EQ(object_->MyName().ToText(), "ann");
  EXPECT_EQ(Check(chat_.SessionOf("anna")), 6);
  EXPECT_EQ(object_->room_id().ToLong(), 1);
}

TEST_F(VisitorCheckTest, RefusesUnknownBlankOrForeignSessions) {
  MemorySession blank;
  blank.Set("myname", Variant("   "));
  EXPECT_EQ(Check(blank), 0);
  MemorySession stranger;
  stranger.Set("myname", Variant("bob"));
  EXPECT_EQ(Check(stranger), 0);
  // The name is trimmed before the lookup.
  MemorySession padded;
  padded.Set("myname", Variant(" ann "));
  padded.Set("mytemp", chat_.SessionOf("ann").Get("mytemp"));
  EXPECT_EQ(Check(padded), 4);
}

TEST_F(VisitorCheckTest, TokenMismatchFailsButStillTakesTheRoom) {
  chat_.AddRoom(7, "garden");
  chat_.SetUserField("ann", user_field::kRoom, "7");
  MemorySession old_session;
  old_session.Set("myname", Variant("ann"));
  old_session.Set("mytemp", Variant("an older token"));
  EXPECT_EQ(Check(old_session), 0);
  EXPECT_EQ(object_->room_id().ToLong(), 7);
}

TEST_F(VisitorCheckTest, VisitorWhoseRoomIsGoneFails) {
  chat_.SetUserField("ann", user_field::kRoom, "9");
  EXPECT_EQ(Check(chat_.SessionOf("ann")), 0);
  EXPECT_EQ(object_->room_id().ToLong(), 9);
}

}  // namespace
}  // namespace tavolin
