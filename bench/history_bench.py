#!/usr/bin/env python3
"""Times recording an audit in its history (`--db`) and reading the history back.

Builds nothing: point it at a release build of varnic and varnic-genpair. Two fleets of N
devices: --shape golden (the default) holds every device to the baseline but for one to three
drifted settings, as a managed fleet is; --shape drifted is audit_bench.py's, every device
drifting in about 200 settings. Three audits alternate, each the median of --runs runs:

  * the audit alone (`-q`),
  * the audit recorded into a new SQLite file (the first night: every drift row is new),
  * the audit recorded into a history that holds the fleet already (a later night: devices that
    drift as before share their stored rows).

Then --nights runs go into one history, each night a share of the devices (--churn) drifting
in one more setting, and `varnic history --since` is timed over them (JSON to /dev/null).

    python3 bench/history_bench.py                      # 10,000 devices, 30 nights
    python3 bench/history_bench.py --devices 1000 --nights 5 --runs 1
"""

import argparse
import os
import random
import statistics
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from audit_bench import ROOT, generate, timed  # noqa: E402


def median_row(name, runs, devices):
    wall = statistics.median(r[0] for r in runs)
    cpu = statistics.median(r[1] for r in runs)
    rss = max(r[2] for r in runs)
    print(f"| {name} | {wall:.2f} | {cpu:.2f} | {rss:.0f} | {devices / wall:,.0f} |")
    return wall


def golden_fleet(genpair, devices, folder, rng):
    """Copies of one generated backup, each with one to three of its values changed."""
    import subprocess
    scratch = folder / "scratch"
    scratch.mkdir()
    subprocess.run([genpair, "realistic", "250", str(scratch), "0"], check=True)
    baseline = folder / "golden.cfg"
    (scratch / "realistic-250-1.cfg").rename(baseline)
    lines = baseline.read_bytes().split(b"\n")
    settings = [i for i, line in enumerate(lines) if b"=" in line and not line.startswith(b"[")]
    fleet = folder / "fleet"
    for device in range(devices):
        site = fleet / f"site-{device % 50:02d}"
        site.mkdir(parents=True, exist_ok=True)
        copy = list(lines)
        for i in rng.sample(settings, rng.randint(1, 3)):
            copy[i] = copy[i] + b"-changed"
        (site / f"ap-{device:05d}.cfg").write_bytes(b"\n".join(copy))
    return baseline, fleet


def night_changes(files, night, churn, rng):
    """A share of the devices drifts in one more setting tonight (the last line changes)."""
    for path in rng.sample(files, int(len(files) * churn)):
        lines = Path(path).read_bytes().split(b"\n")
        lines.insert(len(lines) - 1, b"bench_night=%d" % night)
        Path(path).write_bytes(b"\n".join(lines))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--varnic", default=str(ROOT / "build/release/cli/varnic"))
    parser.add_argument("--genpair", default=str(ROOT / "build/release/bench/varnic-genpair"))
    parser.add_argument("--devices", type=int, default=10_000)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--nights", type=int, default=30)
    parser.add_argument("--churn", type=float, default=0.02)
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    parser.add_argument("--shape", choices=("golden", "drifted"), default="golden")
    args = parser.parse_args()

    with tempfile.TemporaryDirectory(prefix="varnic-history-bench-") as tmp:
        folder = Path(tmp)
        rng = random.Random(1)
        if args.shape == "golden":
            baseline, fleet = golden_fleet(args.genpair, args.devices, folder, rng)
        else:
            baseline, fleet = generate(args.genpair, args.devices, folder)
        files = sorted(str(p) for p in fleet.rglob("*.cfg"))
        print(f"{len(files)} backups ({args.shape}), -j{args.jobs}")
        audit = [args.varnic, "audit", f"-j{args.jobs}", "-q", str(baseline), str(fleet)]
        kept = folder / "kept.db"
        timed(audit + ["--db", str(kept)])  # the history a later night writes into
        results = {"audit alone": [], "audit --db, new file": [], "audit --db, a later night": []}
        for i in range(args.runs):
            fresh = folder / f"fresh-{i}.db"
            results["audit alone"].append(timed(audit))
            results["audit --db, new file"].append(timed(audit + ["--db", str(fresh)]))
            results["audit --db, a later night"].append(timed(audit + ["--db", str(kept)]))
            for suffix in ("", "-wal", "-shm"):
                Path(str(fresh) + suffix).unlink(missing_ok=True)
        print("| run | wall s | CPU s | peak RSS MB | devices/s |")
        print("|---|---|---|---|---|")
        walls = {name: median_row(name, runs, len(files)) for name, runs in results.items()}
        alone = walls["audit alone"]
        for name in list(walls)[1:]:
            print(f"{name}: {walls[name] / alone:.2f}x the audit alone")

        history = folder / "history.db"
        for night in range(1, args.nights + 1):
            if night > 1:
                night_changes(files, night, args.churn, rng)
            env = dict(os.environ, SOURCE_DATE_EPOCH=str(1796090400 + night * 86400))
            timed(audit + ["--db", str(history)], env=env)
        size = sum(p.stat().st_size for p in folder.glob("history.db*")) / 1e6
        print(f"\n{args.nights} nights in {size:.0f} MB")
        print("| history | wall s | CPU s | peak RSS MB |")
        print("|---|---|---|---|")
        for name, view in (("runs", ["runs"]),
                           (f"--since {args.nights - 1} (last night)", ["--since", str(args.nights - 1)]),
                           ("--since 1 (the month)", ["--since", "1"])):
            command = [args.varnic, "history", "--db", str(history), "--format", "json", *view]
            runs = []
            for _ in range(args.runs):
                with open(os.devnull, "wb") as sink:
                    runs.append(timed(command, stdout=sink))
            wall = statistics.median(r[0] for r in runs)
            cpu = statistics.median(r[1] for r in runs)
            print(f"| {name} | {wall:.2f} | {cpu:.2f} | {max(r[2] for r in runs):.0f} |")


if __name__ == "__main__":
    main()
