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

TEST(ListMethodsTest, GetDelAndSetFindWholeKeysAndRefuseWhatIsNotThere) {
  const std::string tom = "<$7$>hall$>tom$><$7$>", kError = "(error)";
  // The method, its answer, its arguments; a second change for SetListValue where given.
  struct {
    char method;
    std::string expected, list;
    Variant key{}, index{}, value{}, mode{}, index2{}, value2{}, mode2{};
  } cases[] = {
      {'G', "tom", tom, "7", 1},
      {'G', "hall", tom, "7", 0},
      {'G', "b", kNested, "1", 0},
      {'G', kError, tom, "8", 0},
      {'G', kError, tom, "7", 2},  // the closing element
      {'G', kError, tom, "7", 3},
      {'G', kError, tom, "7", -1},
      {'D', "<$2$>b$><$2$>", "<$1$>a$><$1$><$2$>b$><$2$>", "1"},
      {'D', "<$11$>a$><$11$>", kNested, "1"},
      {'D', kError, kNested, "3"},
      {'S', "<$7$>lobby$>$>5$><$7$>", kRoom, "7", 0, "lobby", 0},
      {'S', "<$7$>x$>$>5$><$7$>", kRoom, "7", 0, "x", "0"},  // modes compare as numbers
      {'S', "<$7$>hall$> Tom$>5$><$7$>", kRoom, "7", 1, "Tom", 1},
      {'S', "<$7$>hall$> Tom$>5$><$7$>", "<$7$>hall$> Tom$>5$><$7$>", "7", 1, "Tom", 1},
      {'S', kRoom, "<$7$>hall$> Tom$>5$><$7$>", "7", 1, "Tom", -1},
      {'S', "<$7$>hall$>a$>5$><$7$>", "<$7$>hall$>a a$>5$><$7$>", "7", 1, "a", -1},
      {'S', "<$7$>hall$>$>8$><$7$>", kRoom, "7", 2, 3, 5},
      {'S', "<$7$>hall$>$>-2$><$7$>", kRoom, "7", 2, "-7", "2"},
      {'S', kError, kRoom, "7", 1, 3, 2},                    // add a number to an empty field
      {'S', kError, kRoom, "7", 0, 3, 2},                    // to a text field
      {'S', kError, kRoom, "7", 2, "x", 2},                  // a text value
      {'S', kError, kRoom, "7", 2, 40000, 2},                // beyond 16 bits
      {'S', kError, "<$7$>a$>b$>5$><$7$>", "7", 3, "z", 0},  // the closing element
      {'S', kError, kRoom, "7", 4, "z", 1},
      {'S', kError, kRoom, "7", -1, "z", 0},
      // The second change adds a word where the first would add a number, and sees its result.
      {'S', "<$7$>hall$> 3$>6$><$7$>", kRoom, "7", 2, 1, 2, 1, "3", 2},
      {'S', "<$7$>hall$>ann bob$>5$><$7$>", kRoom, "7", 1, "ann", 1, 1, "bob", 1},
      {'S', kError, kRoom, "7", 1, "x", 0, 3, "y", 0},
  };
  Corvane object;
  for (auto& c : cases) {
    std::string outcome;
    Variant list(c.list);
    try {
      outcome = (c.method == 'G'       ? object.GetListValue(list, c.key, c.index)
                 : c.method == 'D'     ? object.DelList(list, c.key)
                 : c.index2.is_empty() ? object.SetListValue(list, c.key, c.index, c.value, c.mode)
                                       : object.SetListValue(list, c.key, c.index, c.value, c.mode,
                                                             &c.index2, &c.value2, &c.mode2))
                    .ToText();
    } catch (const CallError&) {
      outcome = kError;
    }
    EXPECT_EQ(outcome + list.ToText(), c.expected + c.list)  // arguments never change
        << c.method << " " << c.list << " " << c.index.ToText() << " " << c.value.ToText();
  }
  Variant list(kRoom), key("7"), index(1), value("x"), mode(0), index2(2);
  EXPECT_THROW(object.SetListValue(list, key, index, value, mode, &index2), CallError);
}

// The word list reads as the text rules leave the field, also for texts a set cannot hold
// (repeats, blanks inside a word, double blanks), and takes the set's shape again after them.
TEST(WordListTest, FollowsTheTextRulesThroughRandomChanges) {
  const std::vector<std::string> words = {"a", "aa", "b", "a b", "", " ", "张三", "ab"};
  const std::vector<std::string> texts = {"", " a", "a b", "a  b", "a a", " a b", "b ", "aa a"};
  for (unsigned seed = 1; seed <= 20; ++seed) {
    std::mt19937 random(seed);
    const auto pick = [&](const auto& from) { return from[random() % from.size()]; };
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
  // Methods taking host objects refuse a call without them (with them, no database: it fails).
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
  object->Setroom_id(Variant("12"));
  EXPECT_EQ(object->room_id().type(), Variant::Type::kLong);
  EXPECT_EQ(ErrorOf([&] { object->Setroom_id(Variant("hall")); }), ErrorCode::kTypeMismatch);
}

}  // namespace
}  // namespace tavolin
