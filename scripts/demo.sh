#!/usr/bin/env bash
# The main job: installs what is missing, builds the release configuration, and shows the tools
# at work on sample data: the self-tests, hash sums, and the plug-in loaded by the host stand-in
# running all four actions, with the command-line tool reading what the plug-in wrote.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release

bin=build/release/bin
sample=$(mktemp -d)
trap 'rm -rf "$sample"' EXIT
printf 'The quick brown fox jumps over the lazy dog\n' > "$sample/sample.txt"
head -c 100000 /dev/urandom > "$sample/photo.raw"

step() { printf '\n== %s\n' "$*"; }

step "varkesh selftest"
"$bin/varkesh" selftest

step "hash sums of a sample file and a text"
for a in md5 rmd160 sha256 tiger; do "$bin/varkesh" hash -a "$a" "$sample/sample.txt"; done
"$bin/varkesh" hash -a sha1 --text "abc"

step "the plug-in as the host sees it"
"$bin/varkesh-host" info

# Blowfish (cipher 0) keyed with the SHA-256 digest (key hash 6) of the pass phrase.
step "action 2: encrypt a text, then decrypt it back"
secret=$("$bin/varkesh-host" exec 2 "Meet me at noon" Secret "correct horse" 0 6 0 | sed -n 's/^Secret=//p')
echo "Secret=$secret"
"$bin/varkesh-host" exec 2 "$secret" Plain "correct horse" 0 6 1

step "action 1: encrypt a file; varkesh decrypts what the plug-in wrote"
"$bin/varkesh-host" exec 1 "$sample/photo.raw" "$sample/photo.enc" "correct horse" 0 6 0
VARKESH_PASS="correct horse" "$bin/varkesh" decrypt -c blowfish -k sha256 --passphrase-env VARKESH_PASS \
  "$sample/photo.enc" "$sample/photo.back"
cmp "$sample/photo.raw" "$sample/photo.back" && echo "photo.back equals photo.raw ($(stat -c %s "$sample/photo.raw") bytes)"

step "action 3: hash a file; action 4: hash a text"
"$bin/varkesh-host" exec 3 "$sample/sample.txt" FileSum 2
"$bin/varkesh-host" exec 4 "abc" TextSum 0
