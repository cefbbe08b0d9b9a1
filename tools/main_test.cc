// Copyright Tavolin developers.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "testing/chat_test_env.h"
#include "text/strings.h"

namespace tavolin {
namespace {

using text::Contains;

struct ToolRun {
  int exit_code;
  std::string out, err;  // standard output and standard error
};

// Runs the binary the build names in TAVOLIN_BINARY with `arguments` (shell-quoted) in `folder`.
ToolRun RunTool(const std::string& arguments, const std::string& folder = ".") {
  const char* binary = std::getenv("TAVOLIN_BINARY");
  if (binary == nullptr) return {-1, "", "TAVOLIN_BINARY is not set"};
  const std::string output = testing::TempDatabase().path();
  const int status = std::system(("cd " + folder + " && timeout 10 " + binary + " " + arguments +
                                  " >" + output + ".out 2>" + output + ".err")
                                     .c_str());
  const auto take = [](const std::string& path) {
    const std::string text = (std::stringstream() << std::ifstream(path).rdbuf()).str();
    std::remove(path.c_str());
    return text;
  };
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, take(output + ".out"),
          take(output + ".err")};
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
    EXPECT_EQ(std::to_string(run.exit_code) + " " + run.out + (run.err.empty() ? "" : " (error)"),
              std::to_string(c.exit_code) + " " + c.out + (c.exit_code == 0 ? "" : " (error)"))
        << c.arguments << ": " << run.err;
  }
}

TEST(ToolTest, LoadCreatesTheDefaultDatabaseAndRefusesABadSettingByName) {
  testing::TempDatabase database;
  const std::filesystem::path folder = database.path() + ".d";
  std::filesystem::create_directory(folder);
  const ToolRun named = RunTool("load " + database.connection_string());
  const ToolRun in_folder = RunTool("load", folder.string());
  EXPECT_EQ(named.exit_code * 10 + in_folder.exit_code, 0) << named.err << in_folder.err;
  EXPECT_NE(named.out.find("say ring of 201 lines"), std::string::npos) << named.out;
  EXPECT_TRUE(std::filesystem::exists(folder / "tavolin.db"));
  std::filesystem::remove_all(folder);
  // A setting that would fail every login or post stops the start-up, naming it and its value.
  for (const auto& [alias, body] : {std::pair{"maxtalk", "-1"}, {"enterchatshow", "hi::red"}}) {
    testing::ChatTestEnv chat;
    chat.SetParam(alias, body);
    const std::string db = chat.app().Get("_connstr").ToText();
    for (const std::string& command :
         {"load " + db, "serve --listen 127.0.0.1:0 --site '' --db " + db}) {
      const ToolRun run = RunTool(command);
      EXPECT_TRUE(run.exit_code == 1 &&
                  Contains(run.err, std::string(alias) + " is '" + body + "'"))
          << command << ": " << run.exit_code << " " << run.err;
    }
  }
}

}  // namespace
}  // namespace tavolin
