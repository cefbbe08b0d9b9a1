// Copyright Tavolin developers.

#include "component/settings_check.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tavolin/error.h"
#include "testing/chat_test_env.h"

namespace tavolin {
namespace {

// The error of CheckSettings, or "" when it accepts the settings.
std::string CheckError(testing::ChatTestEnv& chat) {
  try {
    CheckSettings(chat.app(), chat.prefix());
  } catch (const CallError& e) {
    EXPECT_EQ(e.code(), ErrorCode::kInvalidProcedureCall);
    return e.what();
  }
  return "";
}

TEST(SettingsCheckTest, RefusesEachValueThatWouldFailEveryRequestOfAKind) {
  testing::ChatTestEnv chat("p");
  chat.NewObject()->InitGlobal(chat.app());
  EXPECT_EQ(CheckError(chat), "");  // the seeded settings

  using Settings = std::vector<std::pair<std::string, Variant>>;
  const std::string hours = "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,";
  const struct {
    Settings settings;
    std::string refused;  // "setting ALIAS is 'VALUE'", or "" when accepted
  } cases[] = {
      {{{"maxtalk", "-1"}}, "setting maxtalk is '-1'"},
      {{{"maxtalk", "32768"}}, "setting maxtalk is '32768'"},
      {{{"maxtalk", "many"}}, "setting maxtalk is 'many'"},
      {{{"maxtalk", "0"}, {"maxtalk", "32767"}}, ""},
      {{{"nosaytimeout", "-1"}}, "setting nosaytimeout is '-1'"},
      {{{"nosaytimeout", ""}}, "setting nosaytimeout is ''"},
      {{{"nosaytimeout", Variant()}, {"nosaytimeout", "0.5"}}, ""},  // missing reads as 0
      {{{"dontsavevalue", "1e10"}}, "setting dontsavevalue is '1e10'"},
      {{{"maxsayslength", "0"}}, "setting maxsayslength is '0'"},
      {{{"minsayslength", "one"}}, "setting minsayslength is 'one'"},
      {{{"listreftime", Variant::Null()}}, "setting listreftime is 'Null'"},
      {{{"l_tt", "admin"}}, "setting l_tt is 'admin'"},
      {{{"l_allhtml", "9x"}}, "setting l_allhtml is '9x'"},
      {{{"l_title", " "}}, "setting l_title is ' '"},
      {{{"titlelength", "4e9"}}, "setting titlelength is '4e9'"},
      {{{"l_delroom", "high"}}, "setting l_delroom is 'high'"},
      {{{"l_delroom", "  "}}, ""},
      {{{"disableproxy", "yes"}}, "setting disableproxy is 'yes'"},
      {{{"maxpeople", "-1"}}, "setting maxpeople is '-1'"},
      {{{"namelength", "two"}}, "setting namelength is 'two'"},
      {{{"maxnamelength", ""}}, "setting maxnamelength is ''"},
      {{{"namelength", "11"}, {"maxnamelength", "5"}}, "setting namelength is '11'"},
      {{{"namelength", "21"}, {"maxnamelength", "20"}}, "setting namelength is '21'"},
      {{{"namelength", "4"}, {"maxnamelength", "2"}}, ""},
      {{{"usernamefilter", "a,,b"}}, "setting usernamefilter is 'a,,b'"},
      {{{"usernamefilter", "a,"}}, "setting usernamefilter is 'a,'"},
      {{{"usernamefilter", ""}}, ""},
      {{{"newusernum", "many"}}, "setting newusernum is 'many'"},
      {{{"facecolorstr", "#111"}}, "setting facecolorstr is '#111'"},
      {{{"backgroudcolorstr", ""}}, "setting backgroudcolorstr is ''"},
      {{{"enterchatshow", "hi::red"}}, "setting enterchatshow is 'hi::red'"},
      {{{"reentershow", Variant()}}, "setting reentershow is ''"},
      {{{"enterroomshow", "in"}}, "setting enterroomshow is 'in'"},
      {{{"exitroomshow", "out::1"}}, "setting exitroomshow is 'out::1'"},
      {{{"visitor", "lots"}}, "setting visitor is 'lots'"},
      {{{"hour24", "0,0,0"}}, "setting hour24 is '0,0,0'"},
      {{{"hour24", hours + "24"}}, "setting hour24 is '" + hours + "24'"},
      {{{"hour24", "x," + hours.substr(2) + "5"}}, "setting hour24 is 'x,"},
      {{{"hour24", hours + "23"}}, ""},
      {{{"friendtimeout", "7 or 1=1"}}, "setting friendtimeout is '7 or 1=1'"},
      {{{"calltimeout", ""}}, "setting calltimeout is ''"},
      {{{"calltimeout", "  "}}, "setting calltimeout is '  '"},
      {{{"calltimeout", Variant::Null()}}, "setting calltimeout is 'Null'"},
      // The other day limits count only while their job is switched on.
      {{{"managelogtimeout", "x"}}, "setting managelogtimeout is 'x'"},
      {{{"autoclearmanagelog", "0"}, {"managelogtimeout", "x"}}, ""},
      {{{"gbtimeout", "x"}}, "setting gbtimeout is 'x'"},
      {{{"usernameoncetimeout", "x"}}, "setting usernameoncetimeout is 'x'"},
      {{{"autoclearusername", ""}, {"usernametimeout", "x"}}, ""},
      {{{"roomexpperday", "x"}}, "setting roomexpperday is 'x'"},
      {{{"roomautoclear", "no"}, {"roomkeepexp", ""}}, ""},
  };
  for (const auto& c : cases) {
    Settings before;
    for (const auto& [alias, value] : c.settings) {
      before.emplace_back(alias, chat.Get("_" + alias));
      chat.Set("_" + alias, value);
    }
    const std::string error = CheckError(chat);
    EXPECT_EQ(error.substr(0, c.refused.size()), c.refused) << error;
    EXPECT_EQ(error.empty(), c.refused.empty()) << c.settings.back().first << ": " << error;
    for (auto it = before.rbegin(); it != before.rend(); ++it)
      chat.Set("_" + it->first, it->second);
  }
  EXPECT_EQ(CheckError(chat), "");
}

}  // namespace
}  // namespace tavolin
