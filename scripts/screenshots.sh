#!/usr/bin/env bash
# Builds Tallix and saves screenshots of the main window (with the example log
# loaded), the Options dialog, the Show Log window, the Check Totals window
# beside the main window, a log line in context, the Periods window, the
# Tariffs window (with the example tariff file) and the File menu at Export
# into docs/screenshots/, frames and title bars
# included. The windows run on a virtual X server of the script's own under
# the openbox window manager; both are ended by process id when the script
# ends, so it runs beside any other display on the machine.
#
#   scripts/screenshots.sh [--windows-only]
#
# --windows-only leaves out the HTML report's pictures (and Chromium).
set -euo pipefail
cd "$(dirname "$0")/.."

windows_only=false
[ "${1:-}" = "--windows-only" ] && windows_only=true

for tool in Xvfb openbox xprop; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/deps.sh" >&2; exit 1; }
done

build=build/release
cmake --preset release >/dev/null
cmake --build "$build" --target tallix-screenshots

work=$(mktemp -d)
xvfb_pid=""
openbox_pid=""
cleanup() {
  [ -n "$openbox_pid" ] && kill "$openbox_pid" 2>/dev/null && wait "$openbox_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A free display: Xvfb picks the number and writes it once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"

# openbox with its stock settings, not the user's; ready once it announces
# itself on the root window.
XDG_CONFIG_HOME="$work/config" openbox --sm-disable 2>"$work/openbox.log" &
openbox_pid=$!
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done

# The example configuration plays the configuration file beside the program.
mkdir "$work/program"
cp examples/Tallix.cfg examples/Tariffs.toml "$work/program/"

mkdir -p docs/screenshots
QT_QPA_PLATFORM=xcb "$build/tallix-screenshots" "$work/program" examples/router.log docs/screenshots

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
  local page="$work/report.html"
  "$build/tallix-report" --config examples/Tallix.cfg --format html --output "$page" \
    examples/router.log
  local shot
  for shot in "html-report 1000,1900" "html-report-phone 400,1400"; do
    chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --force-device-scale-factor=1 \
      --window-size="${shot#* }" --screenshot="docs/screenshots/${shot% *}.png" "file://$page" \
      2>/dev/null
  done
}
$windows_only || html_report_screenshots
