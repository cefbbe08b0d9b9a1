// Copyright Tavolin developers.

#include "testing/postgres_cluster.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "tavolin/database.h"
#include "tavolin/env.h"
#include "testing/free_port.h"

namespace tavolin::testing {
namespace {

namespace fs = std::filesystem;

class Cluster {
 public:
  Cluster() {
    const fs::path bin = kPostgresBinaries;
    if (!fs::exists(bin / "initdb") || !fs::exists(bin / "pg_ctl")) {
      throw std::runtime_error(
          "PostgreSQL's server programs are not in " + bin.string() +
          ": run scripts/install-deps.sh (or set TAVOLIN_NO_POSTGRES=1 to leave these cases out)");
    }
    char pattern[] = "/tmp/tavolin-pg-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
      throw std::runtime_error("cannot make a folder for PostgreSQL");
    }
    folder_ = pattern;
    // A server that did not start leaves no folder behind.
    try {
      // initdb refuses to run as root: the server then belongs to postgres.
      if (::geteuid() == 0) {
        as_user_ = "runuser -u postgres -- ";
        Run("chown postgres " + folder_.string());
      }
      port_ = FreePort();
      const std::string data = (folder_ / "data").string();
      Run(as_user_ + (bin / "initdb").string() + " -D " + data +
          " -A trust -U postgres -E UTF8 --locale=C --no-sync > " +
          (folder_ / "initdb.log").string() + " 2>&1");
      Run(as_user_ + (bin / "pg_ctl").string() + " -D " + data + " -l " +
          (folder_ / "server.log").string() + " -w -o \"-p " + std::to_string(port_) + " -k " +
          folder_.string() + " -c listen_addresses=127.0.0.1 -c fsync=off\" start > /dev/null");
    } catch (const std::runtime_error& e) {
      std::string logs;
      for (const char* log : {"initdb.log", "server.log"}) {
        std::ifstream file(folder_ / log);
        logs +=
            std::string("\n") + log + ":\n" + std::string(std::istreambuf_iterator<char>(file), {});
      }
      std::error_code ignored;
      fs::remove_all(folder_, ignored);
      throw std::runtime_error(e.what() + logs);
    }
    started_ = true;
  }

  ~Cluster() {
    if (started_) {
      std::system((as_user_ + kPostgresBinaries + "/pg_ctl -D " + (folder_ / "data").string() +
                   " -m immediate -w stop > /dev/null 2>&1")
                      .c_str());
    }
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  std::string ConnectionString(const std::string& database) const {
    return "postgresql://postgres@127.0.0.1:" + std::to_string(port_) + "/" + database;
  }

 private:
  void Run(const std::string& command) const {
    if (std::system(command.c_str()) != 0) {
      throw std::runtime_error("the test PostgreSQL server did not start: '" + command +
                               "' failed");
    }
  }

  fs::path folder_;
  std::string as_user_;
  int port_ = 0;
  bool started_ = false;
};

}  // namespace

bool PostgresCasesOff() {
  const char* off = std::getenv("TAVOLIN_NO_POSTGRES");
  return off != nullptr && std::string(off) == "1";
}

std::string NewPostgresDatabase() {
  static std::mutex mutex;
  static std::unique_ptr<Cluster> cluster;  // stopped when the program ends
  static std::atomic<int> count{0};
  std::string admin;
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (!cluster) cluster = std::make_unique<Cluster>();
    admin = cluster->ConnectionString("postgres");
  }
  const std::string name = "test_" + std::to_string(count++);
  OpenConnection(admin, Env::Default())->Execute("CREATE DATABASE " + name);
  std::lock_guard<std::mutex> lock(mutex);
  return cluster->ConnectionString(name);
}

}  // namespace tavolin::testing
