#ifndef VARNIC_AUDIT_INTERRUPT_H_
#define VARNIC_AUDIT_INTERRUPT_H_

#include <atomic>

namespace varnic::audit {

// While one lives, SIGINT and SIGTERM (Ctrl-C, a batch system's time limit) only set a flag: the
// audit starts no new pair, lets those running finish and land their files, and reports what it
// has. A second signal ends the process at once, as the signal would have. The earlier handlers
// are put back on destruction. One at a time per process.
class CInterruptScope {
 public:
  CInterruptScope();
  ~CInterruptScope();
  CInterruptScope(const CInterruptScope&) = delete;
  CInterruptScope& operator=(const CInterruptScope&) = delete;

  const std::atomic<bool>& Flag() const;
  // The signal that arrived, 0 for none.
  int Signal() const;
};

}  // namespace varnic::audit

#endif  // VARNIC_AUDIT_INTERRUPT_H_
