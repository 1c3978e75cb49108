#include "cli/history_command_line.h"

#include <CLI/CLI.hpp>
#include <ostream>
#include <utility>

#include "cli/choice.h"
#include "cli/compare_command.h"
#include "report/terminal_text.h"

namespace varnic::cli {
namespace {

constexpr const char* kHistoryHint = "Run 'varnic history --help' for usage.\n";

}  // namespace

CHistoryCommandLine::CHistoryCommandLine(CLI::App& app) {
  CHistoryOptions& o = options_;
  app_ =
      app.add_subcommand("history", "Show what audits recorded with --db: runs, drift over time");
  app_->footer(
      "Views: the runs (default, or 'runs'); --since RUN|DATE: per device and setting, drift\n"
      "that is new, fixed or persisting, with the run it was first seen in; --device NAME: one\n"
      "device's readings. 'prune --keep N' or 'prune --older-than DAYS' removes old runs.\n"
      "Exit status: 0 done; 2 the database could not be read or other trouble.");
  app_->add_option("--db", o.db, "The history: a SQLite file or a postgresql:// address")
      ->type_name("DB");
  app_->add_option("--since", o.since, "Drift since a run number or a date (2026-12-08)")
      ->type_name("RUN|DATE");
  app_->add_option("--device", o.device, "One device's timeline (its name: path without .cfg)")
      ->type_name("NAME");
  app_->add_option("--format", format_, "table (default), json or csv")->type_name("FORMAT");
  app_->add_option("--html", o.html, "Also write a page with trend charts to FILE")
      ->type_name("FILE");
  app_->add_subcommand("runs", "The runs with their times, state and totals (the default)")
      ->fallthrough();
  prune_ = app_->add_subcommand("prune", "Remove old runs and what only they refer to");
  prune_->fallthrough();
  prune_->add_option("--keep", o.keep, "Keep the newest N runs")->type_name("N");
  prune_->add_option("--older-than", o.olderThan, "Remove runs started more than DAYS days ago")
      ->type_name("DAYS");
}

bool CHistoryCommandLine::Chosen() const { return app_->parsed(); }

int CHistoryCommandLine::Run(std::ostream& out, std::ostream& err) {
  if (!format_.empty() && !Choose(format_, "--format",
                                  {{"table", HistoryFormat::kTable},
                                   {"json", HistoryFormat::kJson},
                                   {"csv", HistoryFormat::kCsv}},
                                  options_.format, err, kHistoryHint)) {
    return kExitTrouble;
  }
  options_.prune = prune_->parsed();
  return RunHistory(options_, out, err);
}

}  // namespace varnic::cli
