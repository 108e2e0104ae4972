#!/usr/bin/env bash
# code_page.sh WINE_RUN PREFIX HOST_EXE PLUGIN VARKESH_EXE
# A Cyrillic pass phrase and text given to varkesh.exe as UTF-8 arguments give the plug-in's
# strings and sums whatever the system's ANSI code page: 1251 (Russian) and 1252 (Western).
# Wine hands non-ASCII arguments over only through a glibc locale of the same name, so one is
# made for Russian; C.UTF-8 (code page 1252 in Wine) is always there.
set -euo pipefail
wine_run=$1 prefix=$2 host=$3 plugin=$4 varkesh=$5
locales=$(mktemp -d)
trap 'rm -rf "$locales"' EXIT
localedef -i ru_RU -f UTF-8 "$locales/ru_RU.UTF-8" 2>/dev/null || [[ -d $locales/ru_RU.UTF-8 ]]
export LOCPATH=$locales WINEDEBUG=-all

win() { printf 'Z:%s' "${1//\//\\}"; }
run() { "$wine_run" "$prefix" "$@"; }
phrase='пароль Ёё'
text='Привет, мир! №5'
export PW=$phrase

failures=0
check() {
  if [[ $2 == "$3" ]]; then :; else
    echo "FAIL ($1): got '$2', expected '$3'"
    failures=$((failures + 1))
  fi
}

# The plug-in, as the host passes texts to it (code page 1251).
sealed=$(VARKESH_WINE_LOCALE=ru_RU.UTF-8 run "$host" --plugin "$(win "$plugin")" exec 2 "$text" V \
  "$phrase" 3 6 0 | sed -n 's/^V=//p' | tr -d '\r')
sum=$(VARKESH_WINE_LOCALE=ru_RU.UTF-8 run "$host" --plugin "$(win "$plugin")" exec 4 "$text" V 2 |
  sed -n 's/^V=//p' | tr -d '\r')
[[ -n $sealed && -n $sum ]] || { echo "the plug-in gave no result"; exit 1; }

for locale in ru_RU.UTF-8 C.UTF-8; do
  export VARKESH_WINE_LOCALE=$locale
  check "$locale encrypt" "$(run "$varkesh" encrypt -c 3 -k 6 --passphrase-env PW --text "$text")" "$sealed"
  check "$locale decrypt" "$(run "$varkesh" decrypt -c 3 -k 6 --passphrase-env PW --text "$sealed")" "$text"
  check "$locale hash" "$(run "$varkesh" hash -a 2 --text "$text")" "$sum"
  refused=$(run "$varkesh" hash --text 'Grüße' 2>&1 || true)
  check "$locale refused" "${refused%%$'\r'}" \
    "varkesh: The text: code page 1251 has no character \"ü\" (U+00FC); --code-page chooses another code page"
done
echo "$((8 - failures)) passed, $failures failed"
[[ $failures -eq 0 ]]
