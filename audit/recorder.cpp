#include "audit/recorder.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <utility>
#include <vector>

#include "store/digest.h"

namespace varnic::audit {

store::CObservation ObservationOf(const CDeviceResult& device, const std::string& name) {
  store::CObservation o;
  o.name = name;
  o.path = device.path;
  o.baseline = device.baseline;
  o.status = device.Failed() ? "error" : device.drifted ? "drifted" : "clean";
  o.error = device.error;
  o.baselineType = device.baselineType;
  o.deviceType = device.deviceType;
  o.differences = static_cast<std::int64_t>(device.differences);
  o.onlyInBaseline = static_cast<std::int64_t>(device.onlyInBaseline);
  o.onlyInDevice = static_cast<std::int64_t>(device.onlyInDevice);
  o.hidden = static_cast<std::int64_t>(device.hidden);
  o.ignored = static_cast<std::int64_t>(device.ignored);
  o.drift.reserve(device.drift.size());
  for (const CDrift& d : device.drift) {
    o.drift.push_back({d.section, d.key, DriftKindName(d.kind), d.baseline, d.device, d.ignored});
  }
  return o;
}

CRecorder::CRecorder(std::unique_ptr<store::CStore> store, std::int64_t run)
    : store_(std::move(store)), run_(run), writer_([this] { Write(); }) {}

CRecorder::~CRecorder() {
  std::string ignored;
  Finish(ignored);
}

void CRecorder::Add(const CDeviceResult& device, const std::string& name) {
  store::CObservation observation = ObservationOf(device, name);
  // Here, on the worker's thread, rather than on the one thread that writes.
  if (!observation.drift.empty()) observation.driftDigest = store::DigestDrift(observation.drift);
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return waiting_.size() < kWaiting || failed_ || closing_; });
  if (failed_ || closing_) return;
  waiting_.push_back(std::move(observation));
  if (waiting_.size() >= kBatch) changed_.notify_all();
}

void CRecorder::Write() {
  std::vector<store::CObservation> batch;
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return waiting_.size() >= kBatch || closing_; });
      if (waiting_.empty() && closing_) return;
      const std::size_t take = std::min(waiting_.size(), kBatch);
      batch.assign(std::make_move_iterator(waiting_.begin()),
                   std::make_move_iterator(waiting_.begin() + static_cast<std::ptrdiff_t>(take)));
      waiting_.erase(waiting_.begin(), waiting_.begin() + static_cast<std::ptrdiff_t>(take));
    }
    changed_.notify_all();
    std::string error;
    bool written = false;
    try {
      written = store_->Record(run_, batch, error);
    } catch (const std::exception& e) {
      error = e.what();
    }
    if (!written) {
      const std::lock_guard lock(mutex_);
      failed_ = true;
      error_ = std::move(error);
      waiting_.clear();
      changed_.notify_all();
      return;
    }
    batch.clear();
  }
}

bool CRecorder::Finish(std::string& error) {
  {
    const std::lock_guard lock(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  if (writer_.joinable()) writer_.join();
  error = error_;
  return !failed_;
}

}  // namespace varnic::audit
