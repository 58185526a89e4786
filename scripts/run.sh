#!/usr/bin/env bash
# Builds Tallix and starts it. Open examples/router.log with File > Open.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target tallix tallix-report
# Start beside the example configuration the first time, so the example log
# shows four sites; the program keeps its configuration beside itself.
[ -f build/release/Tallix.cfg ] || cp examples/Tallix.cfg build/release/Tallix.cfg
exec build/release/tallix
