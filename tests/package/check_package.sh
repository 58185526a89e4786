#!/usr/bin/env bash
# Builds the Debian package from a finished build folder with cpack and checks
# its file list, its control fields and the files a desktop reads.
#   check_package.sh BUILD_DIR VERSION
# Exit 77 (skipped) when cpack's Debian tools are not installed.
set -euo pipefail
build=$1
version=$2

for tool in cpack dpkg-deb dpkg-shlibdeps; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (Debian package dpkg-dev)"
    exit 77
  fi
done

out="$build/package"
rm -rf "$out"
cpack -G DEB -B "$out" --config "$build/CPackConfig.cmake" >"$out.log" 2>&1 || {
  cat "$out.log"
  exit 1
}
deb="$out/tallix_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { echo "FAIL: no $deb"; ls "$out"; exit 1; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

expected_files="./usr/bin/tallix
./usr/bin/tallix-report
./usr/share/applications/tallix.desktop
./usr/share/doc/tallix/changelog.gz
./usr/share/doc/tallix/copyright
./usr/share/icons/hicolor/scalable/apps/tallix.svg
./usr/share/man/man1/tallix-report.1.gz
./usr/share/man/man1/tallix.1.gz
./usr/share/metainfo/org.tallix.Tallix.metainfo.xml"
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
[ "$files" = "$expected_files" ] || fail "file list differs:"$'\n'"$files"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tallix ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture"
depends=$(field Depends)
for lib in fonts-paratype libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libc6 libstdc++6; do
  [[ ", $depends," == *", $lib "* || ", $depends," == *", $lib,"* ]] ||
    fail "Depends lacks $lib: $depends"
done

unpacked="$out/unpacked"
dpkg-deb -x "$deb" "$unpacked"
desktop="$unpacked/usr/share/applications/tallix.desktop"
for line in 'Exec=tallix %f' 'TryExec=tallix' 'Icon=tallix' 'MimeType=text/plain;text/x-log;'; do
  grep -qxF "$line" "$desktop" || fail "tallix.desktop lacks '$line'"
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml >/dev/null ||
    fail "appstreamcli validate"
fi
for page in tallix tallix-report; do
  gzip -t "$unpacked/usr/share/man/man1/$page.1.gz" || fail "$page.1.gz"
done
# Each page renders without a warning from man or groff, and shows what a
# user types as it is typed.
if command -v man >/dev/null; then
  for page in tallix tallix-report; do
    warnings=$(MANWIDTH=80 man --warnings -l "$unpacked/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page(1) renders with warnings: $warnings"
  done
  MANWIDTH=80 man -l "$unpacked/usr/share/man/man1/tallix-report.1.gz" 2>/dev/null |
    grep -qE -- '--select +""' || fail "tallix-report(1) does not show --select \"\""
fi
# The copyright file is machine-readable and names the licence of LICENSE.
copyright="$unpacked/usr/share/doc/tallix/copyright"
grep -qx 'License: Expat' "$copyright" || fail "copyright names no Expat licence"
grep -qF ' Copyright (c) 2026 the Tallix developers' "$copyright" || fail "copyright lacks LICENSE"
gzip -t "$unpacked/usr/share/doc/tallix/changelog.gz" || fail "changelog.gz"
if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb" || fail "lintian reports errors"
fi
"$unpacked/usr/bin/tallix-report" --version | grep -qx "tallix-report $version" ||
  fail "tallix-report --version"

[ "$failures" -eq 0 ] || exit 1
echo "$deb: $(echo "$files" | wc -l) files; Depends: $depends"
