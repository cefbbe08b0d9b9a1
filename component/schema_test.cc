// Copyright Tavolin developers.

#include "component/schema.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ascii.h"
#include "tavolin/database.h"
#include "tavolin/error.h"

namespace tavolin {
namespace {

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at; (at = text.find(separator, start)) != std::string::npos;) {
    parts.push_back(text.substr(start, at - start));
    start = at + separator.size();
  }
  parts.push_back(text.substr(start));
  return parts;
}

class SchemaTest : public ::testing::Test {
 protected:
  // The text of configuration key `alias`; fails the test when it is missing.
  std::string Param(const std::string& alias) {
    std::unique_ptr<RecordSet> rows =
        db_->Execute("SELECT body FROM sysparam WHERE alias = ?", {Variant(alias)});
    if (rows->eof()) {
      ADD_FAILURE() << "no sysparam row for " << alias;
      return "";
    }
    return rows->Field("body").ToText();
  }

  int Count(const std::string& query, const std::vector<Variant>& params = {}) {
    return db_->Execute(query, params)->Field("n").ToLong();
  }

  ManualClockEnv env_{DateTime::FromCivil(2026, 3, 4, 10, 0, 0)};
  std::unique_ptr<Connection> db_ = OpenConnection("sqlite::memory:", &env_, ChatSchemaScript());
};

// Every table and column the engine's commands name, with the type the
// engine reads it as: numbers, date-times (names ending in "time"), text.
TEST_F(SchemaTest, NamesCompareWithoutLetterCase) {
  db_->Execute("INSERT INTO user (username, passwd, log_time) VALUES (?, ?, now())",
               {Variant("Tom"), Variant("x")});
  std::unique_ptr<RecordSet> found =
      db_->Execute("SELECT username FROM user WHERE username = ?", {Variant("tOM")});
  ASSERT_FALSE(found->eof());
  EXPECT_EQ(found->Field("username").view(), "Tom");
  EXPECT_EQ(db_->Execute("SELECT log_time FROM user")->Field("log_time").ToDate(), env_.Now());

  try {
    db_->Execute("INSERT INTO user (username) VALUES (?)", {Variant("TOM")});
    ADD_FAILURE() << "a second Tom was registered";
  } catch (const CallError& e) {
    EXPECT_EQ(e.code(), ErrorCode::kDatabase);
  }
  EXPECT_EQ(Count("SELECT count(*) AS n FROM user"), 1);

  // The other name columns that lookups and counts compare.
  db_->Execute("INSERT INTO vrecord (username, temp_level) VALUES ('Tom', 8)");
  db_->Execute("INSERT INTO calls (towho, calltime) VALUES ('Tom', now())");
  db_->Execute("INSERT INTO friendrq (who, towho, sub_time) VALUES ('Ann', 'Tom', now())");
  db_->Execute("INSERT INTO guestbook (towho, post_time) VALUES ('Tom', now())");
  db_->Execute("INSERT INTO ip_lock (ip, end_time) VALUES ('abc::1', now())");
  for (const char* query :
       {"SELECT count(*) AS n FROM vrecord WHERE username = 'TOM'",
        "SELECT count(*) AS n FROM calls WHERE towho = 'tom' AND read = 0",
        "SELECT count(*) AS n FROM friendrq WHERE towho = 'tom' AND who = 'ANN'",
        "SELECT count(*) AS n FROM guestbook WHERE towho = 'TOM'",
        "SELECT count(*) AS n FROM ip_lock WHERE ip = 'ABC::1'",
        "SELECT count(*) AS n FROM action WHERE act_name = 'HI'",
        "SELECT count(*) AS n FROM sysparam WHERE alias = 'MaxTalk'"}) {
    EXPECT_EQ(Count(query), 1) << query;
  }
}

TEST_F(SchemaTest, SeedsEveryConfigurationKey) {
  // Every value the engine reads as a number is one.
  const std::vector<std::string> numbers = Split(
      "maxtalk maxsayslength minsayslength l_title titlelength l_allhtml l_tt l_delroom "
      "nosaytimeout dontsavevalue listreftime disableproxy maxpeople namelength maxnamelength "
      "newusernum disablenewuser friendtimeout calltimeout autoclearmanagelog managelogtimeout "
      "autocleargb gbtimeout autoclearusername usernameoncetimeout usernametimeout roomautoclear "
      "roomkeepexp roomtimeout roomexpperday enablesaysfilter visitor",
      " ");
  for (const std::string& alias : numbers) {
    EXPECT_TRUE(Variant(Param(alias)).IsNumeric()) << alias << " = " << Param(alias);
  }
  EXPECT_EQ(Param("visitor"), "0");
  // The minute limits leave a positive client countdown (limit - 3).
  EXPECT_GT(std::stoi(Param("nosaytimeout")), 3);
  EXPECT_GT(std::stoi(Param("dontsavevalue")) / 2, 3);

  for (const char* alias : {"saysfilterstr", "usernamefilter", "usernameenable", "user"}) {
    EXPECT_NE(Param(alias), "") << alias;
  }
  // An empty piece in a filter list would match every text.
  for (const char* alias : {"saysfilterstr", "usernamefilter"}) {
    for (const std::string& word : Split(Param(alias), ",")) EXPECT_NE(word, "") << alias;
  }

  const std::vector<std::string> hours = Split(Param("hour24"), ",");
  ASSERT_EQ(hours.size(), 25u);
  for (const std::string& hour : hours) EXPECT_EQ(hour, "0");

  // Registration takes background colour 0 and face colours 0 and 1.
  EXPECT_GE(Split(Param("facecolorstr"), " ").size(), 2u);
  EXPECT_NE(Split(Param("backgroudcolorstr"), " ")[0], "");

  for (const char* alias : {"enterchatshow", "reentershow", "enterroomshow", "exitroomshow"}) {
    const std::vector<std::string> parts = Split(Param(alias), "::");
    ASSERT_EQ(parts.size(), 3u) << alias;
    EXPECT_NE(parts[0].find("##"), std::string::npos) << alias;
    EXPECT_NE(parts[1], "") << alias;
  }

  // One row per key: the counters are updated by alias.
  EXPECT_EQ(Count("SELECT count(*) AS n FROM (SELECT alias FROM sysparam GROUP BY alias "
                  "HAVING count(*) > 1)"),
            0);
}

TEST_F(SchemaTest, SeedsRoomsActionsAnswersAndNews) {
  // Room 1, where a login without a room goes, is the lobby, open to all.
  std::unique_ptr<RecordSet> rooms = db_->Execute("SELECT * FROM room ORDER BY ID");
  ASSERT_FALSE(rooms->eof());
  EXPECT_EQ(rooms->Field("ID").ToLong(), 1);
  EXPECT_EQ(rooms->Field("room_name").view(), "大厅");
  EXPECT_LE(rooms->Field("permit_level").ToLong(), 1);
  EXPECT_NE(rooms->Field("door_open").ToLong(), 0);
  int robots = 0;
  int count = 0;
  for (; !rooms->eof(); rooms->MoveNext(), ++count) {
    if (rooms->Field("room_auto").ToText() != "") ++robots;
    // Written bare into the chat page's script, so they must be numbers.
    for (const char* column : {"room_tt", "room_html", "room_exp"}) {
      EXPECT_TRUE(rooms->Field(column).IsNumeric()) << column;
    }
    EXPECT_EQ(rooms->Field("room_time").ToDate(), env_.Now());
    EXPECT_EQ(rooms->Field("build_time").ToDate(), env_.Now());
    // Seeded rooms are kept, so the daily expiry never deletes them.
    EXPECT_EQ(rooms->Field("room_keep").ToLong(), 1);
  }
  EXPECT_GE(count, 3);
  EXPECT_GE(robots, 1);

  EXPECT_EQ(Count("SELECT count(*) AS n FROM action"), 12);
  std::unique_ptr<RecordSet> actions = db_->Execute("SELECT * FROM action");
  for (; !actions->eof(); actions->MoveNext()) {
    for (const char* mode : {"toall", "toself", "toother"}) {
      EXPECT_NE(actions->Field(mode).ToText().find("##"), std::string::npos)
          << actions->Field("act_name").ToText() << " " << mode;
    }
  }

  std::unique_ptr<RecordSet> answers =
      db_->Execute("SELECT id, text_body FROM autoact ORDER BY id");
  for (int id = 1; id <= 12; ++id, answers->MoveNext()) {
    ASSERT_FALSE(answers->eof());
    EXPECT_EQ(answers->Field("id").ToLong(), id);
    EXPECT_NE(answers->Field("text_body").ToText(), "");
  }
  EXPECT_TRUE(answers->eof());

  std::unique_ptr<RecordSet> news = db_->Execute("SELECT * FROM scrollad ORDER BY ID DESC");
  ASSERT_FALSE(news->eof());
  for (; !news->eof(); news->MoveNext()) {
    EXPECT_NE(news->Field("ad_title").ToText(), "");
    EXPECT_NE(news->Field("ad_link").ToText(), "");
  }
}

// The statements the engine runs, with their values bound, work on the schema
// and on what a registration leaves in a row.
TEST_F(SchemaTest, RunsTheEngineStatements) {
  const Variant now(env_.Now());
  db_->Execute(
      "INSERT INTO user (username,passwd,headface,sex,log_time,user_level,first_ip,last_ip,"
      "visit_num,in_time,out_info,exp_num,out_time,f_size,l_height,n_color,s_color,bgcolor) "
      "VALUES (?,?,1010,0,?,1,?,?,1,?,0,0,?,4,6,3,5,?)",
      {Variant("ann"), Variant("pw"), now, Variant("10.0.0.1"), Variant("10.0.0.1"), now, now,
       Variant("#FFFFFF:#336699:#D6E4F2")});
  std::unique_ptr<RecordSet> ann = db_->Execute("select * from user where username=?", {"ANN"});
  ASSERT_FALSE(ann->eof());
  EXPECT_EQ(ann->Field("saved").ToLong(), 0);
  EXPECT_EQ(ann->Field("friends").ToText(), "");
  EXPECT_EQ(ann->Field("out_time").type(), Variant::Type::kDate);
  EXPECT_EQ(Count("SELECT count(*) as n FROM user WHERE first_ip=? and "
                  "datediff('n',log_time,?)<10",
                  {Variant("10.0.0.1"), now}),
            1);

  // A stale one-time visitor goes; ann, who was here today, stays.
  db_->Execute("INSERT INTO user (username, visit_num, out_time) VALUES ('old', 1, ?)",
               {Variant("2025-01-01 08:00:00")});
  const char* stale =
      "((visit_num<2 AND datediff('d',out_time,now())>?) or "
      "(visit_num>1 AND datediff('d',out_time,now())>?)) and saved=0";
  EXPECT_EQ(Count(std::string("select count(*) as n from user where ") + stale,
                  {Variant(30), Variant(180)}),
            1);
  db_->Execute(std::string("DELETE FROM user WHERE ") + stale, {Variant(30), Variant(180)});
  EXPECT_EQ(Count("SELECT count(*) AS n FROM user"), 1);

  EXPECT_FALSE(db_->Execute("select toall from action where act_name=?", {"hug"})->eof());
  db_->Execute("INSERT INTO calls (towho, calltime, read) VALUES ('ANN', ?, 0)", {now});
  EXPECT_EQ(Count("select count(*) as n from calls where (towho='大家' and "
                  "datediff('s',calltime,?)<0) or (towho=? and read=0)",
                  {now, "ann"}),
            1);
  db_->Execute("update sysparam set body=? where alias='hour24'", {Variant("1,0")});
  EXPECT_EQ(Param("hour24"), "1,0");
  db_->Execute("update room set room_keep=1 where room_keep=0 and room_exp>?", {Variant(1000)});
  EXPECT_EQ(Count("select count(*) as n from room where DATEDIFF('n',room_time,now())>"
                  "(?+ room_exp -(?*DATEDIFF('d',build_time,now()))) AND room_keep=0",
                  {Variant(1440), Variant(60)}),
            0);
  db_->Execute("INSERT INTO record (stype,occ_time,occ_env) VALUES (57,?,?)",
               {now, Variant("系统>系统> >[old]>自动>长时间不访问被自动清除 ！>清除用户%%")});
  EXPECT_EQ(Count("SELECT count(*) AS n FROM record WHERE DATEDIFF('d',occ_time,now())>30"), 0);
}

}  // namespace
}  // namespace tavolin
