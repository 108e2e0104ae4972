#!/usr/bin/env bash
# cli_wine.sh WINE_RUN PREFIX VARKESH_EXE LINUX_VARKESH
# varkesh.exe under Wine gives the Linux tool's bytes: binary data piped in and written out
# (bytes 0x1A, CR and LF untouched), texts without CR, and files whose names the ANSI code page
# cannot spell, named on the command line or found through a wildcard.
set -euo pipefail
wine_run=$1 prefix=$2 exe=$3 varkesh=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VARKESH_PASS="wine pass phrase"
failures=0
fail() {
  echo "FAIL: $1"
  failures=$((failures + 1))
}
same() { cmp -s "$1" "$2" || fail "$3"; }

"$wine_run" "$prefix" "$exe" --version >/dev/null # makes the prefix and starts the server
# Straight through Wine, so that the program's standard streams are the ones given here. Its
# output goes to files: Wine's helper processes may hold a pipe open after the program ends.
# A UTF-8 locale that glibc has: names pass unchanged, and the ANSI code page is 1252.
win() {
  env WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8 \
    timeout -k 5 120 wine "$exe" "$@"
}

{
  printf 'a\x1a\r\n\n\rb\x1a'
  head -c 20000 /dev/urandom
} >"$work/plain"
opts=(-c 3 -k sha1 --passphrase-env VARKESH_PASS)
"$varkesh" encrypt "${opts[@]}" - - <"$work/plain" >"$work/linux.enc"
cat "$work/plain" | win encrypt "${opts[@]}" - - >"$work/win.enc"
same "$work/linux.enc" "$work/win.enc" "encrypting piped data"
cat "$work/linux.enc" | win decrypt "${opts[@]}" >"$work/win.back"
same "$work/plain" "$work/win.back" "decrypting piped data"
cat "$work/plain" | win hash -a md5 >"$work/win.sum"
"$varkesh" hash -a md5 <"$work/plain" >"$work/linux.sum"
same "$work/linux.sum" "$work/win.sum" "hashing standard input"

text=$("$varkesh" encrypt "${opts[@]}" --text "line one")
printf '%s' "$text" | fold -w 4 | win decrypt "${opts[@]}" --text - >"$work/win.text"
printf 'line one' >"$work/linux.text"
same "$work/linux.text" "$work/win.text" "a wrapped text, decrypted without CR"

# Greek and Japanese: outside the ANSI code page.
name="Ωμέγα-日本.dat"
cp "$work/plain" "$work/$name"
printf 'other' >"$work/other.dat"
sum=$(cut -d' ' -f1 "$work/linux.sum")
(cd "$work" && win hash -a md5 "$name" "*.dat") >"$work/names.sum" || fail "hashing by name"
# The wildcard's matches come in name order, without regard to case.
{
  printf '%s  %s\n' "$sum" "$name"
  (cd "$work" && "$varkesh" hash -a md5 other.dat)
  printf '%s  %s\n' "$sum" "$name"
} >"$work/expected.sum"
same "$work/expected.sum" "$work/names.sum" "a name outside the code page, and a wildcard"
(cd "$work" && win encrypt "${opts[@]}" "$name" "$name.enc") || fail "encrypting by name"
same "$work/linux.enc" "$work/$name.enc" "encrypting a file of that name"

echo "$failures failed"
[[ $failures -eq 0 ]]
