#!/usr/bin/env bash
# interop.sh WINE_RUN PREFIX HOST_EXE PLUGIN LINUX_VARKESH
# For every cipher (with every key hash in turn): a file and a text encrypted by the Windows
# plug-in under Wine decrypt with the Linux tool, byte for byte, and the other way round.
set -euo pipefail
wine_run=$1 prefix=$2 host=$3 plugin=$4 varkesh=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VARKESH_PASS="interop pass phrase"

win() { printf 'Z:%s' "${1//\//\\}"; }  # Wine's drive Z: is the Unix root
host() { "$wine_run" "$prefix" "$host" --plugin "$(win "$plugin")" "$@"; }

head -c 30000 /dev/urandom > "$work/plain"
failures=0
for cipher in $(seq 0 18); do
  key_hash=$((cipher % 10))
  opts=(-c "$cipher" -k "$key_hash" --passphrase-env VARKESH_PASS)
  check() { if cmp -s "$1" "$2"; then :; else echo "FAIL cipher $cipher key hash $key_hash: $3"; failures=$((failures + 1)); fi; }

  host exec 1 "$(win "$work/plain")" "$(win "$work/win.enc")" "$VARKESH_PASS" "$cipher" "$key_hash" 0 >/dev/null
  "$varkesh" decrypt "${opts[@]}" "$work/win.enc" "$work/linux.back"
  check "$work/plain" "$work/linux.back" "file from Windows"

  "$varkesh" encrypt "${opts[@]}" "$work/plain" "$work/linux.enc"
  host exec 1 "$(win "$work/linux.enc")" "$(win "$work/win.back")" "$VARKESH_PASS" "$cipher" "$key_hash" 1 >/dev/null
  check "$work/plain" "$work/win.back" "file from Linux"

  text="Interop text $cipher/$key_hash"
  base64=$(host exec 2 "$text" V "$VARKESH_PASS" "$cipher" "$key_hash" 0 | sed -n 's/^V=//p' | tr -d '\r')
  printf '%s' "$text" > "$work/text"
  "$varkesh" decrypt "${opts[@]}" --text "$base64" > "$work/text.back"
  check "$work/text" "$work/text.back" "text from Windows"
done
echo "$((19 * 3 - failures)) passed, $failures failed"
[[ $failures -eq 0 ]]
