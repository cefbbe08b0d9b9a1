// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include "tavolin/corvane.h"
#include "tavolin/error.h"

namespace tavolin {
namespace {

class ListMethodsTest : public ::testing::Test {
 protected:
  Variant Get(std::string list, std::string key, int index) {
    Variant l(list), k(key), i(index);
    return object_.GetListValue(l, k, i);
  }
  std::string Set(const std::string& list, const std::string& key, int index, Variant value,
                  Variant mode) {
    Variant l(list), k(key), i(index);
    return object_.SetListValue(l, k, i, value, mode).ToText();
  }
  std::string SetTwo(const std::string& list, int index1, Variant value1, Variant mode1, int index2,
                     Variant value2, Variant mode2) {
    Variant l(list), k("7"), i1(index1), i2(index2);
    return object_.SetListValue(l, k, i1, value1, mode1, &i2, &value2, &mode2).ToText();
  }

  Corvane object_;
};

TEST_F(ListMethodsTest, GetListValueReadsFieldsByIndex) {
  EXPECT_EQ(Get("<$7$>hall$>tom$><$7$>", "7", 1).ToText(), "tom");
  EXPECT_EQ(Get("<$7$>hall$>tom$><$7$>", "7", 0).ToText(), "hall");
  EXPECT_EQ(Get("<$11$>a$><$11$><$1$>b$><$1$>", "1", 0).ToText(), "b");
  EXPECT_THROW(Get("<$7$>hall$>tom$><$7$>", "8", 0), CallError);
  EXPECT_THROW(Get("<$7$>hall$>tom$><$7$>", "7", 3), CallError);
}

TEST_F(ListMethodsTest, DelListRemovesOneRecordAndChangesNoArgument) {
  Variant list("<$1$>a$><$1$><$2$>b$><$2$>"), key("1");
  EXPECT_EQ(object_.DelList(list, key).ToText(), "<$2$>b$><$2$>");
  EXPECT_EQ(list.ToText(), "<$1$>a$><$1$><$2$>b$><$2$>");
  Variant list11("<$11$>a$><$11$><$1$>b$><$1$>");
  EXPECT_EQ(object_.DelList(list11, key).ToText(), "<$11$>a$><$11$>");
  Variant missing("3");
  EXPECT_THROW(object_.DelList(list, missing), CallError);
}

TEST_F(ListMethodsTest, SetListValueModes) {
  const std::string room = "<$7$>hall$>$>5$><$7$>";
  EXPECT_EQ(Set(room, "7", 0, "lobby", 0), "<$7$>lobby$>$>5$><$7$>");
  EXPECT_EQ(Set(room, "7", 1, "Tom", 1), "<$7$>hall$> Tom$>5$><$7$>");
  EXPECT_EQ(Set("<$7$>hall$> Tom$>5$><$7$>", "7", 1, "Tom", 1), "<$7$>hall$> Tom$>5$><$7$>");
  EXPECT_EQ(Set("<$7$>hall$> Tom$>5$><$7$>", "7", 1, "Tom", -1), room);
  EXPECT_EQ(Set("<$7$>hall$>a a$>5$><$7$>", "7", 1, "a", -1), "<$7$>hall$>a$>5$><$7$>");
  EXPECT_EQ(Set(room, "7", 2, 3, 5), "<$7$>hall$>$>8$><$7$>");
  EXPECT_EQ(Set(room, "7", 2, "-7", "2"), "<$7$>hall$>$>-2$><$7$>");
  // Modes are compared as numbers, so the text "0" sets.
  EXPECT_EQ(Set(room, "7", 0, "x", "0"), "<$7$>x$>$>5$><$7$>");
}

TEST_F(ListMethodsTest, SecondChangeAddsAWordWhereTheFirstWouldAddANumber) {
  const std::string room = "<$7$>hall$>$>5$><$7$>";
  EXPECT_EQ(SetTwo(room, 2, 1, 2, 1, "3", 2), "<$7$>hall$> 3$>6$><$7$>");
  // The second change sees the first one's result.
  EXPECT_EQ(SetTwo(room, 1, "ann", 1, 1, "bob", 1), "<$7$>hall$>ann bob$>5$><$7$>");
}

TEST_F(ListMethodsTest, AddNumberRefusesWhatIsNotANumber) {
  const std::string room = "<$7$>hall$>$>5$><$7$>";
  EXPECT_THROW(Set(room, "7", 1, 3, 2), CallError);      // empty field
  EXPECT_THROW(Set(room, "7", 0, 3, 2), CallError);      // text field
  EXPECT_THROW(Set(room, "7", 2, "x", 2), CallError);    // text value
  EXPECT_THROW(Set(room, "7", 2, 40000, 2), CallError);  // beyond 16 bits
  Variant l(room), k("7"), i(1), v("x"), m(0), i2(2);
  EXPECT_THROW(object_.SetListValue(l, k, i, v, m, &i2), CallError);
}

}  // namespace
}  // namespace tavolin
