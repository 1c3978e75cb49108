#include "cli/history_command.h"

#include <filesystem>
#include <memory>
#include <ostream>
#include <sstream>
#include <system_error>

#include "audit/run_info.h"
#include "cli/history_render.h"
#include "cli/output_checks.h"
#include "engine/staged_files.h"
#include "report/terminal_text.h"
#include "store/store.h"
#include "store/timeline.h"

namespace varnic::cli {
namespace {

constexpr int kTrouble = 2;
// Settings drawn over time on the page.
constexpr std::size_t kTrendSettings = 5;
constexpr std::int64_t kSecondsPerDay = 86400;

int Fail(const std::string& reason, std::ostream& err) {
  err << "varnic: " << report::SafeText(reason) << "\n";
  return kTrouble;
}

bool WritePage(const std::string& path, const std::string& page, std::ostream& err) {
  CStagedFiles outputs;
  std::error_code error;
  if (outputs.Stage(
          path, [&page](CBufferedWriter& out) { out.Append(page); }, error) &&
      outputs.Commit(error)) {
    return true;
  }
  err << "varnic: cannot write '" << report::SafeText(path) << "': " << error.message() << "\n";
  return false;
}

int Prune(const CHistoryOptions& options, std::ostream& out, std::ostream& err) {
  if (!options.keep && !options.olderThan) {
    return Fail("history prune needs --keep N or --older-than DAYS", err);
  }
  if ((options.keep && *options.keep < 0) || (options.olderThan && *options.olderThan < 0)) {
    return Fail("history prune: --keep and --older-than take a number of 0 or more", err);
  }
  std::error_code code;
  // Pruning never creates a database it was to prune.
  if (!store::IsPostgresAddress(options.db) && !std::filesystem::exists(options.db, code)) {
    return Fail("'" + options.db + "': no such history database", err);
  }
  std::string error;
  const std::unique_ptr<store::CStore> db =
      store::OpenStore(options.db, store::OpenMode::kWrite, error);
  if (!db) return Fail(error, err);
  store::CPrune prune;
  prune.keep = options.keep;
  if (options.olderThan) {
    prune.before = audit::UtcText(audit::NowSeconds() - *options.olderThan * kSecondsPerDay);
  }
  std::int64_t removed = 0;
  if (!db->Prune(prune, removed, error)) return Fail(error, err);
  out << "removed " << removed << (removed == 1 ? " run\n" : " runs\n");
  return 0;
}

}  // namespace

int RunHistory(const CHistoryOptions& options, std::ostream& out, std::ostream& err) {
  if (options.db.empty()) return Fail("history needs --db PATH or --db postgresql://...", err);
  if (options.prune) return Prune(options, out, err);
  if (options.since && options.device) {
    return Fail("history: --since and --device are two views; ask for one", err);
  }
  if (options.html) {
    // The page is never written over the database it is drawn from.
    base::COutputPlan plan;
    if (!store::IsPostgresAddress(options.db)) plan.AddInput(options.db);
    plan.AddOutput(*options.html);
    if (!OutputsAreSafe(plan, err)) return kTrouble;
  }
  std::string error;
  const std::unique_ptr<store::CStore> db =
      store::OpenStore(options.db, store::OpenMode::kRead, error);
  if (!db) return Fail(error, err);
  std::vector<store::CRun> runs;
  if (!db->Runs(runs, error)) return Fail(error, err);

  std::vector<store::CObservation> observations;
  store::DriftSets sets;
  const auto load = [&](const std::optional<std::string>& name) {
    return db->Observations(name, observations, error) &&
           db->DriftSets(store::SetsNamed(observations), sets, error);
  };
  std::optional<store::CSince> since;
  if (options.device) {
    if (!load(options.device)) return Fail(error, err);
    if (observations.empty()) {
      return Fail("no device '" + *options.device + "' in the history", err);
    }
    WriteTimeline(*options.device, store::Timeline(runs, observations, sets), options.format, out);
  } else if (options.since) {
    std::int64_t reference = 0;
    if (!store::ResolveSince(runs, *options.since, reference, error)) return Fail(error, err);
    if (!load(std::nullopt)) return Fail(error, err);
    since = store::Since(runs, observations, sets, reference);
    WriteSince(*since, runs, options.format, out);
  } else {
    WriteRuns(runs, options.format, out);
  }
  if (options.html) {
    // The trends are of the whole fleet, whatever view was printed.
    if (options.device) {
      observations.clear();
      sets.clear();
    }
    if ((options.device || !options.since) && !load(std::nullopt)) return Fail(error, err);
    std::ostringstream page;
    WriteHistoryHtml(runs, store::Trends(runs, observations, sets, kTrendSettings),
                     since ? &*since : nullptr, audit::GeneratedAt(), page);
    if (!WritePage(*options.html, std::move(page).str(), err)) return kTrouble;
  }
  return 0;
}

}  // namespace varnic::cli
