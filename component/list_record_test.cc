// Copyright Tavolin developers.

#include "component/list_record.h"

#include <gtest/gtest.h>

#include "tavolin/error.h"

namespace tavolin {
namespace {

// Two users whose names contain each other, and a key that is a prefix of
// another key.
const std::string kUsers = "<$ann$>t1$>r1$><$ann$><$anna$>t2$>r2$><$anna$>";

TEST(ListRecordTest, FindsEachKeyByItsWholeMarker) {
  EXPECT_EQ(ListRecord(kUsers, "ann").field(0), "t1");
  EXPECT_EQ(ListRecord(kUsers, "anna").field(0), "t2");
  EXPECT_FALSE(HasRecord("<$11$>x$><$11$>", "1"));
  EXPECT_TRUE(HasRecord("<$11$>x$><$11$>", "11"));
  EXPECT_THROW(ListRecord(kUsers, "bob"), CallError);
  // Markers are case-sensitive.
  EXPECT_THROW(ListRecord(kUsers, "Ann"), CallError);
}

TEST(ListRecordTest, JoinKeepsTheRestOfTheListAndTheClosingFieldEnd) {
  ListRecord record(kUsers, "anna");
  ASSERT_EQ(record.size(), 3);  // two fields and the empty element after them
  EXPECT_EQ(record.field(2), "");
  EXPECT_EQ(record.Join(), kUsers);
  record.set_field(1, "r9");
  EXPECT_EQ(record.Join(), "<$ann$>t1$>r1$><$ann$><$anna$>t2$>r9$><$anna$>");
  EXPECT_THROW(record.field(3), CallError);
  EXPECT_THROW(record.set_field(-1, "x"), CallError);
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

}  // namespace
}  // namespace tavolin
