#!/usr/bin/env bash
# The Debian package as a user gets it: packed from the build tree, unpacked into a scratch root,
# after which the tool runs, `man varkesh` shows its page and bash finds its completion.
#   deb_test.sh <build tree> <version>
set -euo pipefail
build=$1
version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >/dev/null
deb=$(ls "$scratch"/out/varkesh_"$version"_*.deb)
dpkg-deb --field "$deb" Package Version Depends
dpkg-deb --field "$deb" Depends | grep -q libc6 || { echo "no dependency on libc6"; exit 1; }

root=$scratch/root
dpkg-deb -x "$deb" "$root"
test "$("$root/usr/bin/varkesh" --version)" = "varkesh $version"
MANPATH=$root/usr/share/man MANWIDTH=80 man -P cat varkesh 2>/dev/null > "$scratch/man.txt"
grep -q 'varkesh encrypt' "$scratch/man.txt"
grep -q -- '--code-page' "$scratch/man.txt"
test -f "$root/usr/share/bash-completion/completions/varkesh"
test -f "$root/usr/include/varkesh/formats.h"
test -f "$root/usr/lib/x86_64-linux-gnu/pkgconfig/varkesh.pc" -o -f "$root/usr/lib/pkgconfig/varkesh.pc"

# The completion offers the names an option takes.
_init_completion() {
  words=("${COMP_WORDS[@]}") cword=$COMP_CWORD
  cur=${words[cword]} prev=${words[cword - 1]}
}
_filedir() { :; }
complete() { :; }
# shellcheck source=/dev/null
source "$root/usr/share/bash-completion/completions/varkesh"
completions() {
  COMP_WORDS=("$@") COMP_CWORD=$(($# - 1)) COMPREPLY=()
  _varkesh
  echo "${COMPREPLY[*]}"
}
test "$(completions varkesh encrypt -c thi)" = thinice
test "$(completions varkesh hash --code-page koi)" = koi8-r
test "$(completions varkesh de)" = decrypt
echo "package $(basename "$deb") installs and works"
