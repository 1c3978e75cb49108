#!/usr/bin/env python3
"""Times each report of `varnic compare` against the plain save on one generated pair.

Every run saves (`--save O1 O2`), as the plain run does; the configurations take turns run by
run, so that a busy shared machine slows them alike, and the table shows CPU medians (user + sys,
from os.wait4) and each one's ratio to the plain save. JSON's rate is the size of the document
over its CPU beyond the plain save, beside `cat` copying the same document to a file.

    python3 bench/report_costs.py --varnic build/bench/cli/varnic \\
        --genpair build/bench/bench/varnic-genpair --lines 200000 --runs 9
"""

import argparse
import os
import statistics
import subprocess
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
REPORTS = ["--quiet", "--format=changes", "--explain", "--html={dir}/report.html",
           "--format=json"]


def cpu_seconds(argv, stdout=os.devnull):
    with open(stdout, "wb") as sink:
        child = subprocess.Popen(argv, stdout=sink)
        _, status, usage = os.wait4(child.pid, 0)
    if os.WEXITSTATUS(status) > 1:
        raise SystemExit(f"failed ({os.WEXITSTATUS(status)}): {' '.join(argv)}")
    return usage.ru_utime + usage.ru_stime


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--varnic", default=str(ROOT / "build/bench/cli/varnic"))
    parser.add_argument("--genpair", default=str(ROOT / "build/bench/bench/varnic-genpair"))
    parser.add_argument("--lines", type=int, default=200_000)
    parser.add_argument("--runs", type=int, default=9)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run([args.genpair, "realistic", str(args.lines), tmp], check=True,
                       stdout=subprocess.DEVNULL)
        a = f"{tmp}/realistic-{args.lines}-1.cfg"
        b = f"{tmp}/realistic-{args.lines}-2.cfg"
        document = f"{tmp}/report.json"
        times = {report: [] for report in REPORTS + ["cat"]}
        for _ in range(args.runs):
            for report in REPORTS:
                argv = [args.varnic, "compare", a, b, "--save", f"{tmp}/O1", f"{tmp}/O2",
                        report.format(dir=tmp)]
                out = document if report == "--format=json" else os.devnull
                times[report].append(cpu_seconds(argv, out))
            times["cat"].append(cpu_seconds(["cat", document], f"{tmp}/copy.json"))
        size = os.path.getsize(document) / 1e6
    plain = statistics.median(times[REPORTS[0]])
    print(f"realistic pair, {args.lines} lines a file, {args.runs} alternating runs, CPU medians")
    for report in REPORTS:
        median = statistics.median(times[report])
        print(f"{report.format(dir='DIR'):24} {median:6.3f} s {median / plain:5.2f}x")
    json_extra = statistics.median(times["--format=json"]) - plain
    cat = statistics.median(times["cat"])
    print(f"JSON document {size:.1f} MB: written at {size / json_extra:.0f} MB/s of CPU beyond "
          f"the plain save; cat copies it at {size / cat:.0f} MB/s")


if __name__ == "__main__":
    main()
