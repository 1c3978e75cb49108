#!/usr/bin/env python3
"""Times `varnic audit` of a fleet against a golden template, an inventory and --fix-dir.

The same generated fleet as bench/audit_bench.py (N devices, 250 lines each, every one drifting)
is audited twice, alternating run by run: against the plain baseline, and against the baseline
made a template (the first settings of [System] filled per device from an inventory CSV, one
`{{ any }}` and one `{{ one_of ... }}` rule) with `--vars` and `--fix-dir`, so that every
drifted device also gets a verified fixed backup written. Prints the medians and their ratio.

Each golden run writes its fixes into a directory that did not exist, as a first run would; all
are removed at the end, not between runs: a run timed just after 10,000 files were deleted pays
for ext4 searching past their recently freed inodes, a cost of the benchmark, not of the audit. The fixes go to the fleet's file system and, when
--tmpfs names one (the default /dev/shm, if it is there), to a memory file system as well: the
first is what a user sees, the second what is left without the disk's own costs.

    python3 bench/golden_audit_bench.py                     # 10,000 devices, 5 runs each, -j1
    python3 bench/golden_audit_bench.py --devices 1000 --runs 3 --jobs 2

Builds nothing: point it at a release build of varnic and varnic-genpair.
"""

import argparse
import csv
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from audit_bench import ROOT, generate, timed  # noqa: E402

VARIABLES = 3  # settings of [System] that each device has its own value for


def settings_of(text, section):
    """The key=value lines of `section`, in order, as (key, value)."""
    found, inside = [], False
    for line in text.splitlines():
        if line.startswith("["):
            inside = line == section
        elif inside and "=" in line:
            key, value = line.split("=", 1)
            found.append((key, value))
    return found


def file_system(path):
    """The type of the file system that holds `path` ("ext4", "tmpfs")."""
    found = subprocess.run(["findmnt", "-n", "-o", "FSTYPE", "--target", str(path)],
                           capture_output=True, text=True, check=False)
    lines = found.stdout.split()
    return lines[0] if lines else "an unknown file system"


def make_template(baseline):
    """The baseline with its first [System] values made variables and two made rules."""
    text = baseline.read_text(encoding="latin-1")
    system = settings_of(text, "[System]")
    if len(system) < VARIABLES + 2:
        sys.exit("the generated baseline has too few [System] settings for a template")
    templated = {key: f"{{{{ v{i} }}}}" for i, (key, _) in enumerate(system[:VARIABLES])}
    any_key, rule_key = system[VARIABLES][0], system[VARIABLES + 1][0]
    templated[any_key] = "{{ any }}"
    templated[rule_key] = f"{{{{ one_of {system[VARIABLES + 1][1] or 'x'} other }}}}"
    out, inside = [], False
    for line in text.splitlines(keepends=True):
        if line.startswith("["):
            inside = line.rstrip("\r\n") == "[System]"
        elif inside and "=" in line:
            key = line.split("=", 1)[0]
            if key in templated:
                end = line[len(line.rstrip("\r\n")):]
                line = f"{key}={templated.pop(key)}{end}"
        out.append(line)
    template = baseline.with_name("golden-template.cfg")
    template.write_text("".join(out), encoding="latin-1", newline="")
    return [key for key, _ in system[:VARIABLES]], template


def make_inventory(files, keys, folder):
    """A CSV row per device (its file name without extension) with its own values of `keys`."""
    inventory = folder / "inventory.csv"
    with open(inventory, "w", newline="", encoding="latin-1") as out:
        writer = csv.writer(out, lineterminator="\n")
        writer.writerow(["device"] + [f"v{i}" for i in range(len(keys))])
        for path in files:
            own = dict(settings_of(Path(path).read_text(encoding="latin-1"), "[System]"))
            writer.writerow([Path(path).stem] + [own.get(key, "") for key in keys])
    return inventory


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--varnic", default=str(ROOT / "build/release/cli/varnic"))
    parser.add_argument("--genpair", default=str(ROOT / "build/release/bench/varnic-genpair"))
    parser.add_argument("--devices", type=int, default=10_000)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--jobs", type=int, default=1)
    parser.add_argument("--tmpfs", default="/dev/shm",
                        help="a memory file system for a second golden run ('' for none)")
    args = parser.parse_args()

    with tempfile.TemporaryDirectory(prefix="varnic-golden-bench-") as tmp:
        folder = Path(tmp)
        baseline, fleet = generate(args.genpair, args.devices, folder)
        files = sorted(str(p) for p in fleet.rglob("*.cfg"))
        keys, template = make_template(baseline)
        inventory = make_inventory(files, keys, folder)
        plain = [args.varnic, "audit", f"-j{args.jobs}", "--format=json", str(baseline), str(fleet)]
        roots = {f"golden, fixes on {file_system(folder)}": folder}
        memory = None
        if args.tmpfs and Path(args.tmpfs).is_dir():
            memory = Path(tempfile.mkdtemp(prefix="varnic-golden-bench-", dir=args.tmpfs))
            roots[f"golden, fixes on {file_system(memory)}"] = memory
        cases = {"plain": lambda run: plain}
        for name, root in roots.items():
            cases[name] = lambda run, root=root: [
                args.varnic, "audit", f"-j{args.jobs}", "--format=json", "--vars", str(inventory),
                "--fix-dir", str(root / f"fixes-{run}"), str(template), str(fleet)]
        times = {name: [] for name in cases}
        try:
            for run in range(args.runs):
                for name, command in cases.items():
                    with open(os.devnull, "wb") as sink:
                        times[name].append(timed(command(run), stdout=sink))
            written = len(list((folder / f"fixes-{args.runs - 1}").glob("*.fixed.cfg")))
        finally:
            if memory is not None:
                shutil.rmtree(memory, ignore_errors=True)
        print(f"{len(files)} devices, -j{args.jobs}, {args.runs} runs each, alternating; "
              f"{written} fixed backups written by the last golden run")
        print("| run | wall s (median) | CPU s (median) | peak RSS MB | CPU / plain |")
        print("|---|---|---|---|---|")
        plain_cpu = statistics.median(r[1] for r in times["plain"])
        for name, runs in times.items():
            cpu = statistics.median(r[1] for r in runs)
            print(f"| {name} | {statistics.median(r[0] for r in runs):.2f} | {cpu:.2f} | "
                  f"{max(r[2] for r in runs):.0f} | {cpu / plain_cpu:.2f} |")
        print("target: the golden runs at most 2x the plain run's CPU time")


if __name__ == "__main__":
    main()
