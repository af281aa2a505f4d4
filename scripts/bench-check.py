#!/usr/bin/env python3
"""Checks the benches against their recorded instruction counts.

Runs each bench of bench/figures.txt under callgrind (or reads callgrind
output files recorded before) and fails when a count is more than the
tolerance (10 %) above or below its recorded figure: a slower bench is a
regression, a much faster one a figure to write down anew.

  scripts/bench-check.py                      every bench (slow: minutes each)
  scripts/bench-check.py daisy202_open ...    those benches only
  scripts/bench-check.py --read daisy3_open=callgrind.out.123
  scripts/bench-check.py --list

Not part of the test suite: run it before a change to a bench's code is
merged, and write the new figure in bench/figures.txt and README.md when a
change means to move it.
"""
import argparse
import os
import re
import shlex
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


class Bench:
    def __init__(self, name, recorded, setup, options, command, line):
        self.name, self.recorded, self.setup = name, recorded, setup
        self.options, self.command, self.line = options, command, line


def load(path):
    benches = []
    for number, raw in enumerate(open(path, encoding="utf-8"), 1):
        line = raw.strip()
        if not line or line.startswith("#"):
            continue
        fields = [f.strip() for f in line.split(" | ")]
        if len(fields) != 5 or not fields[1].isdigit() or " " in fields[0]:
            sys.exit(f"{path}:{number}: want 'name | instructions | setup | options | command'")
        if any(b.name == fields[0] for b in benches):
            sys.exit(f"{path}:{number}: {fields[0]} named twice")
        benches.append(Bench(fields[0], int(fields[1]), fields[2], fields[3], fields[4], number))
    return benches


def expand(text, build, data):
    return text.replace("{build}", build).replace("{data}", data)


def collected(out_file):
    """The events callgrind collected, from its output file."""
    total = None
    for line in open(out_file, encoding="utf-8", errors="replace"):
        m = re.match(r"(summary|totals):\s*(\d+)", line)
        if m:
            total = int(m.group(2))
    if total is None:
        raise ValueError(f"no totals in {out_file}")
    return total


def run(bench, build, data, done_setups, keep):
    if bench.setup != "-":
        setup = expand(bench.setup, build, data)
        if setup not in done_setups:
            subprocess.run(shlex.split(setup), check=True, stdout=subprocess.DEVNULL)
            done_setups.add(setup)
    out = os.path.join(keep, f"callgrind.{bench.name}.out")
    options = [] if bench.options == "-" else shlex.split(bench.options)
    cmd = ["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}"] + options
    cmd += shlex.split(expand(bench.command, build, data))
    proc = subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    if proc.returncode != 0:
        raise RuntimeError(f"{bench.name}: exit {proc.returncode}\n{proc.stderr[-2000:]}")
    return collected(out)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("names", nargs="*", help="benches to run (default: all)")
    ap.add_argument("--figures", default=os.path.join(ROOT, "bench", "figures.txt"))
    ap.add_argument("--build", default=os.path.join(ROOT, "build"))
    ap.add_argument("--data", help="scratch folder for the setups (default: a new one)")
    ap.add_argument("--keep", help="folder for callgrind's output files (default: a new one)")
    ap.add_argument("--tolerance", type=float, default=10.0, help="percent (default 10)")
    ap.add_argument("--read", action="append", default=[], metavar="NAME=FILE",
                    help="check a recorded callgrind output file instead of running NAME")
    ap.add_argument("--list", action="store_true", help="list the benches and their figures")
    args = ap.parse_args()

    benches = load(args.figures)
    by_name = {b.name: b for b in benches}
    if args.list:
        for b in benches:
            print(f"{b.name:28} {b.recorded:>15,}")
        return 0
    recorded_runs = {}
    for item in args.read:
        name, _, path = item.partition("=")
        if name not in by_name or not path:
            sys.exit(f"--read {item}: want a bench name of {args.figures} and a file")
        recorded_runs[name] = path
    wanted = args.names or ([] if recorded_runs else [b.name for b in benches])
    for name in wanted:
        if name not in by_name:
            sys.exit(f"no bench {name} in {args.figures} (--list shows them)")
    wanted += [n for n in recorded_runs if n not in wanted]

    data = args.data or tempfile.mkdtemp(prefix="bench-check-data.")
    keep = args.keep or tempfile.mkdtemp(prefix="bench-check-out.")
    os.makedirs(data, exist_ok=True)
    os.makedirs(keep, exist_ok=True)
    build = os.path.abspath(args.build)
    failed = 0
    setups = set()
    for name in wanted:
        bench = by_name[name]
        try:
            count = collected(recorded_runs[name]) if name in recorded_runs else run(bench, build, data, setups, keep)
        except (OSError, ValueError, RuntimeError, subprocess.CalledProcessError) as e:
            print(f"FAIL {name}: {e}")
            failed += 1
            continue
        change = (count - bench.recorded) * 100.0 / bench.recorded
        bad = abs(change) > args.tolerance
        failed += bad
        print(f"{'FAIL' if bad else 'ok  '} {name:28} {count:>15,} recorded {bench.recorded:>15,} ({change:+.1f} %)")
    print(f"callgrind output in {keep}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
