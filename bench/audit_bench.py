#!/usr/bin/env python3
"""Times `varnic audit` over a generated fleet against a shell loop of `varnic compare`.

Builds nothing: point it at a release build of varnic and varnic-genpair. The fleet is N
device-sized backups (the realistic shape, 250 lines): both files of N/2 generated pairs, each
pair from its own seed, against the first file of seed 0 as the baseline. Seeds differ, so every
device drifts more than a real fleet's would: the audit reports more than it usually has to.

    python3 bench/audit_bench.py                      # 10,000 devices, -j1, -j all cores, loop
    python3 bench/audit_bench.py --devices 1000 --runs 1
    python3 bench/audit_bench.py --copies 10 --runs 1 --no-loop   # 100,000 devices: memory
    python3 bench/audit_bench.py --near --no-loop     # a fleet close to its baseline

With --near every device is the baseline with its own name and address, and one device in three
with one more setting changed: a fleet as one kept to a golden file is.

Each figure is the median of --runs runs, wall time and CPU time (user + sys, from os.wait4), and
peak RSS of the audit. "read" is `cat` of every backup to /dev/null with a warm cache: the floor
set by reading the fleet.
"""

import argparse
import os
import random
import shlex
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


def timed(command, **kwargs):
    """Wall seconds, CPU seconds and peak RSS in MB of one run of `command`."""
    start = time.perf_counter()
    process = subprocess.Popen(command, **kwargs)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    code = os.waitstatus_to_exitcode(status)
    if code not in (0, 1):
        sys.exit(f"{shlex.join(command)} exited with {code}")
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024


def generate(genpair, devices, folder):
    fleet = folder / "fleet"
    fleet.mkdir()
    scratch = folder / "scratch"
    scratch.mkdir()
    subprocess.run([genpair, "realistic", "250", str(scratch), "0"], check=True)
    baseline = folder / "golden.cfg"
    (scratch / "realistic-250-1.cfg").rename(baseline)
    for seed in range(1, devices // 2 + 1):
        subprocess.run([genpair, "realistic", "250", str(scratch), str(seed)], check=True)
        site = fleet / f"site-{seed % 50:02d}"
        site.mkdir(exist_ok=True)
        for side in (1, 2):
            (scratch / f"realistic-250-{side}.cfg").rename(site / f"ap-{seed:05d}-{side}.cfg")
    return baseline, fleet


def generate_near(genpair, devices, folder):
    """The baseline's lines in every device, but for its own name and address and, in one device
    in three, one more value."""
    fleet = folder / "fleet"
    fleet.mkdir()
    subprocess.run([genpair, "realistic", "250", str(folder), "0"], check=True)
    baseline = folder / "golden.cfg"
    (folder / "realistic-250-1.cfg").rename(baseline)
    lines = baseline.read_text().split("\n")
    rng = random.Random(7)
    for device in range(devices):
        edited = list(lines)
        for i, line in enumerate(edited):
            if line.startswith("DeviceName="):
                edited[i] = f"DeviceName=ap-{device:05d}"
            elif line.startswith("IPaddr="):
                edited[i] = f"IPaddr=10.{device // 62500}.{device // 250 % 250}.{device % 250}"
        if device % 3 == 0:
            i = rng.randrange(len(edited))
            if "=" in edited[i]:
                edited[i] = edited[i].split("=", 1)[0] + f"=changed-{device}"
        site = fleet / f"site-{device % 50:02d}"
        site.mkdir(exist_ok=True)
        (site / f"ap-{device:05d}.cfg").write_text("\n".join(edited))
    return baseline, fleet


def copy_fleet(fleet, copies):
    """The fleet's sites repeated `copies` times in all (hard links where the file system allows),
    so that memory can be measured at 10 and 100 times the devices without generating them."""
    for copy in range(1, copies):
        for site in sorted(p for p in fleet.iterdir() if p.name.startswith("site-")):
            twin = fleet / f"copy-{copy:02d}-{site.name}"
            twin.mkdir()
            for backup in site.iterdir():
                try:
                    os.link(backup, twin / backup.name)
                except OSError:
                    shutil.copyfile(backup, twin / backup.name)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--varnic", default=str(ROOT / "build/release/cli/varnic"))
    parser.add_argument("--genpair", default=str(ROOT / "build/release/bench/varnic-genpair"))
    parser.add_argument("--devices", type=int, default=10_000)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--no-loop", action="store_true", help="skip the shell loop (slow)")
    parser.add_argument("--copies", type=int, default=1,
                        help="audit the generated fleet repeated this many times")
    parser.add_argument("--format", default="json", help="the audit's --format")
    parser.add_argument("--near", action="store_true",
                        help="devices that keep their baseline's lines but for a few")
    args = parser.parse_args()
    cores = os.cpu_count() or 1

    with tempfile.TemporaryDirectory(prefix="varnic-audit-bench-") as tmp:
        folder = Path(tmp)
        make = generate_near if args.near else generate
        baseline, fleet = make(args.genpair, args.devices, folder)
        copy_fleet(fleet, args.copies)
        files = sorted(str(p) for p in fleet.rglob("*.cfg"))
        size = sum(os.path.getsize(f) for f in files) / 1e6
        print(f"{len(files)} backups, {size:.1f} MB, baseline {baseline.stat().st_size} bytes, "
              f"{cores} cores")
        out = folder / "out"
        out.mkdir()
        loop = ("for f in \"$@\"; do \"$0\" compare --format=json \"$B\" \"$f\" "
                ">\"$O/${f##*/}.json\"; done")
        # The names go to cat through xargs: 100,000 of them are past the system's limit for the
        # arguments of one command.
        names = folder / "names"
        names.write_bytes(b"".join(f.encode() + b"\0" for f in files))
        cases = [
            ("read (cat)", ["xargs", "-0", "-a", str(names), "cat"]),
            ("audit -j1", [args.varnic, "audit", "-j1", f"--format={args.format}",
                           str(baseline), str(fleet)]),
            (f"audit -j{cores}", [args.varnic, "audit", f"-j{cores}", f"--format={args.format}",
                                  str(baseline), str(fleet)]),
        ]
        if not args.no_loop:
            cases.append(("loop of compare", ["sh", "-c", loop, args.varnic, *files]))
        env = dict(os.environ, B=str(baseline), O=str(out))
        results = {name: [] for name, _ in cases}
        for _ in range(args.runs):
            for name, command in cases:
                with open(os.devnull, "wb") as sink:
                    results[name].append(timed(command, stdout=sink, env=env))
        print(f"| run | wall s | CPU s | peak RSS MB | devices/s |")
        print(f"|---|---|---|---|---|")
        for name, runs in results.items():
            wall = statistics.median(r[0] for r in runs)
            cpu = statistics.median(r[1] for r in runs)
            rss = max(r[2] for r in runs)
            print(f"| {name} | {wall:.2f} | {cpu:.2f} | {rss:.0f} | {len(files) / wall:,.0f} |")


if __name__ == "__main__":
    main()
