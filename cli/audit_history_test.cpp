#include "cli/audit_history.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnic::cli {
namespace {

TEST(AuditHistory, DeviceNamesStayTheSameFromNightToNight) {
  const struct {
    const char* what;
    std::vector<std::string> arguments;
    std::vector<std::string> targets;
    std::vector<std::string> names;
  } cases[] = {
      {"below a dated folder",
       {"/backups/2026-12-08/"},
       {"/backups/2026-12-08/site-a/ap1.cfg", "/backups/2026-12-08/site-b/ap1.cfg"},
       {"site-a/ap1", "site-b/ap1"}},
      {"files named on their own",
       {"tonight/ap1.cfg", "ap2.backup.cfg", "noext"},
       {"tonight/ap1.cfg", "ap2.backup.cfg", "noext"},
       {"ap1", "ap2.backup", "noext"}},
      {"a folder whose name only starts like the argument",
       {"/b/site"},
       {"/b/site-2/ap.cfg"},
       {"ap"}},
      {"dots in folders, not in the file", {"/b.d"}, {"/b.d/x.y/ap"}, {"x.y/ap"}},
      {"two files that would share a name keep their paths",
       {"a/ap1.cfg", "b/ap1.cfg"},
       {"a/ap1.cfg", "b/ap1.cfg"},
       {"a/ap1.cfg", "b/ap1.cfg"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<audit::CTarget> targets;
    for (const std::string& path : c.targets) targets.push_back({path, ""});
    EXPECT_EQ(DeviceNames(targets, c.arguments), c.names);
  }
}

}  // namespace
}  // namespace varnic::cli
