#ifndef VARNIC_AUDIT_RECORDER_H_
#define VARNIC_AUDIT_RECORDER_H_

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "audit/device_result.h"
#include "store/store.h"

namespace varnic::audit {

// Writes an audit's devices into its history while the audit goes on: workers hand devices over,
// one thread writes them a batch per transaction, so a run that is killed leaves whole batches.
// A failure to write stops the recording, not the audit: later devices are dropped and Finish
// tells the reason.
class CRecorder {
 public:
  // Devices per transaction, and how many may wait before workers are held back.
  static constexpr std::size_t kBatch = 256;
  static constexpr std::size_t kWaiting = 4 * kBatch;

  // Takes over `store` for run `run`, which BeginRun added.
  CRecorder(std::unique_ptr<store::CStore> store, std::int64_t run);
  ~CRecorder();
  CRecorder(const CRecorder&) = delete;
  CRecorder& operator=(const CRecorder&) = delete;

  // From any thread: the device as found, before ForOutputs, under the name that identifies it
  // from one run to the next.
  void Add(const CDeviceResult& device, const std::string& name);
  // Writes what is waiting and stops the writer; false with the first failure's reason.
  bool Finish(std::string& error);
  // The store again, for the run's last row; valid after Finish.
  store::CStore& Store() { return *store_; }

 private:
  void Write();

  std::unique_ptr<store::CStore> store_;
  std::int64_t run_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<store::CObservation> waiting_;
  bool closing_ = false;
  bool failed_ = false;
  std::string error_;
  std::thread writer_;
};

// A device as the history stores it.
store::CObservation ObservationOf(const CDeviceResult& device, const std::string& name);

}  // namespace varnic::audit

#endif  // VARNIC_AUDIT_RECORDER_H_
