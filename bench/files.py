#!/usr/bin/env python3
"""End to end on one large file: `varkesh encrypt`/`decrypt` against `openssl enc` (AES-256-CBC,
what a SHA-256 key hash makes of Rijndael), and `varkesh hash` against sha256sum, sha512sum,
md5sum and `openssl dgst`. Each command runs interleaved with its peer over several rounds; the
median CPU time (user + system) of each is listed with the ratio ours / peer (below 1 means we
are faster), and the median wall-clock time beside it (ours reads and writes on a second thread
while it encrypts; wall-clock figures swing on a shared machine). The files live in a temporary folder (under /tmp by default), removed afterwards.

usage: bench/files.py [--size MiB] [--rounds N] [VARKESH_BINARY]
"""
import argparse
import hashlib
import os
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

PASS = "correct horse battery staple"


def seconds(cmd):
    """CPU time (user + system) and wall-clock time of one run."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    env = {**os.environ, "VARKESH_BENCH_PASS": PASS}
    start = time.monotonic()
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, env=env)
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime), wall


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("binary", nargs="?", default="build/release/bin/varkesh")
    parser.add_argument("--size", type=int, default=1024, help="MiB")
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()
    if not Path(args.binary).exists():
        sys.exit(f"{args.binary} not found: build the release preset first")
    for tool in ("openssl", "sha256sum", "sha512sum", "md5sum"):
        if shutil.which(tool) is None:
            sys.exit(f"{tool} not found")

    key = hashlib.sha256(PASS.encode()).hexdigest()
    iv = "00" * 16
    with tempfile.TemporaryDirectory(prefix="varkesh-files.") as work:
        plain, ours, peer = (os.path.join(work, n) for n in ("plain", "ours", "peer"))
        with open(plain, "wb") as f:
            for _ in range(args.size):
                f.write(os.urandom(1 << 20))
        ours_cipher = [args.binary, "-c", "aes", "-k", "sha256",
                       "--passphrase-env", "VARKESH_BENCH_PASS"]
        openssl = ["openssl", "enc", "-aes-256-cbc", "-nopad", "-K", key, "-iv", iv]
        rows = [
            ("encrypt aes, sha256 key", [args.binary, "encrypt", *ours_cipher[1:], plain, ours],
             [*openssl, "-in", plain, "-out", peer]),
            ("decrypt aes, sha256 key",
             [args.binary, "decrypt", *ours_cipher[1:], ours, ours + ".back"],
             [*openssl, "-d", "-in", peer, "-out", peer + ".back"]),
            ("hash sha256", [args.binary, "hash", "-a", "sha256", plain], ["sha256sum", plain]),
            ("hash sha512", [args.binary, "hash", "-a", "sha512", plain], ["sha512sum", plain]),
            ("hash sha512 / openssl dgst", [args.binary, "hash", "-a", "sha512", plain],
             ["openssl", "dgst", "-sha512", plain]),
            ("hash md5", [args.binary, "hash", "-a", "md5", plain], ["md5sum", plain]),
        ]
        print(f"# {args.size} MiB, median CPU time (user + system) of {args.rounds} interleaved "
              "rounds")
        print(f"{'command':28} {'ours':>8} {'peer':>8}  {'ratio':>5}  {'wall':>8} {'peer':>8}  peer")
        for name, mine, theirs in rows:
            mine_t, theirs_t = [], []
            for _ in range(args.rounds):
                mine_t.append(seconds(mine))
                theirs_t.append(seconds(theirs))
            o, p = (statistics.median(t[0] for t in mine_t),
                    statistics.median(t[0] for t in theirs_t))
            ow, pw = (statistics.median(t[1] for t in mine_t),
                      statistics.median(t[1] for t in theirs_t))
            print(f"{name:28} {o:7.2f}s {p:7.2f}s  {o / p:5.2f}  {ow:7.2f}s {pw:7.2f}s  {theirs[0]}",
                  flush=True)
        with open(plain, "rb") as a, open(ours + ".back", "rb") as b:
            if a.read() != b.read():
                sys.exit("decryption did not give the file back")


if __name__ == "__main__":
    main()
