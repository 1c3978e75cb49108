#!/usr/bin/env python3
"""Times varnic.dask.audit on a local Dask cluster against `varnic audit -j2` over one fleet.

varnic.audit(jobs=2) is timed too, in a Python process of its own: the cluster's work on one
machine, whose peak memory is mostly what the summary's dataclasses cost.

Builds nothing: point it at a varnic command and at the folder the varnic package imports from
(a release build's, or an installed wheel: --pythonpath ''). The fleet is generated from the
bundled example backup: every device the golden file with a few values of its own (gateway,
timeout, SSID), so that most devices drift in two or three settings, as a real fleet does.

    python3 bench/dask_bench.py                       # 5,000 devices
    python3 bench/dask_bench.py --devices 100000      # the fleet the figures in the report use

The cluster is distributed.LocalCluster with two worker processes of one thread each, the same
two cores `varnic audit -j2` gets. Peak memory is each process's peak RSS: the command's, the
Python audit's, the cluster's client (this process) and each worker's. The three audits must print the same document
(SOURCE_DATE_EPOCH pins the time); the script fails otherwise.
"""

import argparse
import json
import os
import resource
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


def generate(devices, folder):
    """The golden file and a fleet of `devices` backups in sites of 1,000."""
    golden_text = (ROOT / "examples" / "ap-before.cfg").read_bytes()
    golden = folder / "golden.cfg"
    golden.write_bytes(golden_text)
    fleet = folder / "fleet"
    for n in range(devices):
        site = fleet / f"site-{n // 1000:03d}"
        if n % 1000 == 0:
            site.mkdir(parents=True)
        text = golden_text
        if n % 3:
            text = text.replace(b"Gateway=192.168.10.1", b"Gateway=192.168.%d.1" % (n % 250))
        if n % 5 == 0:
            text = text.replace(b"Telnet_timeout=300", b"Telnet_timeout=%d" % (300 + n % 7))
        if n % 7 == 0:
            text = text.replace(b"IsSSH=Enable", b"IsSSH=Disable")
        (site / f"ap-{n:06d}.cfg").write_bytes(text)
    return golden, fleet


def timed(command):
    """Wall seconds, standard output and peak RSS in MB of one run of `command`."""
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.PIPE)
    output = process.stdout.read()
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) not in (0, 1):
        sys.exit(f"{command[0]} exited with {os.waitstatus_to_exitcode(status)}")
    return wall, output, peak_mb(usage.ru_maxrss)


def peak_mb(kilobytes):
    return kilobytes / 1024


def warm():
    import varnic  # noqa: F401  (loaded before the clock starts)
    return True


def worker_peak():
    return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss


def without_time(text):
    document = json.loads(text)
    document.pop("generated_at")
    return document


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--varnic", default=str(ROOT / "build/release/cli/varnic"))
    parser.add_argument("--pythonpath", default=str(ROOT / "build/dev/python"),
                        help="where `import varnic` finds the package ('' for the installed one)")
    parser.add_argument("--devices", type=int, default=5_000)
    args = parser.parse_args()
    if args.pythonpath:
        sys.path.insert(0, args.pythonpath)
        os.environ["PYTHONPATH"] = os.pathsep.join(
            p for p in [args.pythonpath, os.environ.get("PYTHONPATH", "")] if p)
    os.environ["SOURCE_DATE_EPOCH"] = "1700000000"
    import distributed
    import varnic
    import varnic.dask

    with tempfile.TemporaryDirectory(prefix="varnic-dask-bench-") as tmp:
        start = time.perf_counter()
        golden, fleet = generate(args.devices, Path(tmp))
        print(f"{args.devices} devices generated in {time.perf_counter() - start:.1f} s")
        rows = []

        wall, output, rss = timed([args.varnic, "audit", "-j2", "--format=json", str(golden),
                                   str(fleet)])
        command = without_time(output)
        rows.append(("varnic audit -j2", wall, f"{rss:.0f}"))

        # In a process of its own, so that its peak is its own.
        script = ("import sys, varnic\n"
                  "s = varnic.audit(sys.argv[1], [sys.argv[2]], jobs=2)\n"
                  "sys.stdout.write(s.to_json())\n")
        wall, output, rss = timed([sys.executable, "-c", script, str(golden), str(fleet)])
        if without_time(output) != command:
            sys.exit("varnic.audit gave another document than varnic audit")
        rows.append(("varnic.audit(jobs=2) in Python", wall, f"{rss:.0f}"))

        with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                      dashboard_address=None) as cluster:
            with distributed.Client(cluster) as client:
                client.run(warm)
                start = time.perf_counter()
                summary = varnic.dask.audit(client, golden, [fleet])
                wall = time.perf_counter() - start
                workers = [peak_mb(kb) for kb in client.run(worker_peak).values()]
        if without_time(summary.to_json()) != command:
            sys.exit("varnic.dask.audit gave another document than varnic audit")
        client_peak = peak_mb(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss)
        rows.append(("varnic.dask.audit, LocalCluster 2x1", wall,
                     f"client {client_peak:.0f}, workers "
                     + " / ".join(f"{w:.0f}" for w in workers)))

        print("| run | wall s | devices/s | peak RSS MB |")
        print("|---|---|---|---|")
        for name, wall, memory in rows:
            print(f"| {name} | {wall:.2f} | {args.devices / wall:,.0f} | {memory} |")


if __name__ == "__main__":
    main()
