#include "audit/row_codec.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace varnic::audit {
namespace {

void PutNumber(std::uint64_t value, std::string& out) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void PutText(const std::string& text, std::string& out) {
  PutNumber(text.size(), out);
  out += text;
}

// Reads what PutNumber and PutText wrote; once a read fails, every later one does.
class CReader {
 public:
  explicit CReader(std::string_view bytes) : bytes_(bytes) {}

  std::uint64_t Number() {
    std::uint64_t value = 0;
    if (!ok_ || bytes_.size() < sizeof value) {
      ok_ = false;
      return 0;
    }
    std::memcpy(&value, bytes_.data(), sizeof value);
    bytes_.remove_prefix(sizeof value);
    return value;
  }
  std::size_t Size() { return static_cast<std::size_t>(Number()); }
  void Text(std::string& text) {
    const std::uint64_t size = Number();
    if (!ok_ || bytes_.size() < size) {
      ok_ = false;
      return;
    }
    text.assign(bytes_.substr(0, static_cast<std::size_t>(size)));
    bytes_.remove_prefix(static_cast<std::size_t>(size));
  }
  // A count of items each at least `least` bytes long: never more than the bytes left hold.
  std::size_t Count(std::size_t least) {
    const std::uint64_t count = Number();
    if (count > bytes_.size() / least) ok_ = false;
    return ok_ ? static_cast<std::size_t>(count) : 0;
  }
  bool Done() const { return ok_ && bytes_.empty(); }

 private:
  std::string_view bytes_;
  bool ok_ = true;
};

// The fewest bytes a drift row and an edit take: their texts' lengths.
constexpr std::size_t kLeastDrift = 7 * sizeof(std::uint64_t);
constexpr std::size_t kLeastEdit = 5 * sizeof(std::uint64_t);

}  // namespace

void EncodeRow(const CDeviceResult& d, std::string& out) {
  PutText(d.path, out);
  PutText(d.baseline, out);
  PutText(d.error, out);
  PutText(d.skipped, out);
  PutNumber(static_cast<std::uint32_t>(d.baselineType), out);
  PutNumber(static_cast<std::uint32_t>(d.deviceType), out);
  PutNumber(d.differences, out);
  PutNumber(d.onlyInBaseline, out);
  PutNumber(d.onlyInDevice, out);
  PutNumber(d.hidden, out);
  PutNumber(d.ignored, out);
  PutNumber(d.drifted ? 1 : 0, out);
  PutNumber(d.drift.size(), out);
  for (const CDrift& r : d.drift) {
    PutText(r.section, out);
    PutText(r.key, out);
    PutNumber(
        static_cast<std::uint64_t>(r.kind) | (r.ignored ? 0x100U : 0U) | (r.secret ? 0x200U : 0U),
        out);
    PutText(r.baseline, out);
    PutText(r.device, out);
    PutText(r.setAside, out);
    PutText(r.rule, out);
  }
  PutNumber(d.driftOmitted, out);
  PutNumber(d.remediation ? d.remediation->size() + 1 : 0, out);
  if (d.remediation) {
    for (const CEdit& e : *d.remediation) {
      PutText(e.action, out);
      PutText(e.section, out);
      PutText(e.key, out);
      PutText(e.value, out);
      PutText(e.rule, out);
    }
  }
  PutNumber(d.remediationOmitted, out);
  PutNumber(std::bit_cast<std::uint64_t>(d.seconds), out);
}

bool DecodeRow(std::string_view bytes, CDeviceResult& d) {
  CReader in(bytes);
  // Every member is assigned in place, so that a row read over the last keeps its strings'
  // room: reading a spilled fleet back was mostly allocating and freeing them.
  in.Text(d.path);
  in.Text(d.baseline);
  in.Text(d.error);
  in.Text(d.skipped);
  d.baselineType = static_cast<std::int32_t>(static_cast<std::uint32_t>(in.Number()));
  d.deviceType = static_cast<std::int32_t>(static_cast<std::uint32_t>(in.Number()));
  d.differences = in.Size();
  d.onlyInBaseline = in.Size();
  d.onlyInDevice = in.Size();
  d.hidden = in.Size();
  d.ignored = in.Size();
  d.drifted = in.Number() != 0;
  d.drift.resize(in.Count(kLeastDrift));
  for (CDrift& r : d.drift) {
    in.Text(r.section);
    in.Text(r.key);
    const std::uint64_t flags = in.Number();
    if ((flags & 0xFFU) > static_cast<std::uint64_t>(DriftKind::kHidden)) return false;
    r.kind = static_cast<DriftKind>(flags & 0xFFU);
    r.ignored = (flags & 0x100U) != 0;
    r.secret = (flags & 0x200U) != 0;
    in.Text(r.baseline);
    in.Text(r.device);
    in.Text(r.setAside);
    in.Text(r.rule);
  }
  d.driftOmitted = in.Size();
  const std::size_t edits = in.Count(1);
  if (edits == 0) {
    d.remediation.reset();
  } else {
    if (edits - 1 > bytes.size() / kLeastEdit) return false;
    if (!d.remediation) d.remediation.emplace();
    d.remediation->resize(edits - 1);
    for (CEdit& e : *d.remediation) {
      in.Text(e.action);
      in.Text(e.section);
      in.Text(e.key);
      in.Text(e.value);
      in.Text(e.rule);
    }
  }
  d.remediationOmitted = in.Size();
  d.seconds = std::bit_cast<double>(in.Number());
  return in.Done();
}

}  // namespace varnic::audit
