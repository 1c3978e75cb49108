#ifndef VARNIC_AUDIT_DEVICE_ROWS_H_
#define VARNIC_AUDIT_DEVICE_ROWS_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audit/device_result.h"

namespace varnic::audit {

// Errors first, then drifted devices by how much drifted, then the rest; ties by path, so the
// order does not depend on the order devices finished in.
bool WorstFirst(const CDeviceResult& a, const CDeviceResult& b);

// The devices of a summary, worst first. Held in memory up to a bound; past it, each batch is
// sorted and written to an unnamed temporary file (nothing to clean up, whatever way the process
// ends), and reading merges the batches back in the same order. So a fleet's summary costs the
// bound, not a row per device, and every output reads the same rows in the same order.
class CDeviceRows {
 public:
  // What the rows may hold in memory before they spill; 0 never spills.
  static constexpr std::size_t kDefaultBound = std::size_t{8} << 20;

  explicit CDeviceRows(std::size_t bound = 0);
  // Rows already in memory, never spilled; sorted by Close.
  explicit CDeviceRows(std::vector<CDeviceResult> devices);
  CDeviceRows(CDeviceRows&&) noexcept;
  CDeviceRows& operator=(CDeviceRows&&) noexcept;
  ~CDeviceRows();

  // From any thread, until Close; a row added after it is dropped (a pair left running after
  // an interruption).
  void Add(CDeviceResult device);
  // Sorts what is held; the rows are read only after it.
  void Close();

  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  // The totals of what was added, without reading the rows back.
  std::size_t errors() const { return errors_; }
  std::size_t drifted() const { return drifted_; }
  std::size_t differences() const { return differences_; }
  std::size_t hidden() const { return hidden_; }
  bool Spilled() const { return !runs_.empty(); }
  // Why the rows are not all there, when a spilled batch could not be read back; empty else.
  // A batch that could not be written stays in memory, so only reading can lose rows.
  const std::string& Error() const { return *error_; }

  struct CCursor;
  class CIterator {
   public:
    using value_type = CDeviceResult;
    using difference_type = std::ptrdiff_t;
    const CDeviceResult& operator*() const;
    const CDeviceResult* operator->() const { return &**this; }
    CIterator& operator++();
    bool operator==(std::default_sentinel_t) const;

   private:
    friend class CDeviceRows;
    explicit CIterator(std::shared_ptr<CCursor> cursor) : cursor_(std::move(cursor)) {}
    std::shared_ptr<CCursor> cursor_;
  };
  // Each pass reads the rows afresh: the outputs may walk them several times.
  CIterator begin() const;
  std::default_sentinel_t end() const { return {}; }

 private:
  struct CRun {
    std::uint64_t offset = 0;
    std::uint64_t bytes = 0;
  };
  // Writes `batch` as one sorted run, or gives it back to the rows when it cannot be written.
  void Spill(std::vector<CDeviceResult> batch);
  void CloseFile();

  std::size_t bound_ = 0;
  std::unique_ptr<std::mutex> mutex_;
  // Held while a batch is written, outside mutex_: the other pairs go on adding rows meanwhile.
  // Taken before mutex_ where both are.
  std::unique_ptr<std::mutex> spillMutex_;
  bool closed_ = false;
  std::vector<CDeviceResult> held_;
  std::size_t heldBytes_ = 0;
  int file_ = -1;
  bool spillFailed_ = false;
  std::uint64_t fileSize_ = 0;
  std::vector<CRun> runs_;
  std::size_t count_ = 0;
  std::size_t errors_ = 0;
  std::size_t drifted_ = 0;
  std::size_t differences_ = 0;
  std::size_t hidden_ = 0;
  std::shared_ptr<std::string> error_;
};

}  // namespace varnic::audit

#endif  // VARNIC_AUDIT_DEVICE_ROWS_H_
