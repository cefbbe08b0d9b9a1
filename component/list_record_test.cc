// Copyright Tavolin developers.

#include "component/list_record.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tavolin/corvane.h"
#include "tavolin/error.h"

namespace tavolin {
namespace {

// Two users whose names contain each other, and a key that is a prefix of
// another key.
const std::string kUsers = "<$ann$>t1$>r1$><$ann$><$anna$>t2$>r2$><$anna$>";
const std::string kRoom = "<$7$>hall$>$>5$><$7$>";

TEST(ListRecordTest, FindsEachKeyByItsWholeMarkerAndJoinsBack) {
  EXPECT_EQ(ListRecord(kUsers, "ann").field(0), "t1");
  EXPECT_EQ(ListRecord(kUsers, "anna").field(0), "t2");
  EXPECT_FALSE(HasRecord("<$11$>x$><$11$>", "1"));
  EXPECT_TRUE(HasRecord("<$11$>x$><$11$>", "11"));
  EXPECT_THROW(ListRecord(kUsers, "bob"), CallError);
  EXPECT_THROW(ListRecord(kUsers, "Ann"), CallError);  // markers are case-sensitive

  ListRecord record(kUsers, "anna");
  EXPECT_EQ(record.field_count(), 2);
  EXPECT_EQ(record.Join(), kUsers);
  record.set_field(1, "r9");
  EXPECT_EQ(record.Join(), "<$ann$>t1$>r1$><$ann$><$anna$>t2$>r9$><$anna$>");
  // The empty element after the last field is no field.
  for (int index : {-1, 2, 3}) {
    EXPECT_THROW(record.field(index), CallError) << index;
    EXPECT_THROW(record.set_field(index, "x"), CallError) << index;
  }
  EXPECT_EQ(record.Join(), "<$ann$>t1$>r1$><$ann$><$anna$>t2$>r9$><$anna$>");
}

TEST(ListRecordTest, RemoveAppendAndCount) {
  EXPECT_EQ(RemoveRecord(kUsers, "ann"), "<$anna$>t2$>r2$><$anna$>");
  EXPECT_EQ(RemoveRecord(kUsers, "anna"), "<$ann$>t1$>r1$><$ann$>");
  EXPECT_THROW(RemoveRecord(kUsers, "bob"), CallError);
  // A marker that occurs once is a broken record, not a record to remove.
  EXPECT_THROW(RemoveRecord("<$a$>x$>", "a"), CallError);

  std::string list;
  EXPECT_EQ(CountRecords(list), 0);
  AppendRecord(list, "7", {"hall", "tom"});
  EXPECT_EQ(list, "<$7$>hall$>tom$><$7$>");
  EXPECT_EQ(CountRecords(list), 1);
  EXPECT_EQ(CountRecords(kUsers), 2);
  EXPECT_EQ(RecordKeys(kUsers), (std::vector<std::string>{"ann", "anna"}));
  EXPECT_TRUE(RecordKeys("").empty());
}

TEST(ListRecordTest, WordListRules) {
  EXPECT_EQ(AddWord("", "Tom"), " Tom");
  EXPECT_EQ(AddWord(" Tom", "Tom"), " Tom");
  EXPECT_EQ(AddWord(" ann  ", "bob"), "ann bob");
  EXPECT_EQ(RemoveWord(" Tom", "Tom"), "");
  // " a a " holds " a " twice, overlapping: only the first is replaced.
  EXPECT_EQ(RemoveWord("a a", "a"), "a");
  EXPECT_EQ(RemoveWord("ann anna ann", "ann"), "anna");
  EXPECT_TRUE(HasWord("ann bob", "bob"));
  EXPECT_FALSE(HasWord("anna bob", "ann"));
  EXPECT_FALSE(HasWord("ann bob", "Bob"));
}

// The pages' methods: a result, or nullopt for an error of the call.
std::optional<std::string> Outcome(const std::function<Variant()>& call) {
  try {
    return call().ToText();
  } catch (const CallError&) {
    return std::nullopt;
  }
}

TEST(ListMethodsTest, GetAndDelListFindWholeKeysAndRefuseWhatIsNotThere) {
  Corvane object;
  const auto get = [&](std::string list, std::string key, Variant index) {
    return Outcome([&] {
      Variant l(list), k(key);
      return object.GetListValue(l, k, index);
    });
  };
  const auto del = [&](std::string list, std::string key) {
    return Outcome([&] {
      Variant l(list), k(key);
      return object.DelList(l, k);
    });
  };
  const std::string tom = "<$7$>hall$>tom$><$7$>";
  EXPECT_EQ(get(tom, "7", 1), "tom");
  EXPECT_EQ(get(tom, "7", 0), "hall");
  EXPECT_EQ(get("<$11$>a$><$11$><$1$>b$><$1$>", "1", 0), "b");
  EXPECT_EQ(get(tom, "8", 0), std::nullopt);
  EXPECT_EQ(get(tom, "7", 2), std::nullopt);  // the closing element
  EXPECT_EQ(get(tom, "7", 3), std::nullopt);
  EXPECT_EQ(get(tom, "7", -1), std::nullopt);

  const std::string two = "<$1$>a$><$1$><$2$>b$><$2$>";
  EXPECT_EQ(del(two, "1"), "<$2$>b$><$2$>");
  EXPECT_EQ(del("<$11$>a$><$11$><$1$>b$><$1$>", "1"), "<$11$>a$><$11$>");
  EXPECT_EQ(del(two, "3"), std::nullopt);
}

TEST(ListMethodsTest, SetListValueModesAndRefusals) {
  Corvane object;
  const auto set = [&](std::string list, Variant index, Variant value, Variant mode) {
    return Outcome([&] {
      Variant l(list), k("7");
      return object.SetListValue(l, k, index, value, mode);
    });
  };
  const struct {
    std::string list;
    Variant index, value, mode;
    std::optional<std::string> expected;
  } cases[] = {
      {kRoom, 0, "lobby", 0, "<$7$>lobby$>$>5$><$7$>"},
      {kRoom, 0, "x", "0", "<$7$>x$>$>5$><$7$>"},  // modes compare as numbers
      {kRoom, 1, "Tom", 1, "<$7$>hall$> Tom$>5$><$7$>"},
      {"<$7$>hall$> Tom$>5$><$7$>", 1, "Tom", 1, "<$7$>hall$> Tom$>5$><$7$>"},
      {"<$7$>hall$> Tom$>5$><$7$>", 1, "Tom", -1, kRoom},
      {"<$7$>hall$>a a$>5$><$7$>", 1, "a", -1, "<$7$>hall$>a$>5$><$7$>"},
      {kRoom, 2, 3, 5, "<$7$>hall$>$>8$><$7$>"},
      {kRoom, 2, "-7", "2", "<$7$>hall$>$>-2$><$7$>"},
      {kRoom, 1, 3, 2, std::nullopt},                    // add number to an empty field
      {kRoom, 0, 3, 2, std::nullopt},                    // to a text field
      {kRoom, 2, "x", 2, std::nullopt},                  // a text value
      {kRoom, 2, 40000, 2, std::nullopt},                // beyond 16 bits
      {"<$7$>a$>b$>5$><$7$>", 3, "z", 0, std::nullopt},  // the closing element
      {kRoom, 4, "z", 1, std::nullopt},
      {kRoom, -1, "z", 0, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(set(c.list, c.index, c.value, c.mode), c.expected)
        << c.list << " " << c.index.ToText() << " " << c.value.ToText() << " " << c.mode.ToText();
  }

  const auto set_two = [&](Variant i1, Variant v1, Variant m1, Variant i2, Variant v2, Variant m2) {
    return Outcome([&] {
      Variant l(kRoom), k("7");
      return object.SetListValue(l, k, i1, v1, m1, &i2, &v2, &m2);
    });
  };
  // The second change adds a word where the first would add a number, and
  // sees the first one's result.
  EXPECT_EQ(set_two(2, 1, 2, 1, "3", 2), "<$7$>hall$> 3$>6$><$7$>");
  EXPECT_EQ(set_two(1, "ann", 1, 1, "bob", 1), "<$7$>hall$>ann bob$>5$><$7$>");
  EXPECT_EQ(set_two(1, "x", 0, 3, "y", 0), std::nullopt);
  Variant l(kRoom), k("7"), i(1), v("x"), m(0), i2(2);
  EXPECT_THROW(object.SetListValue(l, k, i, v, m, &i2), CallError);
  EXPECT_EQ(l.ToText(), kRoom);  // arguments never change
}

}  // namespace
}  // namespace tavolin
