// Copyright Tavolin developers.

#include "sitepages/friends_list.h"

#include <gtest/gtest.h>

#include "sitepages/input_limits.h"
#include "testing/chat_test_env.h"

namespace tavolin {
namespace {

TEST(FriendsListTest, TypedNamesAreRegisteredOnesAndAListStopsAtTheLimit) {
  testing::ChatTestEnv env;
  env.Exec("insert into user (username) values ('Tom'), ('ann')");
  EXPECT_EQ(std::get<std::string>(TypedFriends(env.db(), "\tTOM ann\r\ntom  ")), "Tom ann");
  const auto unknown = TypedFriends(env.db(), "tom bob " + std::string(30, 'z'));
  EXPECT_EQ(std::get<Outcome>(unknown).message,
            "好友名单没有保存：没有这些用户：bob " + std::string(20, 'z') + "…。");
  EXPECT_EQ(WithFriend(" tom ", "ann"), "tom ann");
  EXPECT_EQ(WithFriend("tom ann", "ann"), "tom ann");
  std::string full;
  for (size_t i = 0; i < kMaxFriends; ++i) full += "u" + std::to_string(i) + " ";
  EXPECT_EQ(WithFriend(full, "ann"), std::nullopt);
  EXPECT_TRUE(WithFriend(full, "u7").has_value());
}

}  // namespace
}  // namespace tavolin
