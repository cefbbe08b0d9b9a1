// Copyright Tavolin developers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "component/schema.h"
#include "testing/postgres_cluster.h"
#include "testing/served_chat.h"
#include "text/gbk.h"

namespace tavolin::server {
namespace {

using ::testing::HasSubstr;
using testing::HttpTestClient;
using testing::ServedChat;

// The chat served on a new PostgreSQL database: the seed rows, a login that stores a user whose
// name compares without case, a line posted and polled, a guestbook entry of the site's pages and
// the console's user search, and the schema brought up to date.
TEST(PostgresChatTest, VisitorsTalkAndTheConsoleAnswersOnPostgres) {
  if (testing::PostgresCasesOff()) GTEST_SKIP();
  ServedChat chat("secret", ChatSite::Options{}.max_sessions, testing::NewPostgresDatabase());
  EXPECT_THAT(HttpTestClient(chat.port()).Get("/").Utf8Body(),
              HasSubstr("<option value='1'>大厅</option>"));
  HttpTestClient &ann = chat.Visitor("ann"), &bob = chat.Visitor("bob");
  EXPECT_EQ(chat.Value("select count(*) as v from user where username='ANN'"), "1");
  bob.Get("/refresh.asp");
  ann.Post("/say.asp", {{"says", "大家好"}, {"towho", "大家"}, {"sayscolor", "0"}});
  EXPECT_THAT(bob.Get("/refresh.asp").body, HasSubstr("'" + text::Utf8ToGbk("大家好") + "','ann'"));
  EXPECT_THAT(chat.Page("ann", "/guest.asp", {{"towho", "Bob"}, {"body", "hi"}}),
              HasSubstr("留言已经留给bob了。"));
  EXPECT_THAT(chat.Page("bob", "/guest.asp"), HasSubstr("ann 留言：</span><br>hi"));
  HttpTestClient admin(chat.port());
  admin.set_authorization("Basic YWRtaW46c2VjcmV0");  // admin:secret
  EXPECT_THAT(admin.Get("/admin/users.asp?q=A&ip=127.0.").body, HasSubstr("?user=ann'>ann</a>"));
  // Ids go on after the seed rows that were given theirs.
  chat.db().Execute("INSERT INTO room (room_name) VALUES ('new')");
  EXPECT_EQ(chat.Value("select ID as v from room where room_name='NEW'"), "6");
  // A database of an older version gains the end of temporary levels, once.
  chat.db().Execute("ALTER TABLE vrecord DROP COLUMN end_time");
  for (int run = 0; run < 2; ++run) UpgradeChatSchema(chat.db());
  chat.db().Execute("INSERT INTO vrecord (username, end_time) VALUES ('ann', now())");
  EXPECT_EQ(chat.Value("select end_time as v from vrecord"), "2026-03-04 10:00:00");
}

}  // namespace
}  // namespace tavolin::server
