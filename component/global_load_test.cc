// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "component/live_state.h"
#include "component/schema.h"
#include "component/settings_check.h"
#include "tavolin/database.h"
#include "tavolin/error.h"
#include "testing/chat_test_env.h"

namespace tavolin {
namespace {

using testing::ChatTestEnv;

TEST(GlobalLoadTest, LoadsConfigurationCountsAndRooms) {
  ChatTestEnv chat("chat1");
  chat.Exec("DELETE FROM room");
  chat.Exec(
      "INSERT INTO room (ID, room_name, room_owner, room_auto, room_des, room_keep, room_time, "
      "room_exp, build_time, permit_level, door_open, room_top, room_title, room_tt, room_html) "
      "VALUES (5, 'hall', 'ann', 'bot', 'd', 1, '2026-03-01 09:08:07', 12, "
      "'2026-01-02 03:04:05', 2, 1, NULL, NULL, NULL, NULL), (3, 'garden', NULL, NULL, NULL, "
      "NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
  chat.SetParam("maxtalk", "200");
  chat.SetParam("Greeting", "hello");

  EXPECT_TRUE(chat.NewObject()->InitGlobal(chat.app()).is_empty());  // not an empty text
  EXPECT_EQ(chat.Get("_maxtalk").ToText() + chat.Get("_greeting").ToText(), "200hello");
  EXPECT_EQ(chat.Get("_init").ToText(), "true");
  EXPECT_EQ(chat.Get("_autosay_count").ToLong(), 12);  // the seeded answers
  EXPECT_EQ(chat.Get("_chatroomclock").ToDate(), chat.clock().Now());
  const VariantArray& votes = chat.Get("_votes").array();
  EXPECT_EQ(votes.upper_bound(), 9);
  EXPECT_EQ(votes.at(0).ToLong(), 0);
  EXPECT_TRUE(votes.at(1).is_empty());
  // A ring of maxtalk + 1 lines of six cells, the first cell of each 0.
  const VariantArray& says = chat.Get("_says").array();
  EXPECT_EQ(says.upper_bound(1) * 10 + says.upper_bound(2), 2005);
  EXPECT_EQ(says.at(200, 0).ToLong(), 0);
  EXPECT_TRUE(says.at(200, 5).is_empty());
  EXPECT_EQ(chat.Get("_current").ToLong(), 0);
  EXPECT_EQ(chat.lists().Users(), "");
  // Ascending ID, every column as text, nulls empty, occupants and guests empty.
  EXPECT_EQ(chat.lists().Rooms(),
            "<$3$>garden$>$>$>$>$>$>$>$>$>$>$>$>$>$>$>$><$3$>"
            "<$5$>hall$>ann$>bot$>d$>$>$>1$>2026-03-01 09:08:07$>$>$>12$>2026-01-02 03:04:05"
            "$>$>$>2$>1$><$5$>");
  // Without a prefix nothing lands under the bare keys.
  EXPECT_TRUE(chat.app().Get("_init").is_empty());
}

TEST(GlobalLoadTest, EmptyTablesAndNewsLinksKeepingTheSixNewestTrimmed) {
  ChatTestEnv chat;
  chat.Exec("DELETE FROM scrollad");
  chat.Exec("DELETE FROM room");
  chat.SetParam("maxtalk", "0");
  {
    ApplicationLock lock(chat.app());
    LiveStateOf(chat.app(), "")->AppendUser(LiveRecord("ann", {"x"}));
  }
  auto object = chat.NewObject();
  object->InitGlobal(chat.app());
  EXPECT_EQ(chat.Get("_bbss").ToText(), "");                   // an empty text, not an empty array
  EXPECT_EQ(chat.Get("_says").array().upper_bound(1), 0);      // a ring of one line
  EXPECT_EQ(chat.lists().Rooms() + chat.lists().Users(), "");  // the live state is reset

  for (int id = 1; id <= 8; ++id) {
    chat.Exec("INSERT INTO scrollad (ID, ad_title, ad_link) VALUES (?, ?, ?)",
              {id, " title " + std::to_string(id) + " ", "  http://n/" + std::to_string(id)});
  }
  object->InitGlobal(chat.app());  // a second load on the same object reuses its connection
  const VariantArray& links = chat.Get("_bbss").array();
  ASSERT_EQ(links.upper_bound(1) * 10 + links.upper_bound(2), 51);
  EXPECT_EQ(links.at(0, 1).ToText() + links.at(0, 0).ToText(), "title 8http://n/8");
  EXPECT_EQ(links.at(5, 1).ToText(), "title 3");
}

TEST(GlobalLoadTest, FailuresEndTheCallAndKeepEarlierWrites) {
  // A ring setting it cannot build from is named; the configuration stays.
  for (const std::string bad : {"many", "-1", "40000"}) {
    ChatTestEnv chat;
    chat.SetParam("maxtalk", bad);
    try {
      chat.NewObject()->InitGlobal(chat.app());
      ADD_FAILURE() << bad;
    } catch (const CallError& e) {
      EXPECT_TRUE(std::string(e.what()).starts_with("setting maxtalk is '" + bad + "'"))
          << e.what();
    }
    EXPECT_EQ(chat.Get("_init").ToText(), "true");
    EXPECT_TRUE(chat.Get("_says").is_empty());
  }
  Application no_database;
  EXPECT_THROW(Corvane().InitGlobal(no_database), CallError);
  EXPECT_TRUE(no_database.Get("_init").is_empty());

  // Hostile setting names and values are bound, not pasted into commands.
  ChatTestEnv chat;
  chat.SetParam("x' OR '1'='1", "v'); DROP TABLE room; --");
  chat.NewObject()->InitGlobal(chat.app());
  EXPECT_EQ(chat.Get("_x' OR '1'='1").ToText(), "v'); DROP TABLE room; --");
  EXPECT_FALSE(chat.lists().Rooms().empty());
}

class SchemaTest : public ::testing::Test {
 protected:
  int Count(const std::string& query) { return db_->Execute(query)->Field("n").ToLong(); }

  ManualClockEnv env_{DateTime::FromCivil(2026, 3, 4, 10, 0, 0)};
  std::unique_ptr<Connection> db_ = OpenConnection("sqlite::memory:", &env_, ChatSchemaScript());
};

TEST_F(SchemaTest, NamesCompareWithoutLetterCaseAndNewUsersGetDefaults) {
  db_->Execute("INSERT INTO user (username, passwd, log_time) VALUES ('Tom', 'x', now())");
  EXPECT_THROW(db_->Execute("INSERT INTO user (username) VALUES ('TOM')"), CallError);
  db_->Execute("INSERT INTO vrecord (username, temp_level) VALUES ('Tom', 8)");
  db_->Execute("INSERT INTO calls (towho, calltime) VALUES ('Tom', now())");
  db_->Execute("INSERT INTO friendrq (who, towho, sub_time) VALUES ('Ann', 'Tom', now())");
  db_->Execute("INSERT INTO guestbook (towho, post_time) VALUES ('Tom', now())");
  db_->Execute("INSERT INTO ip_lock (ip, end_time) VALUES ('abc::1', now())");
  // The name columns that lookups and counts compare; a new user's defaults.
  for (const char* query :
       {"SELECT count(*) AS n FROM user WHERE username = 'tOM' AND saved = 0 AND friends = '' "
        "AND log_time = '2026-03-04 10:00:00'",
        "SELECT count(*) AS n FROM vrecord WHERE username = 'TOM'",
        "SELECT count(*) AS n FROM calls WHERE towho = 'tom' AND read = 0",
        "SELECT count(*) AS n FROM friendrq WHERE towho = 'tom' AND who = 'ANN'",
        "SELECT count(*) AS n FROM guestbook WHERE towho = 'TOM'",
        "SELECT count(*) AS n FROM ip_lock WHERE ip = 'ABC::1'",
        "SELECT count(*) AS n FROM action WHERE act_name = 'HI'",
        "SELECT count(*) AS n FROM sysparam WHERE alias = 'MaxTalk'"}) {
    EXPECT_EQ(Count(query), 1) << query;
  }
}

TEST_F(SchemaTest, SeedsUsableSettingsRoomsActionsAnswersAndNews) {
  // The minute limits leave a positive client countdown (limit - 3); one row
  // per key, since the counters are updated by alias.
  EXPECT_EQ(
      Count("SELECT count(*) AS n FROM sysparam WHERE (alias = 'nosaytimeout' AND body > 3) "
            "OR (alias = 'dontsavevalue' AND body / 2 > 3) OR (alias = 'visitor' AND body = '0')"),
      3);
  EXPECT_EQ(Count("SELECT count(DISTINCT alias) - count(*) AS n FROM sysparam"), 0);
  // Room 1, where a login without a room goes, is the lobby, open to all.
  EXPECT_EQ(
      Count("SELECT count(*) AS n FROM room WHERE ID = 1 AND permit_level <= 1 AND door_open <> 0"),
      1);
  // Every room: numbers where the chat page's script takes them bare, built
  // now, kept so that the daily expiry never deletes it.
  for (auto rooms = db_->Execute("SELECT * FROM room"); !rooms->eof(); rooms->MoveNext()) {
    for (const char* column : {"room_tt", "room_html", "room_exp"}) {
      EXPECT_TRUE(rooms->Field(column).IsNumeric()) << column;
    }
  }
  EXPECT_EQ(Count("SELECT count(*) AS n FROM room WHERE build_time <> '2026-03-04 10:00:00' "
                  "OR room_keep <> 1"),
            0);
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

using Settings = std::vector<std::pair<std::string, Variant>>;

// Checks the loaded settings changed by `settings`, then puts them back: the
// error, or "" when the check accepts them.
std::string CheckWith(testing::ChatTestEnv& chat, const Settings& settings = {}) {
  Settings before;
  for (const auto& [alias, value] : settings) {
    before.emplace_back(alias, chat.Get("_" + alias));
    chat.Set("_" + alias, value);
  }
  std::string error;
  try {
    CheckSettings(chat.app(), chat.prefix());
  } catch (const CallError& e) {
    EXPECT_EQ(e.code(), ErrorCode::kInvalidProcedureCall);
    error = e.what();
  }
  for (auto it = before.rbegin(); it != before.rend(); ++it) chat.Set("_" + it->first, it->second);
  return error;
}

// The pieces of `text` between `separator`s.
std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> pieces(1);
  for (char c : text) c == separator ? void(pieces.emplace_back()) : pieces.back().push_back(c);
  return pieces;
}

// Settings written "alias=value&alias=value"; the value "(Null)" is Null and
// "(Empty)" is Empty.
Settings Parse(const std::string& text) {
  Settings settings;
  for (const std::string& setting : Split(text, '&')) {
    const size_t split = setting.find('=');
    const std::string value = setting.substr(split + 1);
    settings.emplace_back(setting.substr(0, split), value == "(Null)"    ? Variant::Null()
                                                    : value == "(Empty)" ? Variant()
                                                                         : Variant(value));
  }
  return settings;
}

TEST(SettingsCheckTest, RefusesEachValueThatWouldFailEveryRequestOfAKind) {
  testing::ChatTestEnv chat("p");
  chat.NewObject()->InitGlobal(chat.app());
  EXPECT_EQ(CheckWith(chat), "");  // the seeded settings
  const std::string hours = "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,";
  // The error names the first setting and its value. The other day limits
  // count while their job is switched on, as it is in the seeded settings;
  // a name length beyond the longest allowed name is refused by its own name.
  const std::string refused =
      "maxtalk=-1|maxtalk=32768|maxtalk=many|nosaytimeout=-1|nosaytimeout=|dontsavevalue=1e10|"
      "maxsayslength=0|minsayslength=one|listreftime=(Null)|l_tt=admin|l_allhtml=9x|l_title= |"
      "titlelength=4e9|l_delroom=high|disableproxy=yes|maxpeople=-1|namelength=two|"
      "maxnamelength=|namelength=11&maxnamelength=5|namelength=21&maxnamelength=20|"
      "usernamefilter=a,,b|usernamefilter=a,|newusernum=many|facecolorstr=#111|"
      "backgroudcolorstr=|enterchatshow=hi::red|reentershow=(Empty)|enterroomshow=in|"
      "exitroomshow=out::1|visitor=lots|hour24=0,0,0|hour24=" +
      hours + "24|hour24=x," + hours.substr(2) +
      "5|friendtimeout=7 or 1=1|calltimeout=|calltimeout=  |"
      "calltimeout=(Null)|managelogtimeout=x|gbtimeout=x|usernameoncetimeout=x|roomexpperday=x";
  for (const std::string& settings_text : Split(refused, '|')) {
    const Settings settings = Parse(settings_text);
    const auto& [alias, value] = settings.front();
    const std::string error = CheckWith(chat, settings);
    EXPECT_TRUE(error.starts_with("setting " + alias + " is '" +
                                  (value.is_null() ? "Null" : value.ToText()) + "'"))
        << settings_text << ": " << error;
  }
  const std::string accepted =
      "maxtalk=0|maxtalk=32767|nosaytimeout=(Empty)|nosaytimeout=0.5|l_delroom=  |usernamefilter=|"
      "hour24=" +
      hours +
      "23|namelength=4&maxnamelength=2|autoclearmanagelog=0&managelogtimeout=x|"
      "autoclearusername=&usernametimeout=x|roomautoclear=no&roomkeepexp=";
  for (const std::string& settings_text : Split(accepted, '|')) {
    EXPECT_EQ(CheckWith(chat, Parse(settings_text)), "") << settings_text;
  }
}

}  // namespace
}  // namespace tavolin
