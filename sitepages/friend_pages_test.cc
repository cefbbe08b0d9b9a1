// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include "sitepages/friends_list.h"
#include "sitepages/input_limits.h"
#include "sitepages/site_pages_testing.h"

namespace tavolin {
namespace {

TEST_F(SitePagesTest, FriendRequestIsAnsweredByItsAddresseeOnly) {
  Visitor("bob");
  Visitor("carl");
  ExpectAnswers({{"ann", "/addfriend.asp", {{"towho", "BOB"}}, "好友申请已经发给bob"},
                 {"ann", "/addfriend.asp", {{"towho", "bob"}}, "你已经向bob发出过好友申请了"},
                 {"ann", "/addfriend.asp", {{"towho", "ann"}}, "不能向自己申请好友。"},
                 {"ann", "/addfriend.asp", {{"towho", "<b>x"}}, "没有叫“&lt;b&gt;x”的用户。"}});
  const std::string id = db().Execute("select ID from friendrq")->Field("ID").ToText();
  const std::string answer = "/agreefriend.asp?ID=" + id + "&answer=";
  const std::string not_yours = "没有给你的这个好友申请。";
  ExpectAnswers({
      {"bob",
       "/addfriend.asp",
       {},
       "ann 想和你做好友 [<a href='agreefriend.asp?ID=" + id + "&amp;answer=yes'>"},
      {"carl", "/addfriend.asp", {}, "没有等你回答的好友申请。"},
      {"bob",
       "/addfriend.asp",
       {{"towho", "ann"}},
       "ann已经向你发出了好友申请，在下面回答就行了。"},
      // Neither the other user nor a doubtful answer settles it.
      {"carl", answer + "yes", {}, not_yours},
      {"carl", answer + "no", {}, not_yours},
      {"bob", "/agreefriend.asp?ID=" + id + "%20or%201=1&answer=yes", {}, not_yours},
      {"bob", answer + "maybe", {}, "请回答同意（yes）还是不同意（no）。"},
      // bob says yes: each is in the other's list, and the chat window says so.
      {"bob",
       answer + "yes",
       {},
       "<p class='note'>你和ann成为好友了。</p><script>if(parent!=window&&parent.addsay){"
       "parent.addsay(-1,'你和ann成为好友了。','','',0,"},
      {"ann", "/chat.asp", {}, "var friendlist='bob'"},
      {"bob", "/chat.asp", {}, "var friendlist='ann'"},
      {"bob", answer + "yes", {}, not_yours},
      {"ann", "/addfriend.asp", {{"towho", "bob"}}, "bob已经是你的好友了。"},
      {"carl", "/addfriend.asp", {{"towho", "bob"}}, "好友申请已经发给bob"},
  });
  // A refused request is gone, and the list stays empty.
  const std::string carls = db().Execute("select ID from friendrq")->Field("ID").ToText();
  ExpectAnswers({{"bob", "/agreefriend.asp?ID=" + carls + "&answer=no", {}, "你没有同意carl的"},
                 {"carl", "/chat.asp", {}, "var friendlist=''"}});
  EXPECT_EQ(Count("friendrq"), 0);
}

TEST(FriendsListTest, AFriendIsAddedOnceAndNotToAFullList) {
  EXPECT_EQ(WithFriend(" tom ", "ann"), "tom ann");
  EXPECT_EQ(WithFriend("tom ann", "ann"), "tom ann");
  std::string full;
  for (size_t i = 0; i < kMaxFriends; ++i) full += "u" + std::to_string(i) + " ";
  EXPECT_EQ(WithFriend(full, "ann"), std::nullopt);
  EXPECT_NE(WithFriend(full, "u7"), std::nullopt);
}

}  // namespace
}  // namespace tavolin
