#!/usr/bin/env bash
# The .deb installed the way a user gets it: builds and checks the package
# (package.sh), unpacks it with dpkg-deb -x into a temporary root made
# read-only, and drives the unpacked program under the headless session with
# a fresh HOME: the window opens, a chosen language and save folder survive a
# restart, a short recording lands in the save folder, and nothing under the
# unpacked tree changes. As root the tree is a read-only bind mount; without
# root its modes are made read-only. Either way a listing with checksums is
# compared before and after, since root may write through modes.
#   bash scripts/deb-proof.sh
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${VTR_IN_SESSION:-}" ]; then
  deb=$(bash "$here/scripts/package.sh" | tail -n 1)
  exec env VTR_IN_SESSION=1 VTR_DEB="$deb" bash "$here/scripts/headless-session.sh" bash "$0"
fi

work=$(mktemp -d /tmp/vtr-deb.XXXXXX)
tree=$work/root
mounted=0
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  [ $mounted = 1 ] && umount "$tree"
  chmod -R u+w "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "deb proof FAILED: $*"
  for f in "$work"/log.*; do echo "--- $f"; cat "$f"; done
  ffmpeg -v error -y -f x11grab -i "$DISPLAY" -frames:v 1 /tmp/vtr-deb-proof-failure.png &&
    echo "the screen at the failure: /tmp/vtr-deb-proof-failure.png"
  exit 1
}

mkdir "$tree"
dpkg-deb -x "$VTR_DEB" "$tree"
listing() { (cd "$tree" && find . -printf '%p %y %m %s %T@\n' | sort && find . -type f -exec sha256sum {} + | sort); }
listing >"$work/before"
if [ "$(id -u)" = 0 ] && mount --bind "$tree" "$tree" 2>/dev/null; then
  mounted=1
  mount -o remount,bind,ro "$tree"
else
  chmod -R a-w "$tree"
fi

export HOME=$work/home
unset XDG_CONFIG_HOME XDG_DATA_HOME
mkdir -p "$HOME"
cd "$HOME"
program=$tree/usr/bin/vantreel-screen-recorder
config=$HOME/.config/vantreel-screen-recorder
# Typed into Qt's folder dialog, which reads double quotes as a list of names.
save="$HOME/My 'Clips' \$x"
mkdir -p "$save"

"$program" --version | grep -q '^vantreel-screen-recorder ' || fail "--version"

wid=
start() {
  "$program" >"$work/log.$1" 2>&1 &
  pid=$!
  wid=
  for _ in $(seq 150); do
    wid=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1) && [ -n "$wid" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the program ended at start"
    sleep 0.2
  done
  [ -n "$wid" ] || fail "no window"
  sleep 1
}
stop() { kill "$pid"; wait "$pid" 2>/dev/null || true; pid=; }
# Window-relative points of the 1000 x 600 window.
click() { xdotool mousemove --window "$wid" "$1" "$2" click 1; sleep 0.7; }
# The copyright band at the bottom: its text follows the language.
band() {
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  ffmpeg -v error -f x11grab -video_size 1000x50 -i "$DISPLAY+$X,$((Y + 550))" -frames:v 1 -f rawvideo - | sha256sum
}
waitFor() { for _ in $(seq 50); do grep -qa "$2" "$1" 2>/dev/null && return 0; sleep 0.2; done; fail "$1 lacks $2"; }

# First run: English; choose French in the menu and the save folder.
start 1
english=$(band)
click 920 17
xdotool key Down Down Right; sleep 0.5; xdotool key Down Return; sleep 1.5
waitFor "$config/config.ini" "/French"
click 207 300             # the record page
click 565 250             # its folder button: the folder dialog
xdotool key ctrl+a; xdotool type --delay 20 "$save"; xdotool key Return; sleep 1
waitFor "$config/ScreenRecord.ini" "My 'Clips' \$x"
stop

# Second run: both choices hold; record a few seconds.
start 2
[ "$(band)" != "$english" ] || fail "the language was not kept"
click 207 300
click 900 524             # Start
sleep 5
start_second=$pid
"$program" >"$work/log.3" 2>&1 || true   # a second start shows the running window
pid=$start_second
for _ in $(seq 50); do
  wid=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1) && [ -n "$wid" ] && break
  sleep 0.2
done
[ -n "$wid" ] || fail "the window did not come back"
sleep 0.5
click 900 524             # Stop
sleep 2
recording=$(find "$save" -name '*.mp4' | head -n 1)
[ -n "$recording" ] || fail "no recording in the save folder"
# The encoder's start-up varies with the machine's load: any length will do.
[ "$(ffprobe -v error -select_streams v -show_entries stream=codec_name -of csv=p=0 "$recording")" = h264 ] ||
  fail "no video in $recording"
length=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$recording")
awk -v d="$length" 'BEGIN { exit !(d > 0.3) }' || fail "recording of $length s"
stop

listing >"$work/after"
diff "$work/before" "$work/after" >/dev/null || fail "the unpacked tree changed: $(diff "$work/before" "$work/after" | head)"
echo "deb proof passed: window, language and save folder kept, ${length} s recorded, tree untouched"
