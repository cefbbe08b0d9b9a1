// Copyright Tavolin developers.
//
// The tavolin command as an operator runs it: the binary itself, found
// through TAVOLIN_BINARY, which the build sets for its tests.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "testing/chat_test_env.h"

namespace tavolin {
namespace {

struct ToolRun {
  int exit_code;
  std::string out, err;  // standard output and standard error
};

// Runs the binary with `arguments` (already quoted for the shell) in
// `folder`, and stops it after ten seconds.
ToolRun RunTool(const std::string& arguments, const std::string& folder = ".") {
  const char* binary = std::getenv("TAVOLIN_BINARY");
  if (binary == nullptr) return {-1, "", "TAVOLIN_BINARY is not set"};
  const std::string err_path = testing::TempDatabase().path() + ".err";
  FILE* pipe = ::popen(
      ("cd " + folder + " && timeout 10 " + binary + " " + arguments + " 2>" + err_path).c_str(),
      "r");
  if (pipe == nullptr) return {-1, "", "cannot run"};
  ToolRun run{0, "", ""};
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    run.out.append(buffer, got);
  }
  const int status = ::pclose(pipe);
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = (std::stringstream() << std::ifstream(err_path).rdbuf()).str();
  std::remove(err_path.c_str());
  return run;
}

TEST(ToolTest, CallPrintsTheResultOrTheErrorWithAFailingExit) {
  const struct {
    const char* arguments;
    int exit_code;
    const char* out;
  } cases[] = {
      {"call GetListValue '<$7$>hall$>tom$><$7$>' 7 1", 0, "tom"},  // no newline added
      {"call --filter bad zhgl 'bad bad'", 0, "**(脏话) bad"},
      {"call trHtml 'a<b&c>'", 0, "a&lt;b&amp;c&gt;"},
      {"call GetListValue '<$7$>hall$><$7$>' 8 0", 1, ""},
      {"call NoSuchMethod", 1, ""},
      {"call refresh", 1, ""},  // needs the host objects
      {"", 2, ""},
  };
  for (const auto& c : cases) {
    const ToolRun run = RunTool(c.arguments);
    EXPECT_EQ(run.exit_code, c.exit_code) << c.arguments;
    EXPECT_EQ(run.out, c.out) << c.arguments;
    EXPECT_EQ(run.err.empty(), c.exit_code == 0) << c.arguments << ": " << run.err;
  }
}

TEST(ToolTest, LoadCreatesTheDefaultDatabaseAndRefusesABadSettingByName) {
  testing::TempDatabase database;
  ToolRun run = RunTool("load " + database.connection_string());
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.out.find("say ring of 201 lines"), std::string::npos) << run.out;
  const std::filesystem::path folder = database.path() + ".d";
  std::filesystem::create_directory(folder);
  run = RunTool("load", folder.string());
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(std::filesystem::exists(folder / "tavolin.db"));
  std::filesystem::remove_all(folder);

  // A setting that would fail every login or post stops the start-up, naming
  // the setting and its value.
  for (const auto& [alias, body] : {std::pair{"maxtalk", "-1"}, {"enterchatshow", "hi::red"}}) {
    testing::ChatTestEnv chat;
    chat.SetParam(alias, body);
    const std::string db = chat.app().Get("_connstr").ToText();
    for (const std::string& command :
         {"load " + db, "serve --listen 127.0.0.1:0 --site '' --db " + db}) {
      run = RunTool(command);
      EXPECT_EQ(run.exit_code, 1) << command;
      EXPECT_NE(run.err.find(std::string(alias) + " is '" + body + "'"), std::string::npos)
          << command << ": " << run.err;
    }
  }
}

}  // namespace
}  // namespace tavolin
