// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include "component/list_record.h"
#include "tavolin/error.h"
#include "testing/live_chat.h"

namespace tavolin {
namespace {

constexpr char kPoll[] =
    "<meta HTTP-EQUIV='Pragma' CONTENT='no-cache'><META content='text/html;charset=gb2312' "
    "http-equiv=content-type><meta http-equiv=refresh content='6;url=refresh.asp'><script>";
constexpr char kClose[] =
    "<meta HTTP-EQUIV='Pragma' CONTENT='no-cache'><META content='text/html;charset=gb2312' "
    "http-equiv=content-type><script Language=JavaScript>top.location.href = 'close.asp';</script>";

class RefreshTest : public ::testing::Test {
 protected:
  RefreshTest() {
    chat_.AddRoom(1, "hall");
    chat_.Enter("ann", 1);
    chat_.Enter("bob", 1);
  }
  testing::LiveChat chat_;
};

TEST_F(RefreshTest, PollDeliversNewLinesOnceAndMovesTheVisitorOn) {
  chat_.Say("ann", "hello");
  chat_.clock().Advance(5);
  EXPECT_EQ(chat_.Refresh("bob"), std::string(kPoll) +
                                      "parent.addsay(1,'hello','ann','大家',0,'c1','c2',0,"
                                      "'10:00:00','');parent.ref(1);parent.allusernum=2;</script>");
  EXPECT_EQ(chat_.UserField("bob", user_field::kLastPoll), "2026-03-04 10:00:05");
  EXPECT_EQ(chat_.Refresh("bob"),
            std::string(kPoll) + "parent.ref(1);parent.allusernum=2;</script>");
  // A say id from before a restart delivers nothing and resets field 9.
  EXPECT_EQ(chat_.Refresh("bob", "500").find("addsay"), std::string::npos);
  EXPECT_EQ(chat_.UserField("bob", user_field::kDeliveredSayId), "1");
  EXPECT_EQ(chat_.UserField("ann", user_field::kLastPoll), "2026-03-04 10:00:00");
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

TEST_F(RefreshTest, StrangersAndBadSayIds) {
  MemorySession stranger;
  MemoryRequest request;
  EXPECT_NE(chat_.NewObject()->refresh(chat_.app(), stranger, request).ToText().find("showerr"),
            std::string::npos);
  const std::string before = chat_.lists().Users();
  for (const char* junk : {"abc", "1.5", "99999999999", "1e3"}) {
    EXPECT_THROW(chat_.Refresh("ann", junk), CallError) << junk;
  }
  EXPECT_EQ(chat_.lists().Users(), before);
  EXPECT_NE(chat_.Refresh("ann", "").find("parent.ref(0)"), std::string::npos);
}

}  // namespace
}  // namespace tavolin
