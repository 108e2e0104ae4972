#!/usr/bin/env bash
# Renders the four properties dialogs and the About box to docs/*.png: builds the Windows
# plug-in and host stand-in, opens each dialog under Wine without a display (null driver),
# fills it, captures the window and converts the capture to PNG.
#
# The pictures are stable because the fonts are pinned: Tahoma and Marlett from fonts-wine for
# captions and buttons, and Liberation Sans (metrically Arial) for the dialogs' Arial, both
# copied into a Wine prefix of the script's own.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

need=()
for p in imagemagick fonts-liberation2 fonts-wine; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || need+=("$p")
done
if ((${#need[@]})); then
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

build=$root/build/mingw-i686
[[ -f $build/build.ninja ]] || cmake --preset mingw-i686 >/dev/null
cmake --build --preset mingw-i686 -j2 --target varkesh-host varkesh_plugin >/dev/null

prefix=$build/wineprefix-shots
host=(scripts/wine-run.sh "$prefix" "$build/bin/varkesh-host.exe" --plugin "$build/bin/varkesh.nbp")
"${host[@]}" info >/dev/null  # makes the prefix on first use
if [[ ! -f $prefix/.varkesh-fonts ]]; then
  cp /usr/share/fonts/truetype/liberation2/LiberationSans-*.ttf "$prefix/drive_c/windows/Fonts/"
  WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial \
    /d 'Liberation Sans' /f >/dev/null 2>&1
  touch "$prefix/.varkesh-fonts"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p docs

# shot NAME COMMAND...: the steps (UTF-8, one a line) come on standard input; Wine would pass
# Cyrillic arguments through the Unix locale, a file keeps them intact.
shot() {
  local name=$1
  shift
  { cat; printf 'shot Z:%s\ncancel\n' "$work/$name.bmp"; } >"$work/$name.steps"
  "${host[@]}" "$@" --steps-file "Z:$work/$name.steps" >"$work/$name.log" || true
  if [[ ! -s $work/$name.bmp ]]; then
    cat "$work/$name.log" >&2
    echo "no picture of $name" >&2
    exit 1
  fi
  convert "$work/$name.bmp" -strip "docs/$name.png"
  echo "docs/$name.png"
}

shot dialog-file-cipher edit 1 "" "" "" "" "" "" --host-version 5 <<'STEPS'
set edCadenaCifrar=C:\Документы\Отчёт за квартал.docx
set edVariable=C:\Документы\Отчёт за квартал.enc
set edContrasena=Съешь же ещё этих мягких булок
select cbAlgoritmo=15
select cbHash=6
radio 0
STEPS

shot dialog-string-cipher edit 2 "" "" "" "" "" "" --host-version 5 <<'STEPS'
set edCadenaCifrar=Встречаемся в полдень у фонтана
set edVariable=Шифровка
set edContrasena=пароль
select cbAlgoritmo=16
select cbHash=8
radio 0
STEPS

shot dialog-file-hashing edit 3 "" "" "" <<'STEPS'
set edCadenaCifrar=C:\Документы\Отчёт за квартал.docx
set edVariable=КонтрольнаяСумма
select cbHash=2
STEPS

shot dialog-string-hashing edit 4 "" "" "" --host-version 5 <<'STEPS'
set edCadenaCifrar=Съешь же ещё этих мягких французских булок
set edVariable=Хеш
select cbHash=1
STEPS

shot about-box about </dev/null
