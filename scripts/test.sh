#!/usr/bin/env bash
# Builds Tallix and runs every test: the normal build, then the whole suite
# again under AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz
# target for a minute.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
scripts/format-check.sh

for preset in default asan; do
  echo "== ${preset}: configure, build, test"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

# The fuzz targets, about a minute each; TALLIX_FUZZ_SECONDS changes that.
echo "== fuzz: each target for ${TALLIX_FUZZ_SECONDS:-60} s"
scripts/fuzz.sh "${TALLIX_FUZZ_SECONDS:-60}"
