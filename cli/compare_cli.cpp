#include "cli/compare_cli.h"

#include <optional>

#include "cli/choice.h"
#include "varnic/report/device_types.h"

namespace varnic::cli {
namespace {

bool ChooseType(const std::string& word, const char* option, std::int32_t& type,
                std::ostream& err) {
  if (word.empty()) return true;
  const std::optional<std::int32_t> parsed = report::ParseType(word);
  if (!parsed) {
    err << "varnic: " << option << ": '" << report::SafeText(word)
        << "' is not a type: give 0 or single-band, 1 or dual-band (or a 32-bit number)\n"
        << kUsageHint;
    return false;
  }
  type = *parsed;
  return true;
}

bool ChooseWidth(const std::string& word, std::optional<std::size_t>& width, std::ostream& err) {
  constexpr std::size_t kMin = kMinWidth;
  constexpr std::size_t kMax = kMaxWidth;
  std::size_t value = 0;
  bool number = !word.empty() && word.size() <= 5;
  for (const char c : word) {
    number = number && c >= '0' && c <= '9';
    value = value * 10 + static_cast<std::size_t>(c - '0');
  }
  if (!number || value < kMin || value > kMax) {
    err << "varnic: --width: '" << report::SafeText(word) << "' is not a number of columns from "
        << kMin << " to " << kMax << "\n"
        << kUsageHint;
    return false;
  }
  width = value;
  return true;
}

}  // namespace

const char* const kCompareFooter = R"(Formats (--format):
  side     two columns with a gutter: blank same, | different, < only in FILE1,
           > only in FILE2; counts per section, settings not compared that
           differ, and a verdict at the end (default on a terminal)
  changes  one line per difference: "[Section] key: old -> new", "[Section] - key=value"
           (only in FILE1), "[Section] + key=value" (only in FILE2), "[Section] ~ ..."
           (not compared, but different) (default when standard output is not a terminal)
  marked   the two marked results one after the other, as --save writes them
  json     one JSON document, schema_version 3 (/usr/share/varnic/varnic.schema.json)
  brief    one line when the files differ, as diff -q
  github   GitHub Actions annotations, one per difference
  remediation  per section, the edits that bring FILE2 to FILE1: "set key=value",
           "add key=value", "remove key=value", "manual: key=value fails {{ rule }}"

Device types (--type1, --type2): 0 or single-band, 1 or dual-band. When they differ,
the single-band file is reconciled against the dual-band one: a band it has no
settings for is not compared, and it keeps only keys the dual-band file also has.
By default (--types auto) they are picked from the files: the one without 5 GHz
settings is single-band; outputs mark such types "inferred". Given types win.

Not compared, but different: the relevance rules leave out settings that do not
matter under the active ones (WEP keys under WPA2, the SSIDs that are disabled, ...).
When such a setting differs, the views say so; with --strict it counts as a difference.

Secrets (Password, passphrase, key1-key4, radius_secret, SSIDn_PassPhrase, SSIDn_Key,
SSIDn_Radius_Secret, in any letter case and for any SSID number) are masked as labels in JSON
and HTML unless --show-secrets, and shown in the terminal (views, explanations, marked output)
unless --mask-secrets. One value has one label in every output of a run. Marks are always
computed on the real values.

Ignore patterns (--ignore, --ignore-file): [Section]key with * for any run of bytes,
e.g. "[System]IPaddr", "[*]SSID*_Ssid", "Password". Ignored settings count for nothing.

Exit status: 0 no line marked d_ or o_ (ignored settings aside); 1 some line is (or, with
--strict, a setting not compared differs); 2 trouble (bad arguments, an input that cannot
be read, an output that cannot be written, a file with no known section).

Golden templates (--template, --vars FILE): a value of FILE1 may be {{ name }}, a variable
of the device from FILE (CSV with a "device" column, or JSON keyed by device), or a rule:
{{ one_of 1 6 11 }}, {{ range 50..100 }}, {{ in 10.20.0.0/16 }}, {{ regex ^AP-[0-9]+$ }},
{{ any }}. A rule FILE2 satisfies becomes FILE2's value; one it fails stays as its text.
\{{ is a literal {{. The device is FILE2's file name without extension, or --device.

Environment: VARNIC_OPTIONS (default options), NO_COLOR, COLUMNS, TERM, SOURCE_DATE_EPOCH.)";

CLI::App* AddCompareCommand(CLI::App& app, CCompareArgs& args) {
  CLI::App* compare = app.add_subcommand("compare", "Compare FILE1 with FILE2");
  compare->footer(kCompareFooter);
  compare->add_option("FILE1", args.options.file1, "First backup ('-' reads standard input)")
      ->required()
      ->type_name("");
  compare->add_option("FILE2", args.options.file2, "Second backup ('-' reads standard input)")
      ->required()
      ->type_name("");
  compare
      ->add_option("--type1", args.type1, "Device type of FILE1: 0 or single-band, 1 or dual-band")
      ->type_name("TYPE");
  compare
      ->add_option("--type2", args.type2, "Device type of FILE2: 0 or single-band, 1 or dual-band")
      ->type_name("TYPE");
  compare->add_option("--types", args.types, "auto: choose both types from the files")
      ->type_name("auto");
  compare->add_flag("--strict", args.options.strict,
                    "Count a setting that was not compared but differs as a difference");
  compare
      ->add_option("--ignore", args.options.ignores,
                   "Ignore settings matching [Section]key (* any run, ? one character); repeatable")
      ->type_name("PATTERN")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  compare
      ->add_option("--ignore-file", args.options.ignoreFiles,
                   "Ignore the patterns of FILE, one per line (# comments)")
      ->type_name("FILE")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  compare->add_option("--save", args.save, "Write the two marked results to OUT1 and OUT2 (CR LF)")
      ->expected(2)
      ->type_name("OUT1 OUT2")
      ->option_text("OUT1 OUT2")
      // All values, the last pair used: the parser's own last-value rule breaks on a pair.
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  compare->add_flag("-q,--quiet", args.options.quiet, "Print nothing; report by exit status only");
  compare
      ->add_option("--format", args.format,
                   "Output format: side, changes, marked, json, brief, github, remediation")
      ->type_name("FORMAT");
  compare
      ->add_option("-W,--width", args.width,
                   "Total width of the side-by-side view, 20 to 10000 columns")
      ->type_name("N");
  compare->add_flag("--suppress-common-lines", args.options.suppressCommonLines,
                    "Side by side: hide settings that are the same");
  compare->add_flag("--truncate", args.options.truncate,
                    "Side by side: cut long lines, do not wrap");
  compare
      ->add_option(
          "--color", args.color,
          "Colour: auto (a terminal, NO_COLOR empty or unset, TERM not dumb), always or never")
      ->type_name("WHEN");
  compare->add_flag("--stat", args.options.stat,
                    "Print counts per section: same, different, only in one file, dropped");
  compare->add_flag("--explain", args.options.explain,
                    "Tell what was dropped or changed before comparing, and why");
  compare->add_option("--html", args.html, "Also write a self-contained HTML report to FILE")
      ->type_name("FILE");
  compare->add_flag("--show-secrets", args.options.showSecrets,
                    "Show secret values in JSON and HTML");
  compare->add_flag("--mask-secrets", args.options.maskSecrets,
                    "Mask secret values in the terminal");
  compare->add_flag("--template", args.options.golden,
                    "FILE1 is a golden template, rendered against FILE2");
  compare->add_option("--vars", args.vars, "Variables of the template per device (CSV or JSON)")
      ->type_name("FILE");
  compare->add_option("--device", args.device, "FILE2's name in --vars (default: its file name)")
      ->type_name("NAME");
  compare
      ->add_option("--write-fixed", args.writeFixed,
                   "Write FILE2 brought to FILE1 (the remediation) to OUT")
      ->type_name("OUT");

  compare->add_flag("--no-pager", args.noPager, "Do not page the output on a terminal");
  return compare;
}

bool FinishCompareArgs(CCompareArgs& args, std::ostream& err) {
  if (!args.format.empty() && !Choose(args.format, "--format",
                                      {{"side", Format::kSide},
                                       {"changes", Format::kChanges},
                                       {"marked", Format::kMarked},
                                       {"json", Format::kJson},
                                       {"brief", Format::kBrief},
                                       {"github", Format::kGithub},
                                       {"remediation", Format::kRemediation}},
                                      args.options.format, err)) {
    return false;
  }
  if (!ChooseType(args.type1, "--type1", args.options.type1, err) ||
      !ChooseType(args.type2, "--type2", args.options.type2, err)) {
    return false;
  }
  if (!args.types.empty()) {
    bool automatic = false;
    if (!Choose(args.types, "--types", {{"auto", true}}, automatic, err)) return false;
    if (!args.type1.empty() || !args.type2.empty()) {
      err << "varnic: --types auto chooses both types; leave out --type1 and --type2\n"
          << kUsageHint;
      return false;
    }
    args.options.typesAuto = automatic;
  } else if (args.type1.empty() && args.type2.empty()) {
    // Without types the files say which device is which: equal types would label a dual-band
    // pair single-band, and a single-band device would show its missing band as drift.
    args.options.typesAuto = true;
    args.options.typesAutoByDefault = true;
  }
  if (!args.color.empty() && !Choose(args.color, "--color",
                                     {{"auto", ColorMode::kAuto},
                                      {"always", ColorMode::kAlways},
                                      {"never", ColorMode::kNever}},
                                     args.options.color, err)) {
    return false;
  }
  if (args.save.size() % 2 != 0) {
    err << "varnic: --save takes two files, OUT1 and OUT2\n" << kUsageHint;
    return false;
  }
  if (args.save.size() >= 2) {
    args.options.save = {args.save[args.save.size() - 2], args.save.back()};
  }
  if (!args.html.empty()) args.options.html = args.html;
  if (!args.vars.empty()) {
    args.options.vars = args.vars;
    args.options.golden = true;
  }
  if (!args.device.empty()) args.options.device = args.device;
  if (!args.writeFixed.empty()) args.options.writeFixed = args.writeFixed;
  if (!args.width.empty() && !ChooseWidth(args.width, args.options.width, err)) return false;
  return true;
}

}  // namespace varnic::cli
