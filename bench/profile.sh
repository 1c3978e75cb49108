#!/bin/sh
# Where the time of each headline figure goes: one profile per figure, so that the next change
# starts from the hot spots rather than from a guess. Builds nothing: run it against the bench
# preset's build (cmake --preset bench && cmake --build --preset bench).
#
#   bench/profile.sh                   # every profile into ./profiles
#   bench/profile.sh compare-1m        # one of: compare-1m mac-list ssids long-line report-changes
#                                      #   report-explain report-html report-json audit golden-audit
#   OUT=/tmp/p BUILD=build/bench bench/profile.sh report-json
#
# Each profile is `perf record --call-graph dwarf` of one run and a flat text summary beside it
# (NAME.perf.data, NAME.txt: self time per function, then the callers of the top ones). Without
# perf, `valgrind --tool=callgrind` counts instructions instead (NAME.callgrind, NAME.txt).
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/build/bench}
OUT=${OUT:-$PWD/profiles}
VARNIC=$BUILD/cli/varnic
GENPAIR=$BUILD/bench/varnic-genpair
for tool in "$VARNIC" "$GENPAIR"; do
  [ -x "$tool" ] || { echo "profile.sh: $tool not built (cmake --build --preset bench)" >&2; exit 2; }
done
mkdir -p "$OUT"
DATA=$(mktemp -d "${TMPDIR:-/tmp}/varnic-profile.XXXXXX")
trap 'rm -rf "$DATA"' EXIT INT TERM

# record NAME COMMAND...: profiles one run of COMMAND (its exit status 1, "differences", is fine).
record() {
  name=$1
  shift
  if command -v perf >/dev/null 2>&1; then
    perf record -q --call-graph dwarf,16384 -F 2000 -o "$OUT/$name.perf.data" -- "$@" \
      >/dev/null 2>&1 || [ $? -eq 1 ]
    {
      echo "# $*"
      perf report -i "$OUT/$name.perf.data" --no-children --stdio --no-call-graph 2>/dev/null \
        | grep -E '^ +[0-9]' | head -30
      echo
      perf report -i "$OUT/$name.perf.data" --children --stdio --no-call-graph 2>/dev/null \
        | grep -E '^ +[0-9]' | grep -v kernel | head -30
    } >"$OUT/$name.txt"
  else
    valgrind --tool=callgrind --callgrind-out-file="$OUT/$name.callgrind" "$@" \
      >/dev/null 2>&1 || [ $? -eq 1 ]
    { echo "# $*"; callgrind_annotate "$OUT/$name.callgrind" | head -60; } >"$OUT/$name.txt"
  fi
  echo "$OUT/$name.txt"
}

pair() {  # pair SHAPE LINES: generates the pair once, prints its two paths
  [ -f "$DATA/$1-$2-1.cfg" ] || "$GENPAIR" "$1" "$2" "$DATA" >/dev/null
  echo "$DATA/$1-$2-1.cfg $DATA/$1-$2-2.cfg"
}

compare_1m() {  # the realistic 1M-line pair with --save, against GNU diff
  set -- $(pair realistic 1000000)
  record compare-1m "$VARNIC" compare "$1" "$2" --save "$DATA/O1" "$DATA/O2" --quiet
}

mac_list() {  # the worst hostile shape: a MAC list without acl, the other file permuted
  set -- $(pair mac-list 200000)
  record mac-list "$VARNIC" compare "$1" "$2" --save "$DATA/O1" "$DATA/O2" --quiet
}

ssids() {  # SSID sections whose rules keep nothing, the other hostile shape past diff's time
  set -- $(pair many-ssids 200000)
  record ssids "$VARNIC" compare "$1" "$2" --save "$DATA/O1" "$DATA/O2" --quiet
}

long_line() {  # one 50 MB line per file: reading and writing, with nearly nothing to compare
  # The generator's size for this shape counts 250-byte units of the line, as vs_diff.py's 200k.
  set -- $(pair long-line 200000)
  record long-line "$VARNIC" compare "$1" "$2" --save "$DATA/O1" "$DATA/O2" --quiet
}

# report NAME ARGS...: one report of the realistic 200k pair, saved as the plain save is
# (bench/report_costs.py times each against it).
report() {
  name=$1
  shift
  set -- "$name" $(pair realistic 200000) "$@"
  record "$1" "$VARNIC" compare "$2" "$3" --save "$DATA/O1" "$DATA/O2" "$4"
}

fleet() {  # 2,000 generated backups and their baseline, made once for every audit profile
  [ -f "$DATA/golden.cfg" ] && return
  mkdir -p "$DATA/fleet"
  "$GENPAIR" realistic 250 "$DATA" 0 >/dev/null
  mv "$DATA/realistic-250-1.cfg" "$DATA/golden.cfg"
  seed=1
  while [ $seed -le 1000 ]; do
    "$GENPAIR" realistic 250 "$DATA/fleet" $seed >/dev/null
    mv "$DATA/fleet/realistic-250-1.cfg" "$DATA/fleet/a$seed.cfg"
    mv "$DATA/fleet/realistic-250-2.cfg" "$DATA/fleet/b$seed.cfg"
    seed=$((seed + 1))
  done
}

audit() {  # the audit of 2,000 backups with -j1 (bench/audit_bench.py times 10,000)
  fleet
  record audit "$VARNIC" audit -j1 --format=json "$DATA/golden.cfg" "$DATA/fleet"
}

golden_audit() {  # the same fleet against a template, with --vars and --fix-dir
  fleet
  # The template and inventory bench/golden_audit_bench.py makes.
  python3 - "$ROOT/bench" "$DATA" <<'PY'
import sys
from pathlib import Path
sys.path.insert(0, sys.argv[1])
from golden_audit_bench import make_inventory, make_template
data = Path(sys.argv[2])
keys, _ = make_template(data / "golden.cfg")
make_inventory(sorted(str(p) for p in (data / "fleet").glob("*.cfg")), keys, data)
PY
  # Into a directory the run makes, as a first run would; the fixes are removed after recording,
  # not just before, so that ext4 reclaiming them stays out of the next profile.
  rm -rf "$DATA/fixes"
  record golden-audit "$VARNIC" audit -j1 --format=json --vars "$DATA/inventory.csv" \
    --fix-dir "$DATA/fixes" "$DATA/golden-template.cfg" "$DATA/fleet"
  rm -rf "$DATA/fixes"
}

if [ $# -eq 0 ]; then
  set -- compare-1m mac-list ssids long-line report-changes report-explain report-html report-json \
    audit golden-audit
fi
for profile in "$@"; do
  case $profile in
    compare-1m) compare_1m ;;
    mac-list) mac_list ;;
    ssids) ssids ;;
    long-line) long_line ;;
    report-changes) report report-changes --format=changes ;;
    report-explain) report report-explain --explain ;;
    report-html) report report-html "--html=$DATA/report.html" ;;
    report-json) report report-json --format=json ;;
    audit) audit ;;
    golden-audit) golden_audit ;;
    *) echo "profile.sh: unknown profile: $profile" >&2; exit 2 ;;
  esac
done
