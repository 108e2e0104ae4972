#!/usr/bin/env bash
# The whole test suite: installs what is missing, then builds and tests the release and the
# AddressSanitizer+UndefinedBehaviorSanitizer configurations, warnings as errors.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/check-format.sh

jobs=$(nproc)
for preset in release asan; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
