// Copyright Tavolin developers.
//
// Start-up: the seeded schema, the load of settings and lists, and the check
// that refuses settings every request of a kind would fail on.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "component/live_state.h"
#include "component/settings_check.h"
#include "tavolin/error.h"
#include "testing/chat_test_env.h"

namespace tavolin {
namespace {

using testing::ChatTestEnv;

TEST(SchemaTest, SeedsUsableRowsAndComparesNamesWithoutLetterCase) {
  ChatTestEnv chat;
  chat.Exec("INSERT INTO user (username, passwd, log_time) VALUES ('Tom', 'x', now())");
  EXPECT_THROW(chat.Exec("INSERT INTO user (username) VALUES ('TOM')"), CallError);
  chat.Exec("INSERT INTO vrecord (username, temp_level) VALUES ('Tom', 8)");
  chat.Exec("INSERT INTO calls (towho, calltime) VALUES ('Tom', now())");
  chat.Exec("INSERT INTO friendrq (who, towho, sub_time) VALUES ('Ann', 'Tom', now())");
  chat.Exec("INSERT INTO guestbook (towho, post_time) VALUES ('Tom', now())");
  chat.Exec("INSERT INTO ip_lock (ip, end_time) VALUES ('abc::1', now())");
  const std::pair<const char*, int> counts[] = {
      // The name columns that lookups and counts compare; a new user's defaults.
      {"user WHERE username = 'tOM' AND saved = 0 AND friends = '' "
       "AND log_time = '2026-03-04 10:00:00'",
       1},
      {"vrecord WHERE username = 'TOM'", 1},
      {"calls WHERE towho = 'tom' AND read = 0", 1},
      {"friendrq WHERE towho = 'tom' AND who = 'ANN'", 1},
      {"guestbook WHERE towho = 'TOM'", 1},
      {"ip_lock WHERE ip = 'ABC::1'", 1},
      {"action WHERE act_name = 'HI'", 1},
      {"sysparam WHERE alias = 'MaxTalk'", 1},
      // One row per key, since the counters are updated by alias.
      {"sysparam GROUP BY alias HAVING count(*) > 1", 0},
      // The minute limits leave a positive client countdown (limit - 3).
      {"sysparam WHERE (alias = 'nosaytimeout' AND body > 3) OR "
       "(alias = 'dontsavevalue' AND body / 2 > 3) OR (alias = 'visitor' AND body = '0')",
       3},
      // Room 1, where a login without a room goes, is the lobby, open to all;
      // rooms are built now and kept, so the daily expiry never deletes them.
      {"room WHERE ID = 1 AND permit_level <= 1 AND door_open <> 0", 1},
      {"room WHERE build_time <> '2026-03-04 10:00:00' OR room_keep <> 1", 0},
      {"room WHERE room_auto <> '' LIMIT 1", 1},
      {"action WHERE toall LIKE '%##%' AND toself LIKE '%##%' AND toother LIKE '%##%'", 12},
      // The robot's answers are numbered from 1 without a gap.
      {"autoact WHERE text_body <> '' AND ID BETWEEN 1 AND 12", 12},
      {"autoact", 12},
      {"scrollad WHERE ad_title <> '' AND ad_link <> '' LIMIT 1", 1},
  };
  for (const auto& [rows, expected] : counts) {
    const std::string query = "SELECT count(*) AS n FROM (SELECT 1 FROM " + std::string(rows) + ")";
    EXPECT_EQ(chat.db().Execute(query)->Field("n").ToLong(), expected) << rows;
  }
  // Written bare into the chat page's script, so they must be numbers.
  for (auto rooms = chat.db().Execute("SELECT * FROM room"); !rooms->eof(); rooms->MoveNext()) {
    for (const char* column : {"room_tt", "room_html", "room_exp"}) {
      EXPECT_TRUE(rooms->Field(column).IsNumeric()) << column;
    }
  }
}

TEST(GlobalLoadTest, LoadsConfigurationCountsAndRooms) {
  ChatTestEnv chat("chat1");
  chat.Exec("DELETE FROM room");
  chat.Exec(
      "INSERT INTO room (ID, room_name, room_owner, room_auto, room_des, room_keep, room_time, "
      "room_exp, build_time, permit_level, door_open, room_top, room_title, room_tt, room_html) "
      "VALUES (5, 'hall', 'ann', 'bot', 'd', 1, '2026-03-01 09:08:07', 12, '2026-01-02 03:04:05', "
      "2, 1, NULL, NULL, NULL, NULL), (3, 'garden', NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
      "NULL, NULL, NULL, NULL, NULL, NULL)");
  chat.SetParam("maxtalk", "200");
  chat.SetParam("Greeting", "hello");

  EXPECT_TRUE(chat.NewObject()->InitGlobal(chat.app()).is_empty());  // not an empty text
  EXPECT_EQ(chat.Get("_maxtalk").ToText() + chat.Get("_greeting").ToText(), "200hello");
  EXPECT_EQ(chat.Get("_init").ToText(), "true");
  EXPECT_EQ(chat.Get("_autosay_count").ToLong(), 12);  // the seeded answers
  EXPECT_EQ(chat.Get("_chatroomclock").ToDate(), chat.clock().Now());
  const VariantArray& votes = chat.Get("_votes").array();
  EXPECT_EQ(votes.upper_bound(), 9);
  EXPECT_TRUE(votes.at(0).ToLong() == 0 && votes.at(1).is_empty());
  // A ring of maxtalk + 1 lines of six cells, the first cell of each 0.
  const VariantArray& says = chat.Get("_says").array();
  EXPECT_EQ(says.upper_bound(1) * 10 + says.upper_bound(2), 2005);
  EXPECT_TRUE(says.at(200, 0).ToLong() == 0 && says.at(200, 5).is_empty());
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
  EXPECT_EQ(links.at(0, 1).ToText() + links.at(0, 0).ToText() + links.at(5, 1).ToText(),
            "title 8http://n/8title 3");
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
      EXPECT_TRUE(std::string(e.what()).starts_with("setting maxtalk is '" + bad + "'"));
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

// The pieces of `text` between `separator`s.
std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> pieces(1);
  for (char c : text) c == separator ? void(pieces.emplace_back()) : pieces.back().push_back(c);
  return pieces;
}

// The error of CheckSettings on the seeded settings changed by `changes`
// ("alias=value&alias=value", "(Null)" and "(Empty)" for those values), or ""
// when it accepts them.
std::string CheckWith(ChatTestEnv& chat, const std::string& changes) {
  Application settings;
  for (auto rows = chat.db().Execute("SELECT * FROM sysparam"); !rows->eof(); rows->MoveNext()) {
    settings.Set("_" + rows->Field("alias").ToText(), rows->Field("body"));
  }
  for (const std::string& change : Split(changes, '&')) {
    const size_t split = change.find('=');
    const std::string value = change.substr(split + 1);
    settings.Set("_" + change.substr(0, split), value == "(Null)"    ? Variant::Null()
                                                : value == "(Empty)" ? Variant()
                                                                     : Variant(value));
  }
  try {
    CheckSettings(settings, "");
  } catch (const CallError& e) {
    EXPECT_EQ(e.code(), ErrorCode::kInvalidProcedureCall);
    return e.what();
  }
  return "";
}

TEST(SettingsCheckTest, RefusesEachValueThatWouldFailEveryRequestOfAKind) {
  ChatTestEnv chat;
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
      "exitroomshow=out::1|visitor=lots|hour24=0,0,0|friendtimeout=7 or 1=1|calltimeout=|"
      "hour24=0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,24|calltimeout=  |"
      "hour24=x,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,5|calltimeout=(Null)|"
      "managelogtimeout=x|gbtimeout=x|usernameoncetimeout=x|roomexpperday=x";
  for (const std::string& changes : Split(refused, '|')) {
    const std::string first = changes.substr(0, changes.find('&'));
    const size_t split = first.find('=');
    std::string value = first.substr(split + 1);
    value = value == "(Null)" ? "Null" : value == "(Empty)" ? "" : value;
    const std::string error = CheckWith(chat, changes);
    EXPECT_TRUE(error.starts_with("setting " + first.substr(0, split) + " is '" + value + "'"))
        << changes << ": " << error;
  }
  const std::string accepted =
      "|maxtalk=0|maxtalk=32767|nosaytimeout=(Empty)|nosaytimeout=0.5|l_delroom=  |"
      "usernamefilter=|hour24=0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,23|"
      "namelength=4&maxnamelength=2|autoclearmanagelog=0&managelogtimeout=x|"
      "autoclearusername=&usernametimeout=x|roomautoclear=no&roomkeepexp=";
  for (const std::string& changes : Split(accepted, '|')) {
    EXPECT_EQ(CheckWith(chat, changes), "") << changes;
  }
}

}  // namespace
}  // namespace tavolin
