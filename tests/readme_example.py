#!/usr/bin/env python3
"""Runs the README's ctypes example as a reader would paste it, and checks that it prints what
the README says. The library comes from $VARKESH_LIBRARY (the build's or an installed one)."""
import re
import subprocess
import sys


def main() -> int:
    readme = open(sys.argv[1], encoding="utf-8").read()
    found = re.search(r"<!-- python-ctypes-example -->\s*```python\n(.*?)```\s*"
                      r"prints:?\s*```text\n(.*?)```", readme, re.S)
    if not found:
        print("README: no ctypes example followed by its output", file=sys.stderr)
        return 1
    code, expected = found.groups()
    run = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                         encoding="utf-8")
    if run.returncode != 0 or run.stdout != expected:
        print(f"exit {run.returncode}\nstdout: {run.stdout!r}\nexpected: {expected!r}\n"
              f"stderr: {run.stderr}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
