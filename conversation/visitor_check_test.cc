// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "component/list_record.h"
#include "testing/live_chat.h"

namespace tavolin {
namespace {

TEST(VisitorCheckTest, LevelOnlyForTheWholeKeyTheTokenAndAnExistingRoom) {
  testing::LiveChat chat;
  chat.AddRoom(1, "hall");
  chat.AddRoom(7, "garden");
  chat.Enter("ann", 1, 4);
  chat.Enter("anna", 1, 6);
  chat.Enter("cat", 7, 5);
  chat.SetUserField("cat", user_field::kRoom, "9");  // a room that is gone
  const std::string ann_token = chat.SessionOf("ann").Get("mytemp").ToText();
  const std::string cat_token = chat.SessionOf("cat").Get("mytemp").ToText();
  // Session name, token, expected level and room id.
  const std::vector<std::tuple<std::string, std::string, int, int>> cases = {
      {"ann", ann_token, 4, 1},
      {" ann ", ann_token, 4, 1},  // the name is trimmed
      {"anna", chat.SessionOf("anna").Get("mytemp").ToText(), 6, 1},
      {"ann", "an older token", 0, 1},  // the room is still taken
      {"cat", cat_token, 0, 9},
      {"   ", "", 0, -1},
      {"bob", ann_token, 0, -1}};
  for (const auto& [name, token, level, room] : cases) {
    MemorySession session;
    session.Set("myname", Variant(name));
    session.Set("mytemp", Variant(token));
    Variant users(chat.lists().Users()), rooms(chat.lists().Rooms());
    auto object = chat.NewObject();
    EXPECT_EQ(object->getLevel(session, users, rooms).ToLong(), level) << name;
    if (room >= 0) EXPECT_EQ(object->room_id().ToLong(), room) << name;
  }
}

}  // namespace
}  // namespace tavolin
