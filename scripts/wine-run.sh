#!/usr/bin/env bash
# Runs a Windows program under Wine, headless, in the given prefix (made on first use):
#   wine-run.sh PREFIX PROGRAM.exe [ARGS...]
# The prefix gets the null graphics driver (windows without X), the fonts the dialogs use, and
# a Russian locale for Wine (no glibc locale needed) so that the ANSI code page is 1251, unless
# VARKESH_WINE_LOCALE names another. A run that hangs is killed.
set -euo pipefail
prefix=$1
shift
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all,err+module}
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY

if [[ ! -f $prefix/.varkesh-ready ]]; then
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [[ ! -f $prefix/.varkesh-ready ]]; then
      wineboot -i >/dev/null 2>&1
      wineserver -w
      wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
      fonts=$(dpkg -L fonts-wine 2>/dev/null | grep -E '\.(ttf|fon)$' || true)
      [[ -z $fonts ]] || cp $fonts "$prefix/drive_c/windows/Fonts/"
      wineserver -w
      touch "$prefix/.varkesh-ready"
    fi
  ) 9>"$prefix.lock"
fi
# Keep the server alive between the many short runs of a test session.
wineserver -p 60 </dev/null >/dev/null 2>&1 || true
# Wine's helper processes outlive the program and would hold a pipe on our output open (and
# keep a caller such as ctest waiting), so the program writes to a file that is copied out.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
env LC_ALL="${VARKESH_WINE_LOCALE:-ru_RU.UTF-8}" timeout -k 5 "${VARKESH_WINE_TIMEOUT:-300}" wine "$@" </dev/null >"$log" 2>&1 || status=$?
cat "$log"
exit "$status"
