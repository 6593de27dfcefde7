#!/usr/bin/env bash
# Builds the Debian package from the install rules and checks it:
#   bash scripts/package.sh          prints the .deb's path on its last line
# lintian must report no error; the menu entry and the AppStream file must
# validate. The package lands in $BUILD_DIR/package/ (default build/).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --package >&2
build=${BUILD_DIR:-build}
# Only what the package holds is built.
BUILD_TARGETS="VantreelScreenRecorder vantreel-finish-take vtr_desktop_files" bash scripts/build.sh >&2
rm -rf "$build/package"
(cd "$build" && cpack -G DEB -B "$PWD/package") >&2
deb=$(ls "$build"/package/vantreel-screen-recorder_*.deb)

status=0
echo "== desktop-file-validate" >&2
desktop-file-validate resources/desktop/com.vantreel.ScreenRecorder.desktop >&2 || status=1
echo "== appstreamcli validate" >&2
# --no-net: the screenshot addresses are the web site's, not reachable here.
appstreamcli validate --no-net "$build/resources/desktop/com.vantreel.ScreenRecorder.metainfo.xml" >&2 || status=1
echo "== lintian" >&2
lintian --fail-on error --tag-display-limit 0 "$deb" >&2 || status=1
[ $status -eq 0 ] || { echo "package checks failed" >&2; exit 1; }
echo "$deb"
