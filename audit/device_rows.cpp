#include "audit/device_rows.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <tuple>
#include <utility>

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

#include "audit/row_codec.h"

namespace varnic::audit {
namespace {

// 0 for errors, 1 for drift, 2 for clean: the order of the table.
int Rank(const CDeviceResult& device) {
  if (device.Failed()) return 0;
  return device.drifted ? 1 : 2;
}

// What a row holds in memory, near enough to bound a batch by.
std::size_t Footprint(const CDeviceResult& d) {
  std::size_t bytes = sizeof d + d.path.capacity() + d.baseline.capacity() + d.error.capacity() +
                      d.skipped.capacity() + d.drift.capacity() * sizeof(CDrift);
  for (const CDrift& r : d.drift) {
    bytes += r.section.capacity() + r.key.capacity() + r.baseline.capacity() + r.device.capacity() +
             r.setAside.capacity() + r.rule.capacity();
  }
  if (d.remediation) {
    bytes += d.remediation->capacity() * sizeof(CEdit);
    for (const CEdit& e : *d.remediation) {
      bytes += e.action.capacity() + e.section.capacity() + e.key.capacity() + e.value.capacity() +
               e.rule.capacity();
    }
  }
  return bytes;
}

// An unnamed file in the temporary directory, or -1 (the rows then stay in memory). It is
// created exclusively and never has a name once open, so it replaces nothing and is gone
// however the process ends.
int OpenSpillFile() {
#if defined(_WIN32)
  return -1;
#else
  std::error_code code;
  std::filesystem::path folder = std::filesystem::temp_directory_path(code);
  if (code) folder = "/tmp";
#if defined(O_TMPFILE)
  const int unnamed = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (unnamed >= 0) return unnamed;
#endif
  std::string pattern = (folder / "varnic-rows-XXXXXX").string();
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) return -1;
  ::unlink(pattern.c_str());
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  return fd;
#endif
}

bool WriteAt(int fd, std::string_view bytes, std::uint64_t offset) {
#if defined(_WIN32)
  (void)fd, (void)bytes, (void)offset;
  return false;
#else
  while (!bytes.empty()) {
    const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
    offset += static_cast<std::uint64_t>(n);
  }
  return true;
#endif
}

// Reads exactly `size` bytes at `offset` onto the end of `into`.
bool ReadAt(int fd, std::string& into, std::size_t size, std::uint64_t offset) {
#if defined(_WIN32)
  (void)fd, (void)into, (void)size, (void)offset;
  return false;
#else
  std::size_t at = into.size();
  into.resize(at + size);
  while (size > 0) {
    const ssize_t n = ::pread(fd, into.data() + at, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    at += static_cast<std::size_t>(n);
    size -= static_cast<std::size_t>(n);
    offset += static_cast<std::uint64_t>(n);
  }
  return true;
#endif
}

constexpr std::size_t kReadChunk = std::size_t{64} << 10;

}  // namespace

bool WorstFirst(const CDeviceResult& a, const CDeviceResult& b) {
  const int rankA = Rank(a);
  const int rankB = Rank(b);
  const std::size_t weightA = a.differences + a.hidden;
  const std::size_t weightB = b.differences + b.hidden;
  // More drift first: the weights swap sides.
  return std::tie(rankA, weightB, a.path) < std::tie(rankB, weightA, b.path);
}

// One pass over the rows: a merge of the spilled batches and the one held in memory.
struct CDeviceRows::CCursor {
  struct CSource {
    // A spilled batch: what is left of it in the file, and what was read of it.
    std::uint64_t next = 0;
    std::uint64_t end = 0;
    std::string buffer;
    std::size_t at = 0;
    CDeviceResult row;
    // The batch held in memory: its next row.
    std::size_t held = 0;
    bool inMemory = false;
  };

  const CDeviceRows* rows = nullptr;
  std::size_t chunk = kReadChunk;  // read at a time from each batch
  std::vector<CSource> sources;
  std::vector<std::size_t> heap;  // sources with a row, the worst on top

  const CDeviceResult& Row(std::size_t source) const {
    const CSource& s = sources[source];
    return s.inMemory ? rows->held_[s.held] : s.row;
  }
  bool Later(std::size_t a, std::size_t b) const { return WorstFirst(Row(b), Row(a)); }

  // Reads `size` more bytes of a spilled batch into its buffer, dropping what was decoded.
  bool Fill(CSource& s, std::size_t size) {
    s.buffer.erase(0, s.at);
    s.at = 0;
    size = std::max<std::size_t>(size, chunk);
    size = static_cast<std::size_t>(std::min<std::uint64_t>(size, s.end - s.next));
    if (!ReadAt(rows->file_, s.buffer, size, s.next)) return false;
    s.next += size;
    return true;
  }

  // Steps a source to its next row; false when it has none (or it failed, which is noted).
  bool Advance(CSource& s) {
    if (s.inMemory) return ++s.held < rows->held_.size();
    if (s.at == s.buffer.size() && s.next == s.end) return false;
    std::uint64_t length = 0;
    if (s.buffer.size() - s.at < sizeof length && !Fill(s, sizeof length)) return Fail();
    if (s.buffer.size() - s.at < sizeof length) return Fail();
    std::memcpy(&length, s.buffer.data() + s.at, sizeof length);
    const std::size_t whole = sizeof length + static_cast<std::size_t>(length);
    if (s.buffer.size() - s.at < whole && !Fill(s, whole - (s.buffer.size() - s.at))) {
      return Fail();
    }
    if (s.buffer.size() - s.at < whole) return Fail();
    std::string_view bytes(s.buffer.data() + s.at + sizeof length,
                           static_cast<std::size_t>(length));
    s.at += whole;
    if (!DecodeRow(bytes, s.row)) return Fail();
    return true;
  }

  bool Fail() {
    if (rows->error_->empty()) {
      *rows->error_ = "the device rows set aside in a temporary file could not be read back";
    }
    return false;
  }

  void Start() {
    // The batches share what one batch may hold, within sensible reads.
    if (!rows->runs_.empty() && rows->bound_ != 0) {
      chunk = std::clamp<std::size_t>(rows->bound_ / rows->runs_.size(), 4096, kReadChunk);
    }
    for (const CRun& run : rows->runs_) {
      CSource& s = sources.emplace_back();
      s.next = run.offset;
      s.end = run.offset + run.bytes;
    }
    if (!rows->held_.empty()) sources.emplace_back().inMemory = true;
    for (std::size_t i = 0; i < sources.size(); ++i) {
      if (sources[i].inMemory || Advance(sources[i])) heap.push_back(i);
    }
    std::make_heap(heap.begin(), heap.end(),
                   [this](std::size_t a, std::size_t b) { return Later(a, b); });
  }

  void Next() {
    const auto later = [this](std::size_t a, std::size_t b) { return Later(a, b); };
    std::pop_heap(heap.begin(), heap.end(), later);
    if (Advance(sources[heap.back()])) {
      std::push_heap(heap.begin(), heap.end(), later);
    } else {
      heap.pop_back();
    }
  }
};

CDeviceRows::CDeviceRows(std::size_t bound)
    : bound_(bound),
      mutex_(std::make_unique<std::mutex>()),
      spillMutex_(std::make_unique<std::mutex>()),
      error_(std::make_shared<std::string>()) {}

CDeviceRows::CDeviceRows(std::vector<CDeviceResult> devices) : CDeviceRows(0) {
  for (CDeviceResult& device : devices) Add(std::move(device));
}

CDeviceRows::CDeviceRows(CDeviceRows&& other) noexcept
    : mutex_(std::make_unique<std::mutex>()),
      spillMutex_(std::make_unique<std::mutex>()),
      error_(std::make_shared<std::string>()) {
  *this = std::move(other);
}

// Each keeps its own lock, and the one moved from is closed: a pair still running after an
// interruption may yet add to it.
CDeviceRows& CDeviceRows::operator=(CDeviceRows&& other) noexcept {
  if (this == &other) return *this;
  const std::lock_guard<std::mutex> spilling(*other.spillMutex_);
  const std::lock_guard<std::mutex> lock(*other.mutex_);
  CloseFile();
  bound_ = other.bound_;
  closed_ = std::exchange(other.closed_, true);
  held_ = std::move(other.held_);
  heldBytes_ = other.heldBytes_;
  // The file is the rows': the one moved from must not close it.
  file_ = std::exchange(other.file_, -1);
  spillFailed_ = other.spillFailed_;
  fileSize_ = other.fileSize_;
  runs_ = std::move(other.runs_);
  count_ = std::exchange(other.count_, 0);
  errors_ = other.errors_;
  drifted_ = other.drifted_;
  differences_ = other.differences_;
  hidden_ = other.hidden_;
  error_ = std::exchange(other.error_, std::make_shared<std::string>());
  return *this;
}

CDeviceRows::~CDeviceRows() { CloseFile(); }

void CDeviceRows::CloseFile() {
#if !defined(_WIN32)
  if (file_ >= 0) ::close(file_);
#endif
  file_ = -1;
}

void CDeviceRows::Add(CDeviceResult device) {
  std::vector<CDeviceResult> batch;
  {
    const std::lock_guard<std::mutex> lock(*mutex_);
    if (closed_) return;
    ++count_;
    if (device.Failed()) {
      ++errors_;
    } else if (device.drifted) {
      ++drifted_;
    }
    differences_ += device.differences;
    hidden_ += device.hidden;
    if (bound_ != 0) heldBytes_ += Footprint(device);
    held_.push_back(std::move(device));
    if (bound_ == 0 || spillFailed_ || heldBytes_ <= bound_) return;
    batch = std::exchange(held_, {});
    heldBytes_ = 0;
  }
  Spill(std::move(batch));
}

// A batch that cannot be written stays in memory, and so does every later one: a full disk
// costs memory, not rows.
void CDeviceRows::Spill(std::vector<CDeviceResult> batch) {
  const std::lock_guard<std::mutex> spilling(*spillMutex_);
  if (file_ < 0) file_ = OpenSpillFile();
  bool written = file_ >= 0;
  std::uint64_t size = 0;
  if (written) {
    std::sort(batch.begin(), batch.end(), WorstFirst);
    // Written a piece at a time: the batch's bytes are never all in memory beside the batch.
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    std::string bytes;
    std::string row;
    for (std::size_t i = 0; written && i < batch.size(); ++i) {
      row.clear();
      EncodeRow(batch[i], row);
      const std::uint64_t length = row.size();
      bytes.append(reinterpret_cast<const char*>(&length), sizeof length);
      bytes += row;
      if (bytes.size() < kPiece && i + 1 < batch.size()) continue;
      written = WriteAt(file_, bytes, fileSize_ + size);
      size += bytes.size();
      bytes.clear();
    }
  }
  if (!written) {
    const std::lock_guard<std::mutex> lock(*mutex_);
    spillFailed_ = true;
    for (CDeviceResult& device : batch) held_.push_back(std::move(device));
    return;
  }
  runs_.push_back({fileSize_, size});
  fileSize_ += size;
  batch.clear();
  batch.shrink_to_fit();
}

void CDeviceRows::Close() {
  const std::lock_guard<std::mutex> spilling(*spillMutex_);
  const std::lock_guard<std::mutex> lock(*mutex_);
  closed_ = true;
  std::sort(held_.begin(), held_.end(), WorstFirst);
}

CDeviceRows::CIterator CDeviceRows::begin() const {
  auto cursor = std::make_shared<CCursor>();
  cursor->rows = this;
  cursor->Start();
  return CIterator(std::move(cursor));
}

const CDeviceResult& CDeviceRows::CIterator::operator*() const {
  return cursor_->Row(cursor_->heap.front());
}

CDeviceRows::CIterator& CDeviceRows::CIterator::operator++() {
  cursor_->Next();
  return *this;
}

bool CDeviceRows::CIterator::operator==(std::default_sentinel_t) const {
  return cursor_->heap.empty();
}

}  // namespace varnic::audit
