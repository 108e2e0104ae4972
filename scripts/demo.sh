#!/usr/bin/env bash
# The main job: installs what is missing, builds the release configuration, and shows the tool
# at work on sample data.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release

varkesh=build/release/cli/varkesh
sample=$(mktemp -d)
trap 'rm -rf "$sample"' EXIT
printf 'The quick brown fox jumps over the lazy dog\n' > "$sample/sample.txt"

echo "== varkesh selftest"
"$varkesh" selftest
echo
echo "== hash sums of a sample file"
for a in md5 rmd160 sha256 tiger; do "$varkesh" hash -a "$a" "$sample/sample.txt"; done
echo
echo "== hash sum of a text"
"$varkesh" hash -a sha1 --text "abc"
