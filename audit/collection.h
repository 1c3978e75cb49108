#ifndef VARNIC_AUDIT_COLLECTION_H_
#define VARNIC_AUDIT_COLLECTION_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "audit/device_result.h"
#include "audit/targets.h"

// Whether the collection of backups gave the audit what it should have: a fleet whose backups
// were not fetched must fail, never pass as a fleet of no drift.
namespace varnic::audit {

// The devices a fleet is expected to hold, so that a backup the collection failed to fetch is an
// error rather than a device nobody audited. One device a line; blank lines and lines starting
// with "#" are skipped, blanks around a line ignored. A line with a "/" is a path: it is met by a
// target that is the same file (relative paths from the current directory, as TARGETs are). A
// line without one is a device name: it is met by a target whose file name is the name, or the
// name and one extension ("ap1" is met by "sites/a/ap1.cfg").
class CExpectedDevices {
 public:
  struct CLine {
    std::string text;
    std::size_t number = 0;  // in the file, from 1
  };

  void Parse(std::string_view text);

  // The lines no path of `targets` meets, in the order of the file.
  std::vector<CLine> Missing(const std::vector<std::string>& targets) const;

  std::size_t size() const { return lines_.size(); }

 private:
  std::vector<CLine> lines_;
};

// An error row for each line of `expected` that none of `backups` meets.
std::vector<CDeviceResult> ExpectedWithoutBackup(const CExpectedDevices& expected,
                                                 const std::vector<std::string>& backups);

// The rows a collection that fell short calls for, as devices with an error: a directory named as
// a TARGET in which no backup was found (none matched `glob`, or all that did were skipped), and
// each line of `expected` that no backup meets. `skipped[i]` says whether target i of `list`
// turned out to be no backup. The rows' baselines are left for the caller.
std::vector<CDeviceResult> MissingBackups(const CTargetList& list, const std::vector<bool>& skipped,
                                          std::string_view glob, const CExpectedDevices* expected);

}  // namespace varnic::audit

#endif  // VARNIC_AUDIT_COLLECTION_H_
