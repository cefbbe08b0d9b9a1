// Copyright Tavolin developers.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <boost/asio/ip/tcp.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "testing/chat_test_env.h"
#include "testing/served_chat.h"
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

// Catches an accept loop that spins and floods the log when the descriptors
// run out, and a server that does not answer once they are free again.
TEST(ToolTest, ServeUnderALowOpenFileLimitOutlivesRunningOut) {
#ifdef __SANITIZE_ADDRESS__
  // The sanitizers' runtime opens files of its own to check and report, and
  // takes the server down once there are none left.
  GTEST_SKIP() << "not under the sanitizers";
#endif
  const char* binary = std::getenv("TAVOLIN_BINARY");
  ASSERT_NE(binary, nullptr);
  testing::TempDatabase database;
  const std::string log = database.path() + ".err";
  // The shell prints its process id, which the server then takes over.
  FILE* server = popen(("ulimit -n 64; echo $$; exec timeout 60 " + std::string(binary) +
                        " serve --listen 127.0.0.1:0 --site '' --max-connections 1000 --db " +
                        database.connection_string() + " 2>" + log)
                           .c_str(),
                       "r");
  ASSERT_NE(server, nullptr);
  char line[512] = "";
  const pid_t pid = std::fgets(line, sizeof line, server) ? std::atoi(line) : 0;
  const char* address = std::fgets(line, sizeof line, server) ? std::strstr(line, "1:") : nullptr;
  ASSERT_TRUE(pid > 0 && address != nullptr) << line;
  const auto port = static_cast<uint16_t>(std::atoi(address + 2));
  {
    boost::asio::io_context ioc;
    std::vector<boost::asio::ip::tcp::socket> held;
    for (int i = 0; i < 100; ++i) {
      held.emplace_back(ioc).connect({boost::asio::ip::make_address("127.0.0.1"), port});
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));  // the server out of descriptors
  }
  const int status = testing::HttpTestClient(port).Get("/").status;
  kill(pid, SIGTERM);
  pclose(server);
  const std::string errors = (std::stringstream() << std::ifstream(log).rdbuf()).str();
  std::remove(log.c_str());
  size_t floods = 0;
  for (size_t at = 0; (at = errors.find("Too many open files", at)) != std::string::npos; ++at) {
    ++floods;
  }
  EXPECT_EQ(status, 200);
  EXPECT_TRUE(floods >= 1 && floods <= 4) << floods << " lines: " << errors.substr(0, 2000);
}

}  // namespace
}  // namespace tavolin
