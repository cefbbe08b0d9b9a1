// Copyright Tavolin developers.
//
// The tavolin command as an operator runs it: the binary itself, found
// through TAVOLIN_BINARY, which the build sets for its tests.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "testing/chat_test_env.h"

namespace tavolin {
namespace {

struct ToolRun {
  int exit_code;
  std::string out;  // standard output only
};

// Runs the binary with `arguments` (already quoted for the shell).
ToolRun RunTool(const std::string& arguments) {
  const char* binary = std::getenv("TAVOLIN_BINARY");
  if (binary == nullptr) return {-1, "TAVOLIN_BINARY is not set"};
  FILE* pipe = ::popen((std::string(binary) + " " + arguments + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return {-1, "cannot run"};
  ToolRun run{0, ""};
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    run.out.append(buffer, got);
  const int status = ::pclose(pipe);
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(ToolTest, CallPrintsTheResultWithoutANewline) {
  ToolRun run = RunTool("call GetListValue '<$7$>hall$>tom$><$7$>' 7 1");
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out, "tom");
  run = RunTool("call --filter bad zhgl 'bad bad'");
  EXPECT_EQ(run.out, "**(脏话) bad");
  run = RunTool("call trHtml 'a<b&c>'");
  EXPECT_EQ(run.out, "a&lt;b&amp;c&gt;");
}

TEST(ToolTest, ErrorsGoToStandardErrorWithAFailingExit) {
  ToolRun run = RunTool("call GetListValue '<$7$>hall$><$7$>' 8 0");
  EXPECT_NE(run.exit_code, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(RunTool("call NoSuchMethod").exit_code, 0);
  EXPECT_NE(RunTool("call refresh").exit_code, 0);  // needs the host objects
  EXPECT_EQ(RunTool("").exit_code, 2);
}

TEST(ToolTest, LoadCreatesAndLoadsADatabase) {
  testing::TempDatabase database;
  const ToolRun run = RunTool("load " + database.connection_string());
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_NE(run.out.find("say ring of 201 lines"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace tavolin
