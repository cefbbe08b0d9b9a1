// Copyright Tavolin developers.

#include <gtest/gtest.h>

#include "tavolin/corvane.h"
#include "tavolin/error.h"

namespace tavolin {
namespace {

CallError CallErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const CallError& e) {
    return e;
  }
  ADD_FAILURE() << "no CallError";
  return CallError(ErrorCode::kDatabase, "");
}

TEST(MethodTableTest, CreatesByIdentifierAndCallsByName) {
  auto object = CreateObject("tavolin.CORVANE");
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(CallErrorOf([] { CreateObject("Tavolin.Other"); }).code(), ErrorCode::kUnknownName);

  std::vector<Variant> none;
  EXPECT_EQ(CallByName(*object, "getver", none).ToText(), object->GetVer().ToText());

  std::vector<Variant> args = {"<$7$>hall$>tom$><$7$>", "7", "1"};
  EXPECT_EQ(CallByName(*object, "GetListValue", args).ToText(), "tom");
  // Optional trailing arguments may be left out, but not required ones.
  std::vector<Variant> set = {"<$7$>a$>b$><$7$>", "7", "0", "x", "0"};
  EXPECT_EQ(CallByName(*object, "SetListValue", set).ToText(), "<$7$>x$>b$><$7$>");
  set.insert(set.end(), {"1", "y", "0"});
  EXPECT_EQ(CallByName(*object, "SetListValue", set).ToText(), "<$7$>x$>y$><$7$>");
  set.push_back("extra");
  EXPECT_EQ(CallErrorOf([&] { CallByName(*object, "SetListValue", set); }).code(),
            ErrorCode::kArgumentCount);
  args.pop_back();
  EXPECT_EQ(CallErrorOf([&] { CallByName(*object, "GetListValue", args); }).code(),
            ErrorCode::kArgumentCount);

  EXPECT_EQ(CallErrorOf([&] { CallByName(*object, "NoSuchMethod", none); }).code(),
            ErrorCode::kUnknownName);
  // Methods that take host objects refuse a call without them.
  EXPECT_EQ(CallErrorOf([&] { CallByName(*object, "InitGlobal", none); }).code(),
            ErrorCode::kInvalidProcedureCall);
}

TEST(MethodTableTest, ProceduresReturnEmptyAndPropertiesKeepTheirValues) {
  Corvane object;
  Application app;  // no connection string: the load fails, by name as directly
  std::vector<Variant> none;
  EXPECT_EQ(CallErrorOf([&] { CallByName(object, "preglobal_1", none, {&app}); }).code(),
            ErrorCode::kDatabase);

  object.Setroom_id(Variant("12"));
  EXPECT_EQ(object.room_id().type(), Variant::Type::kLong);
  EXPECT_EQ(object.room_id().ToLong(), 12);
  EXPECT_THROW(object.Setroom_id(Variant("hall")), CallError);
  object.SetConstStr(Variant("p"));
  EXPECT_EQ(object.ConstStr().ToText(), "p");
}

}  // namespace
}  // namespace tavolin
