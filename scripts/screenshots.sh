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

# The HTML report of tallix-report over the example log, as a browser shows it
# on a desktop screen and on a phone: headless Chromium (installed here when
# missing; only this script needs it) renders the page into PNG files.
html_report_screenshots() {
  if ! command -v chromium >/dev/null; then
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: chromium"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends chromium
  fi
  cmake --build "$build" --target tallix-report
  local page
  page="$(mktemp -d)/report.html"
  "$build/tallix-report" --config examples/Tallix.cfg --format html --output "$page" \
    examples/router.log
  local shot
  for shot in "html-report 1000,1900" "html-report-phone 400,1400"; do
    chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --force-device-scale-factor=1 \
      --window-size="${shot#* }" --screenshot="docs/screenshots/${shot% *}.png" "file://$page" \
      2>/dev/null
  done
  rm -rf "$(dirname "$page")"
}
html_report_screenshots
