#include "cli/audit_command_line.h"

#include <CLI/CLI.hpp>
#include <ostream>
#include <utility>

#include "cli/choice.h"
#include "cli/compare_command.h"
#include "report/terminal_text.h"

namespace varnic::cli {
namespace {

constexpr const char* kAuditHint = "Run 'varnic audit --help' for usage.\n";

}  // namespace

CAuditCommandLine::CAuditCommandLine(CLI::App& app) {
  CAuditOptions& o = options_;
  app_ = app.add_subcommand(
      "audit", "Compare every backup of a fleet with a baseline and summarize the drift");
  app_->footer(
      "Exit status: 0 no device drifted; 1 some device drifted; 2 a target could not be\n"
      "audited (its row says why; the others are still audited) or other trouble;\n"
      "128+N when signal N stopped the audit (130 for Ctrl-C): the summary is of the\n"
      "devices audited so far.");
  app_->add_option("BASELINE", baseline_, "The approved backup (with --merge: a summary)")
      ->type_name("FILE");
  // Every value kept: the command line's default is that the last of an option wins.
  app_->add_option("TARGET", targets_,
                   "Backups, or directories searched recursively (with --merge: summaries)")
      ->type_name("FILE|DIR")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app_->add_option("--glob", o.glob,
                   "File names to take from directories (default *.cfg; * any run, ? one "
                   "character, [ ] themselves)")
      ->type_name("GLOB");
  app_->add_option("--baseline-type", o.baselineType,
                   "Device type of the baseline: a number, single-band or dual-band")
      ->type_name("TYPE");
  app_->add_option("--target-type", o.targetType, "Device type of the targets")->type_name("TYPE");
  app_->add_option("--types", types_,
                   "auto (the default without --baseline-type and --target-type): pick the "
                   "types of each pair from its files")
      ->type_name("auto");
  app_->add_option("--baseline-map", o.baselineMap, "Lines 'GLOB -> BASELINE' choosing baselines")
      ->type_name("FILE");
  app_->add_option("--expect", o.expect,
                   "Devices the fleet must hold, one path or name a line: each without a backup "
                   "is an error")
      ->type_name("FILE");
  // One pattern per --ignore, so that positionals after it stay positionals.
  app_->add_option("--ignore", o.ignores,
                   "Ignore settings matching [Section]key (* any run, ? one character)")
      ->type_name("PATTERN")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->allow_extra_args(false);
  app_->add_option("--ignore-file", o.ignoreFile, "Ignore the patterns of FILE, one a line")
      ->type_name("FILE");
  app_->add_flag("--strict", o.strict, "Count hidden differences as drift");
  app_->add_option("-j,--jobs", o.jobs, "Pairs compared at once (default: one per core)")
      ->type_name("N");
  app_->add_flag("-q,--quiet", o.quiet, "Print nothing; report by exit status only");
  app_->add_option("--format", format_, "table (default), json, csv, junit or github")
      ->type_name("FORMAT");
  app_->add_option("--html", o.html, "Also write a self-contained HTML report to FILE")
      ->type_name("FILE");
  app_->add_option("--save-dir", o.saveDir, "Write the marked pair of every device into DIR")
      ->type_name("DIR");
  app_->add_flag("--merge", o.merge, "Fold audit summaries (--format json) into one");
  app_->add_flag("--no-progress", o.noProgress, "No progress bar on a terminal");
  app_->add_flag("--show-secrets", o.showSecrets, "Show secret values in the outputs");
  app_->add_option("--db", o.db,
                   "Record the run in a history: a SQLite file or a postgresql:// address")
      ->type_name("DB");
  app_->add_flag("--template", o.golden,
                 "The baseline is a golden template: render it for each target");
  app_->add_option("--vars", o.vars, "Variables of the template per device (CSV or JSON)")
      ->type_name("FILE");
  app_->add_option("--fix-dir", o.fixDir,
                   "Write each drifted device brought to its baseline into DIR")
      ->type_name("DIR");
}

bool CAuditCommandLine::Chosen() const { return app_->parsed(); }

int CAuditCommandLine::Run(std::ostream& out, std::ostream& err) {
  if (!format_.empty() && !Choose(format_, "--format",
                                  {{"table", AuditFormat::kTable},
                                   {"json", AuditFormat::kJson},
                                   {"csv", AuditFormat::kCsv},
                                   {"junit", AuditFormat::kJunit},
                                   {"github", AuditFormat::kGithub}},
                                  options_.format, err, kAuditHint)) {
    return kExitTrouble;
  }
  if (!types_.empty() && types_ != "auto") {
    err << "varnic: --types: '" << report::SafeText(types_)
        << "' is not auto (give the types with --baseline-type and --target-type)\n"
        << kAuditHint;
    return kExitTrouble;
  }
  // Without types each pair's files say which device is which.
  options_.autoTypes = types_ == "auto" || (!options_.baselineType && !options_.targetType);
  if (!baseline_.empty()) options_.inputs.push_back(baseline_);
  options_.inputs.insert(options_.inputs.end(), targets_.begin(), targets_.end());
  return RunAudit(options_, out, err);
}

}  // namespace varnic::cli
