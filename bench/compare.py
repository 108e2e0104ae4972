#!/usr/bin/env python3
"""Runs the benchmark program once, every contender of every row interleaved in random order
over several rounds, on the thread CPU clock, and prints for each row our throughput, the best
peer's, and their ratio (ours / best peer; above 1 means we are faster). The machine may be
shared and noisy: the ratio of two figures measured side by side is the claim, not the figures.

usage: bench/compare.py [--filter REGEX] [--rounds N] [--min-time S] [--all] [--json FILE]
                        [BENCH_BINARY]

Environment: VARKESH_CPU narrows our kernels (e.g. VARKESH_CPU=portable); the peers are not
affected by it.
"""
import argparse
import json
import re
import statistics
import subprocess
import sys
from pathlib import Path


def row_filter(binary, regex):
    """The benchmark filter for the rows whose names match regex (searched in Python, so that
    anchors such as `$` refer to the row name, not to the contender after it), case aside."""
    listed = subprocess.run([binary, "--benchmark_list_tests"], capture_output=True, text=True,
                            check=True).stdout.split()
    rows = sorted({name.rsplit("/", 1)[0] for name in listed})
    chosen = [row for row in rows if re.search(regex, row, re.IGNORECASE)]
    if not chosen:
        sys.exit(f"no row matches {regex!r}; the rows are:\n  " + "\n  ".join(rows))
    return "^(" + "|".join(escape(row) for row in chosen) + ")/"


def escape(text):
    """text as a literal in the benchmark library's regular expressions."""
    return "".join("\\" + c if c in ".[]()*+?{}|^$\\" else c for c in text)


def run(binary, regex, rounds, min_time):
    cmd = [binary, "--benchmark_format=json", f"--benchmark_filter={row_filter(binary, regex)}",
           f"--benchmark_repetitions={rounds}", "--benchmark_enable_random_interleaving=true",
           f"--benchmark_min_time={min_time}", "--benchmark_report_aggregates_only=false"]
    out = subprocess.run(cmd, capture_output=True, text=True, check=True).stdout
    return json.loads(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("binary", nargs="?", default="build/release/bin/varkesh_bench")
    parser.add_argument("--filter", default=".",
                        help="regular expression searched in the row names, case aside")
    parser.add_argument("--rounds", type=int, default=7, help="interleaved rounds per contender")
    parser.add_argument("--min-time", default="0.05", help="seconds per contender and round")
    parser.add_argument("--all", action="store_true", help="also list every peer's figure")
    parser.add_argument("--json", help="write the medians to this file")
    args = parser.parse_args()
    if not Path(args.binary).exists():
        sys.exit(f"{args.binary} not found: build the release preset first")

    report = run(args.binary, args.filter, args.rounds, args.min_time)
    samples = {}  # (row, contender) -> [MB/s per round]
    for r in report["benchmarks"]:
        if r.get("run_type") != "iteration" or "error_occurred" in r:
            continue
        row, contender = r["run_name"].rsplit("/", 1)
        samples.setdefault((row, contender), []).append(r["bytes_per_second"] / 1e6)

    rows = {}
    for (row, contender), values in samples.items():
        rows.setdefault(row, {})[contender] = statistics.median(values)

    ctx = report.get("context", {})
    print(f"# {ctx.get('num_cpus', '?')} CPUs at {ctx.get('mhz_per_cpu', '?')} MHz; median of "
          f"{args.rounds} interleaved rounds, thread CPU time, MB/s")
    print(f"{'row':28} {'ours':>9} {'best peer':>9}  {'ratio':>5}  peer")
    for row, figures in rows.items():
        ours = figures.get("varkesh")
        peers = {k: v for k, v in figures.items() if k != "varkesh"}
        if ours is None:
            continue
        line = f"{row:28} {ours:9.1f} "
        if peers:
            best = max(peers, key=peers.get)
            line += f"{peers[best]:9.1f}  {ours / peers[best]:5.2f}  {best}"
            if args.all:
                line += "  (" + ", ".join(f"{k} {v:.0f}" for k, v in
                                          sorted(peers.items(), key=lambda kv: -kv[1])) + ")"
        else:
            line += f"{'-':>9}  {'-':>5}  no peer has it"
        print(line)
    if args.json:
        Path(args.json).write_text(json.dumps(rows, indent=1))


if __name__ == "__main__":
    main()
