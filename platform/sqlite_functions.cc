// Copyright Tavolin developers.

#include "platform/sqlite_functions.h"

#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ascii.h"
#include "tavolin/date_time.h"

namespace tavolin {
namespace {

std::string_view TextOf(sqlite3_value* value) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
  return text == nullptr ? std::string_view() : std::string_view(text, sqlite3_value_bytes(value));
}

// A date argument: a text in a DateTime::Parse form, or a serial-date number
// (what a date-time column holds when a number was stored in it).
std::optional<DateTime> DateArgument(sqlite3_value* value) {
  switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
      return DateTime::FromSerial(sqlite3_value_double(value));
    default:
      return DateTime::Parse(TextOf(value));
  }
}

void DateDiffFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
  for (int i = 0; i < argc; ++i) {
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) {
      sqlite3_result_null(context);
      return;
    }
  }
  // An exception must not cross SQLite's C frames: every failure becomes the
  // statement's error.
  try {
    const std::optional<DateTime> from = DateArgument(argv[1]);
    const std::optional<DateTime> to = DateArgument(argv[2]);
    if (!from || !to) {
      const std::string message =
          "datediff: not a date: '" + std::string(TextOf(from ? argv[2] : argv[1])) + "'";
      sqlite3_result_error(context, message.c_str(), -1);
      return;
    }
    const std::string interval = AsciiLower(TextOf(argv[0]));
    sqlite3_result_int64(context, DateDiff(interval, *from, *to));
  } catch (const std::exception& e) {
    sqlite3_result_error(context, (std::string("datediff: ") + e.what()).c_str(), -1);
  }
}

void NowFunction(sqlite3_context* context, int /*argc*/, sqlite3_value** /*argv*/) {
  try {
    auto* env = static_cast<Env*>(sqlite3_user_data(context));
    const std::string now = env->Now().ToString();
    sqlite3_result_text(context, now.data(), static_cast<int>(now.size()), SQLITE_TRANSIENT);
  } catch (const std::exception& e) {
    sqlite3_result_error(context, (std::string("now: ") + e.what()).c_str(), -1);
  }
}

}  // namespace

int RegisterChatFunctions(sqlite3* db, Env* env) {
  int rc = sqlite3_create_function_v2(db, "datediff", 3, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                      nullptr, DateDiffFunction, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) return rc;
  // now() reads a clock, so it is not deterministic.
  return sqlite3_create_function_v2(db, "now", 0, SQLITE_UTF8, env, NowFunction, nullptr, nullptr,
                                    nullptr);
}

}  // namespace tavolin
