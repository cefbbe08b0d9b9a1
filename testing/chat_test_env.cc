// Copyright Tavolin developers.

#include "testing/chat_test_env.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "component/schema.h"
#include "testing/postgres_cluster.h"

namespace tavolin::testing {

TempDatabase::TempDatabase() {
  static std::atomic<int> counter{0};
  path_ = (std::filesystem::temp_directory_path() /
           ("tavolin-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".db"))
              .string();
}

TempDatabase::~TempDatabase() {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::remove((path_ + suffix).c_str());
}

std::string JoinedValues(Connection& db, std::string_view query, std::string_view separator,
                         const std::vector<Variant>& params) {
  std::string joined;
  bool first = true;
  for (auto row = db.Execute(query, params); !row->eof(); row->MoveNext()) {
    const Variant value = row->Field("v");
    if (value.type() == Variant::Type::kNull) continue;
    joined += (first ? "" : std::string(separator)) + value.ToText();
    first = false;
  }
  return joined;
}

namespace {

bool OnPostgres() {
  const char* choice = std::getenv("TAVOLIN_TEST_DATABASE");
  return choice != nullptr && std::string(choice) == "postgres";
}

// Leaves every test of the program out when the chat is to be on PostgreSQL
// but TAVOLIN_NO_POSTGRES=1 asks for no PostgreSQL cases.
class PostgresSwitch : public ::testing::Environment {
 public:
  void SetUp() override {
    if (OnPostgres() && PostgresCasesOff()) GTEST_SKIP() << "TAVOLIN_NO_POSTGRES=1";
  }
};
const auto* const kPostgresSwitch = ::testing::AddGlobalTestEnvironment(new PostgresSwitch);

// A new database holding the chat's schema: a copy of one made once per
// program, which costs far less than running the schema for each test.
std::string NewPostgresChatDatabase() {
  static const std::string original = [] {
    const std::string made = NewPostgresDatabase();
    ManualClockEnv clock(TestStartTime());
    OpenConnection(made, &clock, ChatSchemaScript());
    return made;
  }();
  return NewPostgresDatabase(original);
}

}  // namespace

ChatDatabase::ChatDatabase()
    : connection_string_(OnPostgres() ? NewPostgresChatDatabase() : file_.connection_string()) {}

ChatDatabase::~ChatDatabase() {
  if (OnPostgres()) DropPostgresDatabase(connection_string_);
}

ChatTestEnv::ChatTestEnv(std::string prefix) : clock_(TestStartTime()), prefix_(std::move(prefix)) {
  app_.Set(prefix_ + "_connstr", Variant(database_.connection_string()));
}

std::unique_ptr<Corvane> ChatTestEnv::NewObject() {
  auto object = CreateObject("Tavolin.Corvane", &clock_);
  object->SetConstStr(Variant(prefix_));
  return object;
}

Connection& ChatTestEnv::db() {
  if (!db_) db_ = OpenConnection(database_.connection_string(), &clock_, ChatSchemaScript());
  return *db_;
}

void ChatTestEnv::SetParam(std::string_view alias, const Variant& body) {
  Exec("DELETE FROM sysparam WHERE alias = ?", {Variant(alias)});
  Exec("INSERT INTO sysparam (alias, body) VALUES (?, ?)", {Variant(alias), body});
}

}  // namespace tavolin::testing
