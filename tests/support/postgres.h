#ifndef VARNIC_TESTS_SUPPORT_POSTGRES_H_
#define VARNIC_TESTS_SUPPORT_POSTGRES_H_

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/command.h"
#include "tests/support/temp_dir.h"

namespace varnic::testing {

// A PostgreSQL server of Debian's postgresql package, started in a temporary directory and
// reached through a Unix socket there (no TCP), stopped when this goes. PostgreSQL refuses to
// run as root, so as root the server runs as `nobody`. Problem() says why there is no server.
class CPostgresServer {
 public:
  CPostgresServer() {
    bin_ = FindBin();
    if (bin_.empty()) {
      problem_ = "the postgresql package is not installed (scripts/install-deps.sh installs it)";
      return;
    }
    if (::geteuid() == 0) {
      as_ = "runuser -u nobody -- ";
      if (std::system(("chown nobody " + Quote(dir_.File(""))).c_str()) != 0) {
        problem_ = "cannot hand the server's directory to nobody";
        return;
      }
    }
    const std::string data = dir_.File("data");
    if (!Run(Tool("initdb") + " -D " + Quote(data) + " -U varnic -A trust -E UTF8 --no-sync") ||
        !Run(Tool("pg_ctl") + " -D " + Quote(data) + " -l " + Quote(dir_.File("server.log")) +
             " -w -o " + Quote("-k " + dir_.File("") + " -c listen_addresses='' -c fsync=off") +
             " start")) {
      problem_ = "the PostgreSQL server did not start: " + ReadAll(dir_.File("tool.log")) +
                 ReadAll(dir_.File("server.log"));
      return;
    }
    started_ = true;
  }
  ~CPostgresServer() {
    if (started_) Run(Tool("pg_ctl") + " -D " + Quote(dir_.File("data")) + " -m immediate -w stop");
  }
  CPostgresServer(const CPostgresServer&) = delete;
  CPostgresServer& operator=(const CPostgresServer&) = delete;

  const std::string& Problem() const { return problem_; }

  // A new, empty database; its address.
  std::string NewDatabase(const std::string& name) {
    Run(Tool("createdb") + " -h " + Quote(dir_.File("")) + " -U varnic " + Quote(name));
    return "postgresql:///" + name + "?host=" + dir_.File("") + "&user=varnic";
  }
  // Runs SQL in database `name` through psql.
  bool Sql(const std::string& name, const std::string& sql) {
    return Run(Tool("psql") + " -q -v ON_ERROR_STOP=1 -h " + Quote(dir_.File("")) +
               " -U varnic -d " + Quote(name) + " -c " + Quote(sql));
  }

 private:
  static std::string FindBin() {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", ignored)) {
      if (std::filesystem::exists(entry.path() / "bin/initdb"))
        return (entry.path() / "bin").string();
    }
    return {};
  }
  std::string Tool(const std::string& name) const { return as_ + Quote(bin_ + "/" + name); }
  bool Run(const std::string& command) const {
    return std::system((command + " >" + Quote(dir_.File("tool.log")) + " 2>&1").c_str()) == 0;
  }

  CTempDir dir_;
  std::string bin_;
  std::string as_;
  std::string problem_;
  bool started_ = false;
};

}  // namespace varnic::testing

#endif  // VARNIC_TESTS_SUPPORT_POSTGRES_H_
