// Copyright Tavolin developers.

#include <gmock/gmock.h>
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
#include "testing/postgres_cluster.h"
#include "testing/served_chat.h"
#include "text/strings.h"

namespace tavolin {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;
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

// Every table's rows as text, in id order, with the columns the SQLite file has.
std::string TableText(Connection& db, Connection& sqlite, const std::string& table) {
  std::vector<std::string> columns;
  for (auto c = sqlite.Execute("SELECT name FROM pragma_table_info(?)", {Variant(table)});
       !c->eof(); c->MoveNext()) {
    columns.push_back(c->Field("name").ToText());
  }
  std::string text;
  for (auto row = db.Execute("SELECT * FROM " + table + " ORDER BY ID"); !row->eof();
       row->MoveNext()) {
    for (const std::string& column : columns) {
      const Variant value = row->Field(column);
      text += (value.type() == Variant::Type::kNull ? "NULL" : value.ToText()) + "|";
    }
    text += "\n";
  }
  return text;
}

// Catches a migration that loses or alters a row, a name, a date, a NULL or a
// number, that overwrites a chat without --replace, that leaves the id
// sequences behind, or that breaks the logins of the users it copies.
TEST(ToolTest, MigrateCopiesASqliteChatIntoPostgres) {
  if (testing::PostgresCasesOff()) GTEST_SKIP();
  const char* tables[] = {"sysparam", "autoact", "scrollad", "room",     "user",      "record",
                          "vrecord",  "ip_lock", "calls",    "friendrq", "guestbook", "action"};
  testing::TempDatabase old_file;  // the copy goes from SQLite, whichever database the suite uses
  testing::ServedChat old_chat("secret", server::ChatSite::Options{}.max_sessions,
                               old_file.connection_string());
  old_chat.Visitor("AnnA");
  old_chat.Visitor("小明");
  Connection& sqlite = old_chat.db();
  for (const char* command :
       {"INSERT INTO room (room_name, room_keep, room_time) VALUES ('Hof', 3, '2024-02-29 "
        "23:59:59')",
        "INSERT INTO guestbook (towho, post_time, who, body) VALUES ('小明', now(), 'AnnA', '你好 "
        "''x''')",
        "INSERT INTO vrecord (username, temp_level, end_time) VALUES ('AnnA', 7, '2030-01-01 "
        "08:00:00')",
        "INSERT INTO vrecord (username, temp_level) VALUES ('小明', 6)",
        "UPDATE user SET temppass = NULL, exp_num = 2147483647 WHERE username = 'anna'"}) {
    sqlite.Execute(command);
  }
  const std::string to = testing::NewPostgresDatabase();
  const std::string migrate = "migrate " + old_chat.app().Get("_connstr").ToText() + " " + to;
  const ToolRun first = RunTool(migrate);
  ASSERT_EQ(first.exit_code, 0) << first.err;
  EXPECT_THAT(first.out, AllOf(HasSubstr("user: 2 rows\n"), HasSubstr("vrecord: 2 rows\n")));
  std::unique_ptr<Connection> postgres = OpenConnection(to, Env::Default());
  const auto all_equal = [&] {
    for (const char* table : tables) {
      EXPECT_EQ(TableText(*postgres, sqlite, table), TableText(sqlite, sqlite, table)) << table;
    }
  };
  all_equal();
  EXPECT_EQ(postgres->Execute("select count(*) as v from vrecord where end_time is null")
                ->Field("v")
                .ToText(),
            "1");
  // A chat already there is kept unless --replace is given.
  sqlite.Execute("INSERT INTO guestbook (towho, who, body) VALUES ('AnnA', '小明', 'new')");
  const ToolRun refused = RunTool(migrate);
  EXPECT_EQ(refused.exit_code, 1) << refused.err;
  EXPECT_EQ(TableText(*postgres, sqlite, "guestbook").find("new|"), std::string::npos);
  const ToolRun replaced = RunTool("migrate --replace " + migrate.substr(8));
  EXPECT_EQ(replaced.exit_code, 0) << replaced.err;
  all_equal();
  EXPECT_EQ(RunTool("migrate " + to).exit_code, 2);
  // The migrated chat serves: ids go on after the copied ones, names compare
  // without case and the old password lets its user in.
  postgres->Execute("INSERT INTO room (room_name) VALUES ('next')");
  EXPECT_EQ(
      postgres->Execute("select ID as v from room where room_name='NEXT'")->Field("v").ToText(),
      "7");
  testing::ServedChat new_chat("secret", server::ChatSite::Options{}.max_sessions, to);
  testing::HttpTestClient ann(new_chat.port()), wrong(new_chat.port());
  EXPECT_THAT(new_chat.Login(ann, "anna", "1", "pwAnnA").Utf8Body(),
              HasSubstr("location.replace('chat.asp')"));
  EXPECT_THAT(new_chat.Login(wrong, "小明", "1", "nope").Utf8Body(),
              Not(HasSubstr("location.replace('chat.asp')")));
}

// `tavolin serve` on a free port, `before` run in its shell first, `options`
// added; stopped at the end.
struct RunningServer {
  RunningServer(const std::string& before, const std::string& options) {
    // The shell prints its process id, which the server then takes over.
    pipe = popen((before + "echo $$; exec timeout 60 " + std::getenv("TAVOLIN_BINARY") +
                  " serve --listen 127.0.0.1:0 --site '' " + options)
                     .c_str(),
                 "r");
    char line[512] = "";
    pid = pipe && std::fgets(line, sizeof line, pipe) ? std::atoi(line) : 0;
    const char* address = pid && std::fgets(line, sizeof line, pipe) ? std::strstr(line, "1:") : 0;
    port = address ? static_cast<uint16_t>(std::atoi(address + 2)) : 0;
  }
  ~RunningServer() {
    if (pid > 0) kill(pid, SIGTERM);
    if (pipe) pclose(pipe);
  }
  FILE* pipe = nullptr;
  pid_t pid = 0;
  uint16_t port = 0;
};

// Catches an admin command that changes the wrong row, reports a refusal as
// done, or takes a usage error for a refusal.
TEST(ToolTest, AdminChangesTheDatabaseAndExitsByOutcome) {
  testing::ChatTestEnv chat;
  const std::string db = "admin --db " + chat.app().Get("_connstr").ToText() + " ";
  const auto value = [&](const std::string& query) {
    return chat.db().Execute(query)->Field("v").ToText();
  };
  chat.db().Execute("insert into user (username, user_level) values ('ann', 2)");
  const struct {
    const char* arguments;
    int exit_code;
    const char* query;  // its answer after the command
    const char* answer;
  } cases[] = {
      {"room add 新房 owner=bob keep=1", 0,
       "select room_owner||room_keep as v from room where room_name='新房'", "bob1"},
      {"room set 1 door_open=0", 0, "select door_open||room_name as v from room where ID=1",
       "0大厅"},
      {"room set 1 permit_level=x", 1, "select permit_level as v from room where ID=1", "0"},
      {"room set 99 keep=1", 1, "select count(*) as v from room where ID=99", "0"},
      {"room add x colour=red", 2, "select count(*) as v from room where room_name='x'", "0"},
      {"user set-level ann 7", 0, "select user_level as v from user where username='ann'", "7"},
      {"user freeze ann", 0, "select out_info as v from user where username='ann'", "7"},
      {"user unfreeze ann", 0, "select out_info as v from user where username='ann'", "0"},
      {"user kick nobody 2099-01-01", 1, "select count(*) as v from user", "1"},
      {"lock add 10.1. 2099-01-01 5", 0, "select ip||act_level as v from ip_lock", "10.1.5"},
      {"set maxtalk -1", 1, "select body as v from sysparam where alias='maxtalk'", "200"},
      {"set maxtalk", 2, "select body as v from sysparam where alias='maxtalk'", "200"},
  };
  for (const auto& c : cases) {
    const ToolRun run = RunTool(db + c.arguments);
    EXPECT_EQ(run.exit_code, c.exit_code) << c.arguments << ": " << run.out << run.err;
    EXPECT_EQ(value(c.query), c.answer) << c.arguments;
  }
  EXPECT_THAT(RunTool(db + "user show ann").out, HasSubstr("level\t7\n"));
}

// Catches a change through a running server that does not reach its live
// chat at once.
TEST(ToolTest, AdminThroughARunningServerChangesItsLiveChat) {
  testing::ChatDatabase database;
  const RunningServer server("export TAVOLIN_ADMIN_PASSWORD=pw; ",
                             "--db " + database.connection_string());
  ASSERT_GT(server.port, 0);
  testing::HttpTestClient ann(server.port);
  ann.Post("/login.asp",
           {{"sUserName", "ann"}, {"sPass", "pwann"}, {"bSex", "1"}, {"room_id", "1"}});
  const std::string admin = "admin --server http://127.0.0.1:" + std::to_string(server.port) + " ";
  setenv("TAVOLIN_ADMIN_PASSWORD", "pw", 1);
  const ToolRun added = RunTool(admin + "room add 新房");
  const ToolRun kicked = RunTool(admin + "user kick ann 2099-01-01");
  setenv("TAVOLIN_ADMIN_PASSWORD", "no", 1);
  const ToolRun refused = RunTool(admin + "room add 旧房");
  unsetenv("TAVOLIN_ADMIN_PASSWORD");
  EXPECT_EQ(added.exit_code * 100 + kicked.exit_code * 10 + refused.exit_code, 1)
      << added.err << kicked.err << refused.err;
  EXPECT_THAT(testing::HttpTestClient(server.port).Get("/").Utf8Body(),
              AllOf(HasSubstr(">新房<"), Not(HasSubstr("旧房"))));
  EXPECT_THAT(ann.Get("/refresh.asp").Utf8Body(), HasSubstr("showerr.asp"));
}

// Catches an accept loop that spins and floods the log when the descriptors
// run out, and a server that does not answer once they are free again.
TEST(ToolTest, ServeUnderALowOpenFileLimitOutlivesRunningOut) {
#ifdef __SANITIZE_ADDRESS__
  // The sanitizers' runtime opens files of its own to check and report, and
  // takes the server down once there are none left.
  GTEST_SKIP() << "not under the sanitizers";
#endif
  testing::TempDatabase database;
  const std::string log = database.path() + ".err";
  const RunningServer server("ulimit -n 64; ", "--max-connections 1000 --db " +
                                                   database.connection_string() + " 2>" + log);
  ASSERT_TRUE(server.pid > 0 && server.port > 0);
  const uint16_t port = server.port;
  {
    boost::asio::io_context ioc;
    std::vector<boost::asio::ip::tcp::socket> held;
    for (int i = 0; i < 100; ++i) {
      held.emplace_back(ioc).connect({boost::asio::ip::make_address("127.0.0.1"), port});
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));  // the server out of descriptors
  }
  const int status = testing::HttpTestClient(port).Get("/").status;
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
