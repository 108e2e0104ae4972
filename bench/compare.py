#!/usr/bin/env python3
"""Runs the benchmark program once and prints our throughput beside the peer's for each
algorithm (the peers run in the same process: OpenSSL's libcrypto, or Crypto++ where OpenSSL
lacks the algorithm). With --openssl-speed, also runs `openssl speed` on 8 KiB blocks for the
algorithms it knows and adds its figure as a third column.

usage: bench/compare.py [--openssl-speed] [--filter REGEX] [BENCH_BINARY]
"""
import argparse
import json
import re
import subprocess
import sys
from pathlib import Path

OPENSSL_SPEED = {  # our class -> openssl speed -evp name
    "hash/Md4": "md4", "hash/Md5": "md5", "hash/Ripemd160": "ripemd160", "hash/Sha1": "sha1",
    "hash/Sha256": "sha256", "hash/Sha384": "sha384", "hash/Sha512": "sha512",
    "cbc-encrypt/Blowfish": "bf-cbc", "cbc-encrypt/Cast128": "cast5-cbc",
    "cbc-encrypt/Des": "des-cbc", "cbc-encrypt/TripleDes": "des-ede3-cbc",
    "cbc-encrypt/Idea": "idea-cbc", "cbc-encrypt/Rc2": "rc2-cbc", "cbc-encrypt/Rc4": "rc4",
    "cbc-encrypt/Rijndael": "aes-128-cbc",
}


def openssl_speed(evp_name):
    cmd = ["openssl", "speed", "-seconds", "1", "-bytes", "8192", "-mr"]
    if evp_name in ("md4", "rc4", "bf-cbc", "cast5-cbc", "des-cbc", "idea-cbc", "rc2-cbc", "ripemd160"):
        cmd += ["-provider", "legacy", "-provider", "default"]
    out = subprocess.run(cmd + ["-evp", evp_name], capture_output=True, text=True).stdout
    for line in out.splitlines():
        if line.startswith("+F:"):
            return float(line.split(":")[-1]) / 1e6  # bytes/s -> MB/s
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("binary", nargs="?", default="build/release/bin/varkesh_bench")
    parser.add_argument("--filter", default=".")
    parser.add_argument("--openssl-speed", action="store_true")
    args = parser.parse_args()
    if not Path(args.binary).exists():
        sys.exit(f"{args.binary} not found: build the release preset first")
    run = subprocess.run([args.binary, "--benchmark_format=json", "--benchmark_min_time=0.3",
                          f"--benchmark_filter={args.filter}"], capture_output=True, text=True,
                         check=True)
    results = json.loads(run.stdout)["benchmarks"]
    ours, peers = {}, {}
    for r in results:
        m = re.match(r"^(\S+)(?: \[(.+)\])?$", r["name"])
        name, peer = m.group(1), m.group(2)
        value = r.get("bytes_per_second")
        figure = value / 1e6 if value else 1e9 / r["real_time"]  # MB/s, or calls/s (key set-up)
        if peer:
            peers[name] = (peer, figure)
        else:
            ours[name] = figure
    header = f"{'benchmark':28} {'ours':>10} {'peer':>10}  {'ratio':>5}  peer"
    if args.openssl_speed:
        header += " | openssl speed"
    print(header)
    for name, figure in ours.items():
        unit = "calls/s" if name.startswith("key-setup") else "MB/s"
        peer_name, peer_figure = peers.get(name, ("", None))
        line = f"{name:28} {figure:10.1f} "
        line += f"{peer_figure:10.1f}  {figure / peer_figure:5.2f}" if peer_figure else f"{'':10}  {'':5}"
        line += f"  {peer_name or '-'} ({unit})"
        if args.openssl_speed and name in OPENSSL_SPEED:
            speed = openssl_speed(OPENSSL_SPEED[name])
            line += f" | {speed:.1f} MB/s" if speed else " | -"
        print(line)


if __name__ == "__main__":
    main()
