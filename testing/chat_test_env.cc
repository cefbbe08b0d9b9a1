// Copyright Tavolin developers.

#include "testing/chat_test_env.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>

#include "component/schema.h"

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

ChatTestEnv::ChatTestEnv(std::string prefix)
    : clock_(DateTime::FromCivil(2026, 3, 4, 10, 0, 0)), prefix_(std::move(prefix)) {
  app_.Set(prefix_ + "_connstr", Variant(file_.connection_string()));
}

std::unique_ptr<Corvane> ChatTestEnv::NewObject() {
  auto object = CreateObject("Tavolin.Corvane", &clock_);
  object->SetConstStr(Variant(prefix_));
  return object;
}

Connection& ChatTestEnv::db() {
  if (!db_) db_ = OpenConnection(file_.connection_string(), &clock_, ChatSchemaScript());
  return *db_;
}

void ChatTestEnv::SetParam(std::string_view alias, const Variant& body) {
  Exec("DELETE FROM sysparam WHERE alias = ?", {Variant(alias)});
  Exec("INSERT INTO sysparam (alias, body) VALUES (?, ?)", {Variant(alias), body});
}

}  // namespace tavolin::testing
