#!/usr/bin/env bash
# Source hygiene: clang-format clean, no trailing whitespace, LF line ends.
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t sources < <(git ls-files --cached --others --exclude-standard -- '*.h' '*.cpp' | grep -v '^crypto/tables/')
if ((${#sources[@]})); then
  clang-format --dry-run -Werror "${sources[@]}"
fi
if git ls-files --cached --others --exclude-standard | xargs grep -lI $'\r' -- 2>/dev/null; then
  echo "files with CR line ends (above)"; exit 1
fi
