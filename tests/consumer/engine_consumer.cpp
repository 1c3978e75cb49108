// Compares two small backups through the installed headers and library; exits 0 when the result
// is the one expected.
#include <cstdio>
#include <cstring>
#include <string>

#include "varnic/compare.h"
#include "varnic/marked.h"
#include "varnic/version.h"

namespace {

class CCounter : public varnic::CCompareObserver {
 public:
  void OnChange(const varnic::CChange&, const varnic::CChangeLog&) override { ++changes; }
  int changes = 0;
};

}  // namespace

int main() {
  if (std::strcmp(varnic::LibraryVersion(), VARNIC_VERSION_STRING) != 0) {
    std::fprintf(stderr, "headers %s, library %s\n", VARNIC_VERSION_STRING,
                 varnic::LibraryVersion());
    return 1;
  }
  CCounter counter;
  const varnic::CComparison comparison =
      varnic::Compare({"[5GHz_WirelessSettings]\nssid=a\nchannel=36\n[Elsewhere]\nx=1\n", 0},
                      {"[5GHz_WirelessSettings]\r\nssid=b\r\nchannel=36\r\n", 0}, &counter);
  const std::string marked = varnic::MarkedText(comparison, varnic::FileSide::kFile1);
  const std::string expected = "[5GHz_WirelessSettings]\r\nd_ssid=a\r\ns_channel=36\r\n";
  if (marked != expected || !comparison.HasDifferences() || counter.changes != 2 ||
      comparison.Sections().size() != 1 ||
      comparison.Sections()[0][0].kind != varnic::RowKind::kDifferent) {
    std::fprintf(stderr, "unexpected comparison:\n%s(%d changes)\n", marked.c_str(),
                 counter.changes);
    return 1;
  }
  std::puts("engine consumer: ok");
  return 0;
}
