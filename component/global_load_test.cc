// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "component/live_state.h"
#include "component/settings_check.h"
#include "tavolin/error.h"
#include "testing/chat_test_env.h"
#include "text/strings.h"

namespace tavolin {
namespace {

using testing::ChatTestEnv;
using text::Join;
using text::Split;

// The code and message of the CallError `action` ends with ("5 ..." for an invalid call), or "".
template <typename Action>
std::string ErrorText(Action action) {
  try {
    action();
  } catch (const CallError& e) {
    return std::to_string(static_cast<int>(e.code())) + " " + e.what();
  }
  return "";
}

class GlobalLoadTest : public ::testing::Test {
 protected:
  // The number of rows of each `from` ("table WHERE ..."), joined by blanks.
  std::string Counts(const std::vector<std::string>& froms) {
    std::string counts;
    for (const std::string& from : froms) {
      const std::string query = "SELECT count(*) AS n FROM (SELECT 1 FROM " + from + ") AS r";
      counts += chat_.db().Execute(query)->Field("n").ToText() + " ";
    }
    return counts;
  }

  ChatTestEnv chat_;
};

TEST_F(GlobalLoadTest, SchemaSeedsUsableRowsAndComparesNamesWithoutLetterCase) {
  chat_.Exec("INSERT INTO user (username, passwd, log_time) VALUES ('Tom', 'x', now())");
  EXPECT_THROW(chat_.Exec("INSERT INTO user (username) VALUES ('TOM')"), CallError);
  chat_.Exec("INSERT INTO vrecord (username, temp_level) VALUES ('Tom', 8)");
  chat_.Exec("INSERT INTO calls (towho, calltime) VALUES ('Tom', now())");
  chat_.Exec("INSERT INTO friendrq (who, towho, sub_time) VALUES ('Ann', 'Tom', now())");
  chat_.Exec("INSERT INTO guestbook (towho, post_time) VALUES ('Tom', now())");
  chat_.Exec("INSERT INTO ip_lock (ip, end_time) VALUES ('abc::1', now())");
  // Name columns compare without case; a new user's defaults; one sysparam row per alias; minute
  // limits leave a positive countdown (limit - 3); room 1 (the lobby) is open to all; rooms are
  // kept, so the daily expiry never deletes them; the robot's answers are numbered 1 to 12.
  EXPECT_EQ(
      Counts({"user WHERE username = 'tOM' AND saved = 0 AND friends = '' AND log_time = now()",
              "vrecord WHERE username = 'TOM'", "calls WHERE towho = 'tom' AND read = 0",
              "friendrq WHERE towho = 'tom' AND who = 'ANN'", "guestbook WHERE towho = 'TOM'",
              "ip_lock WHERE ip = 'ABC::1'", "action WHERE act_name = 'HI'",
              "sysparam WHERE alias = 'MaxTalk'", "sysparam GROUP BY alias HAVING count(*) > 1",
              "sysparam WHERE (alias = 'nosaytimeout' AND CAST(body AS INTEGER) > 3) OR (alias = "
              "'dontsavevalue' AND CAST(body AS INTEGER) / 2 > 3) OR (alias = 'visitor' AND body = "
              "'0')",
              "room WHERE ID = 1 AND permit_level <= 1 AND door_open <> 0",
              "room WHERE build_time <> now() OR room_keep <> 1",
              "room WHERE room_auto <> '' LIMIT 1",
              "action WHERE toall LIKE '%##%' AND toself LIKE '%##%' AND toother LIKE '%##%'",
              "autoact WHERE text_body <> '' AND ID BETWEEN 1 AND 12", "autoact",
              "scrollad WHERE ad_title <> '' AND ad_link <> '' LIMIT 1"}),
      "1 1 1 1 1 1 1 1 0 3 1 0 1 12 12 12 1 ");
  // Written bare into the chat page's script, so they must be numbers.
  for (auto room = chat_.db().Execute("SELECT * FROM room"); !room->eof(); room->MoveNext()) {
    EXPECT_TRUE(room->Field("room_tt").IsNumeric() && room->Field("room_html").IsNumeric() &&
                room->Field("room_exp").IsNumeric());
  }
}

TEST_F(GlobalLoadTest, LoadsConfigurationCountsAndRooms) {
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
  // A ring of maxtalk + 1 lines of six cells, the first cell of each 0; 12 seeded answers.
  const VariantArray &votes = chat.Get("_votes").array(), &says = chat.Get("_says").array();
  EXPECT_EQ(
      Join({chat.Get("_maxtalk").ToText(), chat.Get("_greeting").ToText(),
            chat.Get("_init").ToText(), chat.Get("_autosay_count").ToText(),
            chat.Get("_chatroomclock").ToText(), std::to_string(votes.upper_bound()),
            votes.at(0).ToText(), votes.at(1).ToText(), std::to_string(says.upper_bound(1)),
            std::to_string(says.upper_bound(2)), says.at(200, 0).ToText(), says.at(200, 5).ToText(),
            chat.Get("_current").ToText(), chat.lists().Users(), chat.app().Get("_init").ToText()},
           " "),
      "200 hello true 12 2026-03-04 10:00:00 9 0  200 5 0  0  ");
  EXPECT_TRUE(votes.at(1).is_empty() && says.at(200, 5).is_empty());
  // Ascending ID, every column as text, nulls empty, occupants and guests empty.
  EXPECT_EQ(chat.lists().Rooms(),
            "<$3$>garden$>$>$>$>$>$>$>$>$>$>$>$>$>$>$>$><$3$>"
            "<$5$>hall$>ann$>bot$>d$>$>$>1$>2026-03-01 09:08:07$>$>$>12$>2026-01-02 03:04:05"
            "$>$>$>2$>1$><$5$>");
}

TEST_F(GlobalLoadTest, EmptyTablesAndNewsLinksKeepingTheSixNewestTrimmed) {
  // A database of a version before the temporary levels' end gets the column at the load.
  chat_.Exec("ALTER TABLE vrecord DROP COLUMN end_time");
  chat_.Exec("DELETE FROM scrollad");
  chat_.Exec("DELETE FROM room");
  chat_.SetParam("maxtalk", "0");
  {
    ApplicationLock lock(chat_.app());
    LiveStateOf(chat_.app(), "")->AppendUser(LiveRecord("ann", {"x"}));
  }
  auto object = chat_.NewObject();
  object->InitGlobal(chat_.app());
  // An empty text, not an empty array; a ring of one line; the live state reset.
  EXPECT_EQ(chat_.Get("_bbss").ToText() + "|" +
                std::to_string(chat_.Get("_says").array().upper_bound(1)) + "|" +
                chat_.lists().Rooms() + chat_.lists().Users(),
            "|0|");
  for (int id = 1; id <= 8; ++id) {
    chat_.Exec("INSERT INTO scrollad (ID, ad_title, ad_link) VALUES (?, ?, ?)",
               {id, " title " + std::to_string(id) + " ", "  http://n/" + std::to_string(id)});
  }
  object->InitGlobal(chat_.app());  // a second load on the same object reuses its connection
  EXPECT_NO_THROW(chat_.Exec("SELECT end_time FROM vrecord"));
  const VariantArray& links = chat_.Get("_bbss").array();
  ASSERT_EQ(links.upper_bound(1) * 10 + links.upper_bound(2), 51);
  EXPECT_EQ(links.at(0, 1).ToText() + links.at(0, 0).ToText() + links.at(5, 1).ToText(),
            "title 8http://n/8title 3");
}

TEST_F(GlobalLoadTest, FailuresEndTheCallAndKeepEarlierWritesAndSettingsAreBound) {
  // A ring setting it cannot build from is named; the configuration stays.
  for (const std::string bad : {"many", "-1", "40000"}) {
    chat_.SetParam("maxtalk", bad);
    chat_.Set("_init", Variant());
    EXPECT_TRUE(ErrorText([&] {
                  chat_.NewObject()->InitGlobal(chat_.app());
                }).starts_with("5 setting maxtalk is '" + bad + "'"))
        << bad;
    EXPECT_EQ(chat_.Get("_init").ToText(), "true");
    EXPECT_TRUE(chat_.Get("_says").is_empty());
  }
  Application no_database;
  EXPECT_THROW(Corvane().InitGlobal(no_database), CallError);
  EXPECT_TRUE(no_database.Get("_init").is_empty());
  // Hostile setting names and values are bound, not pasted into commands.
  chat_.SetParam("maxtalk", "10");
  chat_.SetParam("x' OR '1'='1", "v'); DROP TABLE room; --");
  chat_.NewObject()->InitGlobal(chat_.app());
  EXPECT_EQ(chat_.Get("_x' OR '1'='1").ToText(), "v'); DROP TABLE room; --");
  EXPECT_FALSE(chat_.lists().Rooms().empty());
}

// The error of CheckSettings on the seeded settings changed by `changes`
// ("alias=value&alias=value", "(Null)" and "(Empty)" for those values), or "".
std::string CheckWith(ChatTestEnv& chat, std::string_view changes) {
  Application settings;
  for (auto rows = chat.db().Execute("SELECT * FROM sysparam"); !rows->eof(); rows->MoveNext()) {
    settings.Set("_" + rows->Field("alias").ToText(), rows->Field("body"));
  }
  for (std::string_view change : Split(changes, "&")) {
    const std::string_view value = change.substr(change.find('=') + 1);
    settings.Set("_" + std::string(change.substr(0, change.find('='))),
                 value == "(Null)"    ? Variant::Null()
                 : value == "(Empty)" ? Variant()
                                      : Variant(value));
  }
  return ErrorText([&] { CheckSettings(settings, ""); });
}

TEST_F(GlobalLoadTest, SettingsCheckRefusesEachValueThatWouldFailEveryRequestOfAKind) {
  // The error names the first setting and its value. The other day limits count while their job
  // is switched on, as seeded; a name length beyond the longest allowed name is refused by name.
  const std::string refused =
      "maxtalk=-1|maxtalk=32768|maxtalk=many|nosaytimeout=-1|nosaytimeout=|dontsavevalue=1e10|"
      "maxsayslength=0|minsayslength=one|listreftime=(Null)|l_tt=admin|l_allhtml=9x|l_title= |"
      "titlelength=4e9|l_delroom=high|disableproxy=yes|maxpeople=-1|namelength=two|"
      "maxnamelength=|namelength=11&maxnamelength=5|namelength=21&maxnamelength=20|"
      "usernamefilter=a,,b|usernamefilter=a,|newusernum=many|facecolorstr=#111|"
      "facecolorstr=#111 #2'2|backgroudcolorstr=|backgroudcolorstr=white  red|user=chat'1|"
      "enterchatshow=hi::red|reentershow=(Empty)|enterroomshow=in|"
      "exitroomshow=out::1|visitor=lots|hour24=0,0,0|friendtimeout=7 or 1=1|calltimeout=|"
      "hour24=0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,24|calltimeout=  |"
      "hour24=x,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,5|calltimeout=(Null)|"
      "managelogtimeout=x|gbtimeout=x|usernameoncetimeout=x|roomexpperday=x|maxsaysper10s=-1|"
      "maxcallsperminute=5/min|maxgbperminute=many|maxfriendrqperminute=|maxtoallcallsperhour=x";
  for (std::string_view changes : Split(refused, "|")) {
    const std::string_view first = changes.substr(0, changes.find('&'));
    const std::string_view value = first.substr(first.find('=') + 1);
    const std::string error = CheckWith(chat_, changes);
    EXPECT_TRUE(error.starts_with("5 setting " + std::string(first.substr(0, first.find('='))) +
                                  " is '" +
                                  std::string(value == "(Null)"    ? "Null"
                                              : value == "(Empty)" ? ""
                                                                   : value) +
                                  "'"))
        << changes << ": " << error;
  }
  const std::string accepted =
      "|maxtalk=0|maxtalk=32767|nosaytimeout=(Empty)|nosaytimeout=0.5|l_delroom=  |"
      "usernamefilter=|hour24=0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,23|"
      "namelength=4&maxnamelength=2|autoclearmanagelog=0&managelogtimeout=x|"
      "autoclearusername=&usernametimeout=x|roomautoclear=no&roomkeepexp=|maxsaysper10s=0|"
      "maxtoallcallsperhour=(Empty)";
  for (std::string_view changes : Split(accepted, "|")) {
    EXPECT_EQ(CheckWith(chat_, changes), "") << changes;
  }
}

}  // namespace
}  // namespace tavolin
