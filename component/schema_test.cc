// Copyright Tavolin developers.

#include "component/schema.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component/settings_check.h"
#include "tavolin/database.h"
#include "tavolin/error.h"

namespace tavolin {
namespace {

class SchemaTest : public ::testing::Test {
 protected:
  int Count(const std::string& query) { return db_->Execute(query)->Field("n").ToLong(); }

  ManualClockEnv env_{DateTime::FromCivil(2026, 3, 4, 10, 0, 0)};
  std::unique_ptr<Connection> db_ = OpenConnection("sqlite::memory:", &env_, ChatSchemaScript());
};

TEST_F(SchemaTest, NamesCompareWithoutLetterCase) {
  db_->Execute("INSERT INTO user (username, passwd, log_time) VALUES ('Tom', 'x', now())");
  std::unique_ptr<RecordSet> found = db_->Execute("SELECT * FROM user WHERE username = 'tOM'");
  ASSERT_FALSE(found->eof());
  EXPECT_EQ(found->Field("username").view(), "Tom");
  EXPECT_EQ(found->Field("log_time").ToDate(), env_.Now());
  EXPECT_THROW(db_->Execute("INSERT INTO user (username) VALUES ('TOM')"), CallError);

  // The other name columns that lookups and counts compare.
  db_->Execute("INSERT INTO vrecord (username, temp_level) VALUES ('Tom', 8)");
  db_->Execute("INSERT INTO calls (towho, calltime) VALUES ('Tom', now())");
  db_->Execute("INSERT INTO friendrq (who, towho, sub_time) VALUES ('Ann', 'Tom', now())");
  db_->Execute("INSERT INTO guestbook (towho, post_time) VALUES ('Tom', now())");
  db_->Execute("INSERT INTO ip_lock (ip, end_time) VALUES ('abc::1', now())");
  for (const char* query :
       {"SELECT count(*) AS n FROM user",
        "SELECT count(*) AS n FROM vrecord WHERE username = 'TOM'",
        "SELECT count(*) AS n FROM calls WHERE towho = 'tom' AND read = 0",
        "SELECT count(*) AS n FROM friendrq WHERE towho = 'tom' AND who = 'ANN'",
        "SELECT count(*) AS n FROM guestbook WHERE towho = 'TOM'",
        "SELECT count(*) AS n FROM ip_lock WHERE ip = 'ABC::1'",
        "SELECT count(*) AS n FROM action WHERE act_name = 'HI'",
        "SELECT count(*) AS n FROM sysparam WHERE alias = 'MaxTalk'"}) {
    EXPECT_EQ(Count(query), 1) << query;
  }

  // A registration's row gets the defaults the chat page and housekeeping read.
  std::unique_ptr<RecordSet> tom = db_->Execute("SELECT * FROM user");
  EXPECT_EQ(tom->Field("saved").ToLong(), 0);
  EXPECT_EQ(tom->Field("friends").ToText(), "");
}

TEST_F(SchemaTest, SeedsUsableSettingsRoomsActionsAnswersAndNews) {
  Application settings;
  for (auto rows = db_->Execute("SELECT * FROM sysparam"); !rows->eof(); rows->MoveNext()) {
    settings.Set("_" + rows->Field("alias").ToText(), rows->Field("body"));
  }
  EXPECT_NO_THROW(CheckSettings(settings, ""));
  EXPECT_EQ(settings.Get("_visitor").ToText(), "0");
  // The minute limits leave a positive client countdown (limit - 3).
  EXPECT_GT(settings.Get("_nosaytimeout").ToDouble(), 3);
  EXPECT_GT(settings.Get("_dontsavevalue").ToLong() / 2, 3);
  // One row per key: the counters are updated by alias.
  EXPECT_EQ(Count("SELECT count(DISTINCT alias) - count(*) AS n FROM sysparam"), 0);

  // Room 1, where a login without a room goes, is the lobby, open to all.
  std::unique_ptr<RecordSet> rooms = db_->Execute("SELECT * FROM room ORDER BY ID");
  ASSERT_FALSE(rooms->eof());
  EXPECT_EQ(rooms->Field("ID").ToLong(), 1);
  EXPECT_LE(rooms->Field("permit_level").ToLong(), 1);
  EXPECT_NE(rooms->Field("door_open").ToLong(), 0);
  for (; !rooms->eof(); rooms->MoveNext()) {
    // Written bare into the chat page's script, so they must be numbers.
    for (const char* column : {"room_tt", "room_html", "room_exp"}) {
      EXPECT_TRUE(rooms->Field(column).IsNumeric()) << column;
    }
    EXPECT_EQ(rooms->Field("build_time").ToDate(), env_.Now());
    // Seeded rooms are kept, so the daily expiry never deletes them.
    EXPECT_EQ(rooms->Field("room_keep").ToLong(), 1);
  }
  EXPECT_GE(Count("SELECT count(*) AS n FROM room WHERE room_auto <> ''"), 1);

  EXPECT_EQ(Count("SELECT count(*) AS n FROM action"), 12);
  EXPECT_EQ(Count("SELECT count(*) AS n FROM action WHERE toall NOT LIKE '%##%' OR "
                  "toself NOT LIKE '%##%' OR toother NOT LIKE '%##%'"),
            0);
  // The robot's answers are numbered from 1 without a gap.
  EXPECT_EQ(Count("SELECT count(*) AS n FROM autoact WHERE text_body <> ''"), 12);
  EXPECT_EQ(Count("SELECT min(id) * 100 + max(id) AS n FROM autoact"), 112);
  EXPECT_GE(Count("SELECT count(*) AS n FROM scrollad WHERE ad_title <> '' AND ad_link <> ''"), 1);
}

}  // namespace
}  // namespace tavolin
