#!/usr/bin/env bash
# The .deb installed the way a user gets it: builds and checks the package
# (package.sh), unpacks it with dpkg-deb -x into a temporary root made
# read-only, and drives the unpacked program under the headless session with
# a fresh HOME: the window opens, a chosen language and save folder survive a
# restart, a short recording lands in the save folder, and nothing under the
# unpacked tree changes. It records twice: on the X screen, then on a Wayland
# desktop (scripts/wayland-session.sh), where the program finds
# WAYLAND_DISPLAY and records through the screen-cast portal and the
# GStreamer capture the package recommends; its window is then under XWayland,
# where the program puts it itself, so that xdotool drives it the same way. Each recording must be H.264 with AAC sound (the default sound choice
# records both) and last about as long as Start to Stop. As root the tree is a
# read-only bind mount; without root its modes are made read-only. Either way
# a listing with checksums is compared before and after, since root may write
# through modes.
#   bash scripts/deb-proof.sh
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${VTR_IN_SESSION:-}" ]; then
  deb=$(bash "$here/scripts/package.sh" | tail -n 1)
  exec env VTR_IN_SESSION=1 VTR_DEB="$deb" bash "$here/scripts/headless-session.sh" bash "$0"
fi

# The Wayland stage is this script again, inside the Wayland session, on the
# tree, home and logs that the X11 stage set up and cleans up.
if [ -n "${VTR_DEB_WORK:-}" ]; then
  stage=Wayland work=$VTR_DEB_WORK
else
  stage=X11 work=$(mktemp -d /tmp/vtr-deb.XXXXXX)
fi
tree=$work/root
mounted=0
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  [ $stage = X11 ] || return 0
  [ $mounted = 1 ] && umount "$tree"
  chmod -R u+w "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "deb proof FAILED on $stage: $*"
  for f in "$work"/log.*; do echo "--- $f"; cat "$f"; done
  local grab=(-i "$DISPLAY")
  # XWayland's root holds none of its windows' pixels: the window's own then.
  [ $stage = Wayland ] && [ -n "$wid" ] && grab=(-window_id "$wid" -i "$DISPLAY")
  ffmpeg -v error -y -f x11grab "${grab[@]}" -frames:v 1 /tmp/vtr-deb-proof-failure.png &&
    echo "the screen at the failure: /tmp/vtr-deb-proof-failure.png"
  touch "$work/failed" # the X11 stage then says no more
  exit 1
}

program=$tree/usr/bin/vantreel-screen-recorder
config=$work/home/.config/vantreel-screen-recorder
# Typed into Qt's folder dialog, which reads double quotes as a list of names.
save="$work/home/My 'Clips' \$x"

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
waitFor() { for _ in $(seq 50); do grep -qa "$2" "$1" 2>/dev/null && return 0; sleep 0.2; done; fail "$1 lacks $2"; }
now() { date +%s.%N; }

# From the home page, a recording of about 5 s: Start, a second start of the
# program (which shows the hidden running window), Stop. Its file must be
# H.264 with AAC sound and last Start to Stop, less at most 1.5 s of the
# encoder's start-up and plus at most 0.5 s of the clicks' own time. Says
# both in $recorded.
record() { # record LOGNAME
  click 207 300             # the record page
  local before recording
  before=$(find "$save" -name '*.mp4')
  local started; started=$(now)
  click 900 524             # Start
  sleep 5
  local running=$pid
  "$program" >"$work/log.$1" 2>&1 || true
  pid=$running
  for _ in $(seq 50); do
    wid=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1) && [ -n "$wid" ] && break
    sleep 0.2
  done
  [ -n "$wid" ] || fail "the window did not come back"
  sleep 0.5
  local elapsed; elapsed=$(awk -v a="$started" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }')
  click 900 524             # Stop
  # The take's working files give way to the MP4 at Stop.
  for _ in $(seq 50); do
    recording=$(find "$save" -name '*.mp4' | grep -vxF -- "$before" | head -n 1) || true
    [ -n "$recording" ] && [ -z "$(find "$save" -name '*.recording.*')" ] && break
    sleep 0.2
  done
  [ -n "$recording" ] || fail "no recording in the save folder"
  local streams
  streams=$(ffprobe -v error -show_entries stream=codec_type,codec_name -of csv=p=0 "$recording" | sort | tr '\n' ' ')
  [ "$streams" = "aac,audio h264,video " ] || fail "$recording holds: $streams"
  local length; length=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$recording")
  recorded=$(awk -v d="$length" -v e="$elapsed" 'BEGIN { printf "%.2f s of %.2f s", d, e }')
  awk -v d="$length" -v e="$elapsed" 'BEGIN { exit !(d >= e - 1.5 && d <= e + 0.5) }' ||
    fail "$recording lasts $recorded from Start to Stop"
}

if [ $stage = Wayland ]; then
  # The session's own configuration folder is not the user's.
  unset XDG_CONFIG_HOME XDG_DATA_HOME
  # The program chooses XWayland for its window itself, as it does for a user.
  unset QT_QPA_PLATFORM
  export DISPLAY=$VTR_XWAYLAND_DISPLAY
  start 4
  record 5
  stop
  echo "$recorded" >"$work/wayland"
  exit 0
fi

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
mkdir -p "$save"

"$program" --version | grep -q '^vantreel-screen-recorder ' || fail "--version"

# The copyright band at the bottom: its text follows the language.
band() {
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  ffmpeg -v error -f x11grab -video_size 1000x50 -i "$DISPLAY+$X,$((Y + 550))" -frames:v 1 -f rawvideo - | sha256sum
}

# First run: English; choose French in the menu and the save folder.
start 1
english=$(band)
click 920 17
xdotool key Down Down Right; sleep 0.5; xdotool key Down Return; sleep 1.5
waitFor "$config/config.ini" "/French"
click 207 300             # the record page
click 565 225             # its folder button: the folder dialog
xdotool key ctrl+a; xdotool type --delay 20 "$save"; xdotool key Return; sleep 1
waitFor "$config/ScreenRecord.ini" "My 'Clips' \$x"
stop

# Second run: both choices hold; record a few seconds.
start 2
[ "$(band)" != "$english" ] || fail "the language was not kept"
record 3
stop
x11=$recorded

# The same home on a Wayland desktop, the tree still read-only.
VTR_WAYLAND_XWAYLAND=enable VTR_DEB_WORK=$work bash "$here/scripts/wayland-session.sh" \
  bash "$here/scripts/deb-proof.sh" ||
  { [ -e "$work/failed" ] || echo "deb proof FAILED: the Wayland session"; exit 1; }

listing >"$work/after"
diff "$work/before" "$work/after" >/dev/null || fail "the unpacked tree changed: $(diff "$work/before" "$work/after" | head)"
echo "deb proof passed: window, language and save folder kept, H.264 and AAC recorded on X11 ($x11) and on Wayland ($(cat "$work/wayland")), tree untouched"
