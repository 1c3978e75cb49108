#!/usr/bin/env python3
"""Times `varnic compare` against GNU diff on generated pairs of backups.

Builds nothing: point it at the bench preset's build of varnic and varnic-genpair. For every pair the two
programs run alternately; each run's CPU time (user + sys), wall time and peak RSS come from
os.wait4, and the table shows medians.

    python3 bench/vs_diff.py                 # realistic 250..1M lines, hostile shapes at 200k
    python3 bench/vs_diff.py --quick         # smoke run: smaller sizes, three runs
    python3 bench/vs_diff.py --shapes realistic --sizes 1M --extra-args=--format=json
    python3 bench/vs_diff.py --callgrind     # instruction counts and growth exponents

Peak RSS of a child cannot be measured below the parent's own peak at spawn time (Linux carries
the pre-exec high-water mark over), so this script keeps its own memory small and marks values
at that floor with '<'.
"""

import argparse
import math
import os
import platform
import shlex
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
REALISTIC = "realistic"
HOSTILE = ["unique-keys", "one-key", "mac-list", "long-line", "unknown-sections", "no-equals",
           "many-ssids"]
DEFAULT_SIZES = [250, 20_000, 200_000, 1_000_000]
QUICK_SIZES = [250, 20_000, 200_000]


def count(text):
    """A line count such as 250, 20k or 1M."""
    scale = {"k": 1_000, "M": 1_000_000}.get(text[-1:], 1)
    number = int(text[:-1] if scale != 1 else text)
    if number <= 0:
        raise argparse.ArgumentTypeError(f"not a positive count: {text}")
    return number * scale


def count_list(text):
    return [count(part) for part in text.split(",") if part]


def shape_list(text):
    shapes = [part for part in text.split(",") if part]
    for shape in shapes:
        if shape != REALISTIC and shape not in HOSTILE:
            raise argparse.ArgumentTypeError(f"unknown shape: {shape}")
    return shapes


def human(n):
    if n >= 1_000_000 and n % 1_000_000 == 0:
        return f"{n // 1_000_000}M"
    if n >= 1_000 and n % 1_000 == 0:
        return f"{n // 1_000}k"
    return str(n)


def machine():
    model = "unknown"
    try:
        with open("/proc/cpuinfo", encoding="ascii", errors="replace") as cpuinfo:
            for line in cpuinfo:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    usable = len(os.sched_getaffinity(0))
    return f"nproc {usable} (of {os.cpu_count()}), CPU {model}, Linux {platform.release()}"


def first_line(argv):
    try:
        done = subprocess.run(argv, capture_output=True, text=True, check=False)
        return (done.stdout or done.stderr).splitlines()[0]
    except (OSError, IndexError):
        return "?"


class Run:
    def __init__(self, status, cpu, wall, rss):
        self.status, self.cpu, self.wall, self.rss = status, cpu, wall, rss


def run_once(argv, err_path):
    """One run with stdout to /dev/null; stderr kept in a file to show when a run fails."""
    with open(os.devnull, "wb") as null, open(err_path, "wb") as err:
        start = time.perf_counter()
        child = subprocess.Popen(argv, stdout=null, stderr=err)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)  # already reaped
    return Run(child.returncode, usage.ru_utime + usage.ru_stime, wall, usage.ru_maxrss * 1024)


def line_count(path):
    lines = 0
    with open(path, "rb") as f:
        while chunk := f.read(1 << 20):
            lines += chunk.count(b"\n")
    return lines


def generate(genpair, shape, lines, outdir, seed):
    argv = [genpair, shape, str(lines), outdir] + ([str(seed)] if seed is not None else [])
    subprocess.run(argv, check=True)
    stem = os.path.join(outdir, f"{shape}-{lines}")
    return stem + "-1.cfg", stem + "-2.cfg"


NO_SAVE = False  # set by --no-save: time the comparison alone, as a person at a terminal runs it


def varnic_argv(varnic, a, b, outdir, extra):
    if NO_SAVE:
        return [varnic, "compare", a, b] + (extra if extra else ["--quiet"])
    argv = [varnic, "compare", a, b, "--save", os.path.join(outdir, "out1"),
            os.path.join(outdir, "out2")]
    # --quiet would suppress the report that extra arguments such as --format=json ask for.
    return argv + extra if extra else argv + ["--quiet"]


def ratio(a, b):
    return f"{a / b:.2f}" if b > 0 else "n/a"


def rss_per_input(rss, floor, size):
    mark = "<" if rss <= floor * 1.05 else ""
    return f"{mark}{rss / size:.2f}"


def spawn_floor(tmp):
    """Peak RSS reported for a child that does nothing: the smallest value we can measure."""
    return run_once([shutil.which("true") or "/bin/true"], os.path.join(tmp, "err")).rss


def time_pairs(args, tmp):
    print(f"peak RSS floor of a spawned child: {spawn_floor(tmp) / 2**20:.1f} MB at start "
          "('<' marks values at the floor)")
    print(f"varnic arguments: {' '.join(varnic_argv('varnic', 'A', 'B', 'DIR', args.extra))}")
    print(f"{args.runs} interleaved runs each, medians\n")
    header = ["shape", "lines/file", "input MB", "varnic CPU s", "diff CPU s", "CPU ratio",
              "wall ratio", "varnic RSS/in", "diff RSS/in", "exit v/d"]
    rows = []
    widths = [max(len(h), 7) for h in header]
    widths[0] = max(len(s) for s in HOSTILE)

    def show(row):
        print("  ".join(cell.rjust(w) if i else cell.ljust(w)
                        for i, (cell, w) in enumerate(zip(row, widths))), flush=True)

    show(header)
    for shape, lines in args.plan:
        a, b = generate(args.genpair, shape, lines, tmp, args.seed)
        size = os.path.getsize(a) + os.path.getsize(b)
        err = os.path.join(tmp, "err")
        tools = {
            "varnic": varnic_argv(args.varnic, a, b, tmp, args.extra),
            "diff": [args.diff, a, b],
        }
        runs = {name: [] for name in tools}
        messages = set()
        floor = spawn_floor(tmp)  # our own peak only grows, so measure it again for each pair
        for i in range(args.runs):
            order = ["varnic", "diff"] if i % 2 == 0 else ["diff", "varnic"]
            for name in order:
                run = run_once(tools[name], err)
                runs[name].append(run)
                if run.status not in (0, 1):
                    with open(err, "rb") as f:
                        message = f.read().decode("utf-8", "replace").strip()
                    messages.add(f"  {name} exit {run.status}: {message}")
        med = {name: {field: statistics.median(getattr(r, field) for r in rs)
                      for field in ("cpu", "wall", "rss")} for name, rs in runs.items()}
        status = "/".join(",".join(sorted({str(r.status) for r in runs[name]}))
                          for name in ("varnic", "diff"))
        row = [shape, str(line_count(a)), f"{size / 1e6:.2f}",
               f"{med['varnic']['cpu']:.3f}", f"{med['diff']['cpu']:.3f}",
               ratio(med["varnic"]["cpu"], med["diff"]["cpu"]),
               ratio(med["varnic"]["wall"], med["diff"]["wall"]),
               rss_per_input(med["varnic"]["rss"], floor, size),
               rss_per_input(med["diff"]["rss"], floor, size), status]
        rows.append(row)
        show(row)
        for message in sorted(messages):
            print(message, flush=True)
        for path in (a, b):
            os.remove(path)
    return rows


def instructions(out_file):
    with open(out_file, encoding="ascii", errors="replace") as f:
        for line in f:
            if line.startswith(("summary:", "totals:")):
                return int(line.split()[1])
    raise RuntimeError(f"no instruction total in {out_file}")


def callgrind(args, tmp):
    valgrind = shutil.which("valgrind")
    if not valgrind:
        sys.exit("vs_diff.py: valgrind not found")
    n1, n2 = args.callgrind_sizes
    print(f"\ncallgrind on varnic ({first_line([valgrind, '--version'])}), sizes "
          f"{human(n1)} and {human(n2)}; exponent = log(I2/I1) / log(n2/n1)")
    header = (f"{'shape':<17}{'I(' + human(n1) + ')':>16}{'I(' + human(n2) + ')':>16}"
              f"{'exponent':>10}{'exit':>6}")
    print(header, flush=True)
    shapes = [s for s in args.shapes if s in HOSTILE]
    for shape in shapes:
        counts, statuses = [], set()
        for n in (n1, n2):
            a, b = generate(args.genpair, shape, n, tmp, args.seed)
            out = os.path.join(tmp, "callgrind.out")
            argv = [valgrind, "--tool=callgrind", f"--callgrind-out-file={out}"]
            argv += varnic_argv(args.varnic, a, b, tmp, args.extra)
            with open(os.devnull, "wb") as null:
                statuses.add(subprocess.run(argv, stdout=null, stderr=null).returncode)
            counts.append(instructions(out))
            for path in (a, b, out):
                os.remove(path)
        exponent = math.log(counts[1] / counts[0]) / math.log(n2 / n1)
        status = ",".join(str(code) for code in sorted(statuses))
        print(f"{shape:<17}{counts[0]:>16,}{counts[1]:>16,}{exponent:>10.2f}{status:>6}",
              flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--varnic", default=str(ROOT / "build/bench/cli/varnic"))
    parser.add_argument("--genpair", default=str(ROOT / "build/bench/bench/varnic-genpair"))
    parser.add_argument("--diff", default="diff", help="GNU diff to compare against")
    parser.add_argument("--sizes", type=count_list,
                        help="lines per file of the realistic pairs (default 250,20k,200k,1M)")
    parser.add_argument("--hostile-size", type=count,
                        help="lines per file of each hostile pair (default 200k)")
    parser.add_argument("--shapes", type=shape_list, default=[REALISTIC] + HOSTILE,
                        help="comma-separated shapes (default all)")
    parser.add_argument("--runs", type=int, help="runs of each program per pair (default 5)")
    parser.add_argument("--seed", type=int, help="generator seed (default the generator's)")
    parser.add_argument("--no-save", action="store_true",
                        help="leave out --save OUT1 OUT2 (start-up and comparison alone)")
    parser.add_argument("--extra-args", dest="extra", type=shlex.split, default=[],
                        help="more varnic arguments, e.g. --extra-args=--format=json "
                             "(replaces --quiet; output goes to /dev/null)")
    parser.add_argument("--quick", action="store_true",
                        help="smoke run: realistic to 200k, hostile at 20k, three runs")
    parser.add_argument("--callgrind", action="store_true",
                        help="also count varnic's instructions at two sizes of each hostile shape")
    parser.add_argument("--callgrind-sizes", type=count_list,
                        help="the two sizes for --callgrind (default 20k,80k; quick 5k,20k)")
    parser.add_argument("--keep", action="store_true", help="keep the temporary directory")
    args = parser.parse_args()
    global NO_SAVE
    NO_SAVE = args.no_save

    args.sizes = args.sizes or (QUICK_SIZES if args.quick else DEFAULT_SIZES)
    args.hostile_size = args.hostile_size or (20_000 if args.quick else 200_000)
    args.runs = args.runs or (3 if args.quick else 5)
    args.callgrind_sizes = args.callgrind_sizes or ([5_000, 20_000] if args.quick
                                                    else [20_000, 80_000])
    if len(args.callgrind_sizes) != 2 or args.callgrind_sizes[0] >= args.callgrind_sizes[1]:
        parser.error("--callgrind-sizes takes two increasing sizes")
    args.diff = shutil.which(args.diff) or args.diff
    for tool in (args.varnic, args.genpair, args.diff):
        if not os.access(tool, os.X_OK):
            parser.error(f"not an executable: {tool} (build with the bench preset first)")
    args.plan = [(REALISTIC, n) for n in args.sizes if REALISTIC in args.shapes]
    args.plan += [(s, args.hostile_size) for s in HOSTILE if s in args.shapes]

    print(f"machine: {machine()}")
    print(f"varnic: {args.varnic} ({first_line([args.varnic, '--version'])})")
    print(f"diff: {args.diff} ({first_line([args.diff, '--version'])})")
    tmp = tempfile.mkdtemp(prefix="varnic-vs-diff-")
    try:
        time_pairs(args, tmp)
        if args.callgrind:
            callgrind(args, tmp)
    finally:
        if args.keep:
            print(f"kept {tmp}")
        else:
            shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
