// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "component/list_record.h"
#include "component/word_list.h"
#include "tavolin/corvane.h"
#include "tavolin/error.h"
#include "testing/call_error.h"
#include "text/strings.h"

namespace tavolin {
namespace {

using testing::ErrorOf;
using text::Join;

// Two users whose names contain each other; a key that is a prefix of another key.
const std::string kUsers = "<$ann$>t1$>r1$><$ann$><$anna$>t2$>r2$><$anna$>";
const std::string kNested = "<$11$>a$><$11$><$1$>b$><$1$>";
const std::string kRoom = "<$7$>hall$>$>5$><$7$>";

TEST(ListRecordTest, FindsEachKeyByItsWholeMarker) {
  ListRecord record(kUsers, "anna");
  record.set_field(1, "r9");
  std::string list;
  AppendRecord(list, "7", {"hall", "tom"});
  EXPECT_EQ(
      ListRecord(kUsers, "ann").field(0) + record.field(0) + std::to_string(record.field_count()) +
          "|" + record.Join() + "|" + RemoveRecord(kUsers, "ann") + RemoveRecord(kUsers, "anna") +
          "|" + list + "|" + std::to_string(CountRecords("")) + "|" + Join(RecordKeys(kUsers), " "),
      "t1t22|<$ann$>t1$>r1$><$ann$><$anna$>t2$>r9$><$anna$>|<$anna$>t2$>r2$><$anna$><$ann$>t1$>r1$>"
      "<$ann$>|<$7$>hall$>tom$><$7$>|0|ann anna");
  EXPECT_FALSE(HasRecord("<$11$>x$><$11$>", "1"));
  // Markers are case-sensitive; the empty element after the last field is no field; a marker that
  // occurs once is a broken record, not a record to remove.
  for (const auto& refused : std::vector<std::function<void()>>{
           [] { ListRecord(kUsers, "Ann"); }, [&] { record.field(-1); }, [&] { record.field(2); },
           [&] { record.set_field(2, "x"); }, [&] { record.set_field(-1, "x"); },
           [] { RemoveRecord(kUsers, "bob"); }, [] { RemoveRecord("<$a$>x$>", "a"); }}) {
    EXPECT_EQ(ErrorOf(refused), ErrorCode::kSubscriptOutOfRange);
  }
  EXPECT_EQ(record.Join(), "<$ann$>t1$>r1$><$ann$><$anna$>t2$>r9$><$anna$>");
}

TEST(ListRecordTest, WordListRules) {
  // " a a " holds " a " twice, overlapping: only the first is replaced.
  EXPECT_EQ(AddWord("", "Tom") + "|" + AddWord(" Tom", "Tom") + "|" + AddWord(" ann  ", "bob") +
                "|" + RemoveWord(" Tom", "Tom") + "|" + RemoveWord("a a", "a") + "|" +
                RemoveWord("ann anna ann", "ann"),
            " Tom| Tom|ann bob||a|anna");
  EXPECT_FALSE(HasWord("anna bob", "ann") || HasWord("ann bob", "Bob"));
}

// A method's answer as text, or "(error)" for an error of the call.
template <typename Call>
std::string Outcome(Call call) {
  try {
    return call().ToText();
  } catch (const CallError&) {
    return "(error)";
  }
}

TEST(ListMethodsTest, GetAndDelListFindWholeKeysAndRefuseWhatIsNotThere) {
  Corvane object;
  const auto get = [&](Variant list, Variant key, Variant index) {
    return Outcome([&] { return object.GetListValue(list, key, index); });
  };
  const auto del = [&](Variant list, Variant key) {
    return Outcome([&] { return object.DelList(list, key); });
  };
  const std::string tom = "<$7$>hall$>tom$><$7$>";
  // Index 2 is the closing element.
  EXPECT_EQ(get(tom, "7", 1) + get(tom, "7", 0) + get(kNested, "1", 0) + "|" + get(tom, "8", 0) +
                get(tom, "7", 2) + get(tom, "7", 3) + get(tom, "7", -1) + "|" +
                del("<$1$>a$><$1$><$2$>b$><$2$>", "1") + del(kNested, "1") + del(kNested, "3"),
            "tomhallb|(error)(error)(error)(error)|<$2$>b$><$2$><$11$>a$><$11$>(error)");
}

TEST(ListMethodsTest, SetListValueModesAndRefusals) {
  Corvane object;
  const struct {
    std::string list;
    Variant index, value, mode;
    std::string expected;
  } cases[] = {
      {kRoom, 0, "lobby", 0, "<$7$>lobby$>$>5$><$7$>"},
      {kRoom, 0, "x", "0", "<$7$>x$>$>5$><$7$>"},  // modes compare as numbers
      {kRoom, 1, "Tom", 1, "<$7$>hall$> Tom$>5$><$7$>"},
      {"<$7$>hall$> Tom$>5$><$7$>", 1, "Tom", 1, "<$7$>hall$> Tom$>5$><$7$>"},
      {"<$7$>hall$> Tom$>5$><$7$>", 1, "Tom", -1, kRoom},
      {"<$7$>hall$>a a$>5$><$7$>", 1, "a", -1, "<$7$>hall$>a$>5$><$7$>"},
      {kRoom, 2, 3, 5, "<$7$>hall$>$>8$><$7$>"},
      {kRoom, 2, "-7", "2", "<$7$>hall$>$>-2$><$7$>"},
      {kRoom, 1, 3, 2, "(error)"},                    // add number to an empty field
      {kRoom, 0, 3, 2, "(error)"},                    // to a text field
      {kRoom, 2, "x", 2, "(error)"},                  // a text value
      {kRoom, 2, 40000, 2, "(error)"},                // beyond 16 bits
      {"<$7$>a$>b$>5$><$7$>", 3, "z", 0, "(error)"},  // the closing element
      {kRoom, 4, "z", 1, "(error)"},
      {kRoom, -1, "z", 0, "(error)"},
  };
  for (auto c : cases) {
    Variant list(c.list), key("7");
    EXPECT_EQ(Outcome([&] { return object.SetListValue(list, key, c.index, c.value, c.mode); }),
              c.expected)
        << c.list << " " << c.index.ToText() << " " << c.value.ToText() << " " << c.mode.ToText();
  }

  const auto set_two = [&](Variant i1, Variant v1, Variant m1, Variant i2, Variant v2, Variant m2) {
    Variant list(kRoom), key("7");
    return Outcome([&] { return object.SetListValue(list, key, i1, v1, m1, &i2, &v2, &m2); });
  };
  // The second change adds a word where the first would add a number, and sees its result.
  EXPECT_EQ(set_two(2, 1, 2, 1, "3", 2) + set_two(1, "ann", 1, 1, "bob", 1) +
                set_two(1, "x", 0, 3, "y", 0),
            "<$7$>hall$> 3$>6$><$7$><$7$>hall$>ann bob$>5$><$7$>(error)");
  Variant list(kRoom), key("7"), index(1), value("x"), mode(0), index2(2);
  EXPECT_THROW(object.SetListValue(list, key, index, value, mode, &index2), CallError);
  EXPECT_EQ(list.ToText(), kRoom);  // arguments never change
}

// The word list must read exactly as the text rules would leave the field,
// including the texts a set cannot hold (repeats, blanks inside a word,
// double blanks), and take the set's shape again once the text allows.
TEST(WordListTest, FollowsTheTextRulesThroughRandomChanges) {
  const std::vector<std::string> words = {"a", "aa", "b", "a b", "", " ", "张三", "ab"};
  const std::vector<std::string> texts = {"", " a", "a b", "a  b", "a a", " a b", "b ", "aa a"};
  for (unsigned seed = 1; seed <= 20; ++seed) {
    std::mt19937 random(seed);
    const auto pick = [&](const std::vector<std::string>& from) {
      return from[random() % from.size()];
    };
    std::string text;
    WordList list;
    for (int step = 0; step < 300; ++step) {
      const std::string word = pick(words);
      const unsigned change = random() % 6;
      if (change <= 1) text = AddWord(text, word), list.Add(word);
      if (change == 2) text = AppendWord(text, word), list.Append(word);
      if (change == 3) text = RemoveWord(text, word), list.Remove(word);
      if (change == 4) text = RemoveWordCollapsing(text, word), list.RemoveCollapsingBlanks(word);
      if (change == 5 && random() % 4 == 0) text = pick(texts), list.SetText(text);
      ASSERT_EQ(list.Text(), text) << "seed " << seed << " step " << step;
      for (const std::string& probe : words) {
        ASSERT_EQ(list.Has(probe), HasWord(text, probe)) << "'" << text << "' '" << probe << "'";
      }
      ASSERT_EQ(list.IsBlank(), text.find_first_not_of(' ') == std::string::npos);
    }
  }
}

TEST(MethodTableTest, CreatesByIdentifierAndCallsByName) {
  auto object = CreateObject("tavolin.CORVANE");
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(ErrorOf([] { CreateObject("Tavolin.Other"); }), ErrorCode::kUnknownName);
  // Optional trailing arguments may be left out, but not required ones.
  std::vector<Variant> get = {"<$7$>hall$>tom$><$7$>", "7", "1"};
  std::vector<Variant> set = {"<$7$>a$>b$><$7$>", "7", "0", "x", "0"}, set_two = set;
  set_two.insert(set_two.end(), {"1", "y", "0"});
  EXPECT_EQ(CallByName(*object, "getlistvalue", get).ToText() +
                CallByName(*object, "SetListValue", set).ToText() +
                CallByName(*object, "SetListValue", set_two).ToText(),
            "tom<$7$>x$>b$><$7$><$7$>x$>y$><$7$>");
  set_two.push_back("extra");
  get.pop_back();
  // Methods that take host objects refuse a call without them, and get them by name as directly
  // (no connection string: the load fails).
  Application app;
  const auto error_of = [&](const char* method, std::vector<Variant> args, HostObjects hosts) {
    return ErrorOf([&] { CallByName(*object, method, args, hosts); });
  };
  EXPECT_EQ((std::vector{error_of("SetListValue", set_two, {}), error_of("GetListValue", get, {}),
                         error_of("NoSuchMethod", {}, {}), error_of("InitGlobal", {}, {}),
                         error_of("preglobal_1", {}, {&app})}),
            (std::vector<std::optional<ErrorCode>>{
                ErrorCode::kArgumentCount, ErrorCode::kArgumentCount, ErrorCode::kUnknownName,
                ErrorCode::kInvalidProcedureCall, ErrorCode::kDatabase}));
  // The room property takes only numbers.
  object->Setroom_id(Variant("12"));
  EXPECT_EQ(object->room_id().type(), Variant::Type::kLong);
  EXPECT_EQ(ErrorOf([&] { object->Setroom_id(Variant("hall")); }), ErrorCode::kTypeMismatch);
}

}  // namespace
}  // namespace tavolin
