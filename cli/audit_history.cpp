#include "cli/audit_history.h"

#include <array>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <ostream>
#include <system_error>
#include <utility>

#include "base/output_plan.h"
#include "cli/os.h"
#include "engine/text_file.h"
#include "report/terminal_text.h"
#include "store/digest.h"
#include "store/store.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace varnic::cli {
namespace {

std::string WithoutExtension(std::string name) {
  const std::size_t slash = name.rfind('/');
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0 && (slash == std::string::npos || dot > slash + 1)) {
    name.erase(dot);
  }
  return name;
}

std::string HostName() {
#ifdef _WIN32
  const char* name = std::getenv("COMPUTERNAME");
  return name != nullptr ? name : "";
#else
  std::array<char, 256> name{};
  if (::gethostname(name.data(), name.size() - 1) != 0) return {};
  return name.data();
#endif
}

}  // namespace

std::vector<std::string> DeviceNames(const std::vector<audit::CTarget>& targets,
                                     const std::vector<std::string>& arguments) {
  std::vector<std::string> names;
  names.reserve(targets.size());
  for (const audit::CTarget& target : targets) {
    std::string name;
    for (const std::string& argument : arguments) {
      std::string root = argument;
      while (root.size() > 1 && root.back() == '/') root.pop_back();
      if (target.path.size() > root.size() + 1 && target.path.starts_with(root) &&
          (root == "/" || target.path[root.size()] == '/')) {
        name = target.path.substr(root == "/" ? 1 : root.size() + 1);
        break;
      }
    }
    if (name.empty()) name = std::filesystem::path(target.path).filename().string();
    names.push_back(WithoutExtension(name.empty() ? target.path : name));
  }
  std::map<std::string, std::size_t> uses;
  for (const std::string& name : names) ++uses[name];
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (uses[names[i]] > 1) names[i] = targets[i].path;
  }
  return names;
}

std::optional<std::string> DatabaseInput(const std::string& database,
                                         const std::vector<std::string>& inputs) {
  if (store::IsPostgresAddress(database)) return std::nullopt;
  for (const std::string& input : inputs) {
    const std::string identity = base::FileIdentity(database);
    if (!identity.empty() && identity == base::FileIdentity(input)) return input;
  }
  return std::nullopt;
}

bool CAuditHistory::Open(const std::string& where, const audit::CRunInfo& run,
                         const std::vector<std::string>& inputs, std::vector<std::string> names,
                         std::ostream& err) {
  where_ = store::DisplayName(where);
  if (const std::optional<std::string> input = DatabaseInput(where, inputs)) {
    err << "varnic: --db '" << report::SafeText(where_) << "' is the input '"
        << report::SafeText(*input) << "'; refusing to write over it\n";
    return false;
  }
  std::string error;
  std::unique_ptr<store::CStore> store = store::OpenStore(where, store::OpenMode::kWrite, error);
  store::CRun record;
  if (store) {
    record.startedAt = run.generatedAt;
    record.host = HostName();
    if (run.options) {
      record.options = audit::RunOptionsJson(*run.options);
      record.baseline = run.options->baseline;
      std::string bytes;
      std::error_code code;
      if (ReadFileBytes(record.baseline, bytes, code)) {
        record.baselineDigest = store::Sha256Text(bytes);
      }
    }
    if (!store->BeginRun(record, error)) store.reset();
  }
  if (!store) {
    err << "varnic: " << report::SafeText(error) << "\n";
    return false;
  }
  run_ = record.id;
  names_ = std::move(names);
  recorder_ = std::make_unique<audit::CRecorder>(std::move(store), run_);
  return true;
}

void CAuditHistory::Add(const audit::CDeviceResult& device, std::size_t index) {
  recorder_->Add(device, index < names_.size() ? names_[index] : device.path);
}

bool CAuditHistory::Finish(const audit::CAuditSummary& summary, std::ostream& err) {
  std::string error;
  const bool whole = recorder_->Finish(error);
  store::CRun run;
  run.id = run_;
  run.finishedAt = audit::GeneratedAt();
  // A run whose devices did not all land is kept, and says it did not finish.
  run.state = summary.interrupted || !whole ? "interrupted" : "complete";
  const audit::CAuditTotals& t = summary.totals;
  run.totals = {static_cast<std::int64_t>(t.targets), static_cast<std::int64_t>(t.audited),
                static_cast<std::int64_t>(t.drifted), static_cast<std::int64_t>(t.clean),
                static_cast<std::int64_t>(t.errors),  static_cast<std::int64_t>(t.differences),
                static_cast<std::int64_t>(t.hidden)};
  std::string closing;
  const bool closed = recorder_->Store().FinishRun(run, closing);
  if (!whole) {
    err << "varnic: cannot record the audit in the history: " << report::SafeText(error) << "\n";
  } else if (!closed) {
    err << "varnic: cannot record the audit in the history: " << report::SafeText(closing) << "\n";
  }
  return whole && closed;
}

}  // namespace varnic::cli
