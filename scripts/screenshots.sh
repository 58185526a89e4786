#!/usr/bin/env bash
# Builds Tallix and saves screenshots of the main window (with the example log
# loaded), the Options dialog and the Show Log window into docs/screenshots/.
# The windows run on a virtual X server, so no display is needed.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/release
cmake --preset release >/dev/null
cmake --build "$build" --target tallix-screenshots

# The example configuration plays the configuration file beside the program.
program_dir=$(mktemp -d)
trap 'rm -rf "$program_dir"' EXIT
cp examples/Tallix.cfg "$program_dir/"

mkdir -p docs/screenshots
xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$build/tallix-screenshots" "$program_dir" examples/router.log docs/screenshots
