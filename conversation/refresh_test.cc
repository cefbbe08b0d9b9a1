// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include "component/list_record.h"
#include "tavolin/error.h"
#include "testing/live_chat.h"

namespace tavolin {
namespace {

constexpr char kPrefix[] =
    "<meta HTTP-EQUIV='Pragma' CONTENT='no-cache'><META content='text/html;charset=gb2312' "
    "http-equiv=content-type>";

class RefreshTest : public ::testing::Test {
 protected:
  RefreshTest() {
    chat_.AddRoom(1, "hall");
    chat_.Enter("ann", 1);
    chat_.Enter("bob", 1);
  }
  testing::LiveChat chat_;
};

TEST_F(RefreshTest, QuietPollGivesNewestIdAndUserCountAndMovesTheVisitorOn) {
  chat_.Say("ann", "hello");
  chat_.clock().Advance(5);
  // bob's delivery start (newest minus 10) is before the line: it arrives.
  EXPECT_EQ(chat_.Refresh("bob"),
            std::string(kPrefix) +
                "<meta http-equiv=refresh content='6;url=refresh.asp'><script>"
                "parent.addsay(1,'hello','ann','大家',0,'c1','c2',0,'10:00:00','');"
                "parent.ref(1);parent.allusernum=2;</script>");
  EXPECT_EQ(chat_.UserField("bob", user_field::kDeliveredSayId), "1");
  EXPECT_EQ(chat_.UserField("bob", user_field::kLastPoll), "2026-03-04 10:00:05");
  // The next poll carries no say id and has nothing new.
  EXPECT_EQ(chat_.Refresh("bob"), std::string(kPrefix) +
                                      "<meta http-equiv=refresh content='6;url=refresh.asp'>"
                                      "<script>parent.ref(1);parent.allusernum=2;</script>");
  // A say id from before a restart delivers nothing and resets field 9.
  EXPECT_EQ(chat_.Refresh("bob", "500").find("addsay"), std::string::npos);
  EXPECT_EQ(chat_.UserField("bob", user_field::kDeliveredSayId), "1");
  // The other visitor's record is left as it was.
  EXPECT_EQ(chat_.UserField("ann", user_field::kLastPoll), "2026-03-04 10:00:00");
}

TEST_F(RefreshTest, IdleLimitsCloseAfterMoreThanTheConfiguredMinutes) {
  chat_.clock().Advance(30 * 60);
  EXPECT_NE(chat_.Refresh("ann").find("parent.ref("), std::string::npos);
  chat_.clock().Advance(60);
  const std::string before = chat_.lists().Users();
  EXPECT_EQ(chat_.Refresh("ann"),
            std::string(kPrefix) +
                "<script Language=JavaScript>top.location.href = 'close.asp';</script>");
  EXPECT_EQ(chat_.lists().Users(), before);  // nothing written

  // The second limit counts from the entry, whatever was said since.
  chat_.app().Set("_nosaytimeout", Variant("1000"));
  chat_.app().Set("_dontsavevalue", Variant("0"));
  chat_.clock().Set(DateTime::FromCivil(2026, 3, 4, 10, 0, 59));
  EXPECT_NE(chat_.Refresh("bob").find("parent.ref("), std::string::npos);
  chat_.clock().Set(DateTime::FromCivil(2026, 3, 4, 10, 1, 0));
  EXPECT_NE(chat_.Refresh("bob").find("close.asp"), std::string::npos);
}

TEST_F(RefreshTest, StrangersAndBadSayIds) {
  MemorySession stranger;
  MemoryRequest request;
  EXPECT_EQ(chat_.NewObject()->refresh(chat_.app(), stranger, request).ToText(),
            std::string(kPrefix) +
                "<script Language=JavaScript>top.location.href = 'showerr.asp';</script>");
  const std::string before = chat_.lists().Users();
  for (const char* junk : {"abc", "1.5", "99999999999", "1e3"}) {
    EXPECT_THROW(chat_.Refresh("ann", junk), CallError) << junk;
  }
  EXPECT_EQ(chat_.lists().Users(), before);
  // An empty value counts as none.
  EXPECT_NE(chat_.Refresh("ann", "").find("parent.ref(0)"), std::string::npos);
}

}  // namespace
}  // namespace tavolin
