#!/usr/bin/env bash
# Drives the Windows program through its window under Wine, on the X screen
# of the test session: the window (title, size), its four pages, the
# language switch, a recording with the stand-in encoder, a second start and
# quitting. What Wine cannot show is said as a skip, never passed silently.
#   drive.sh PROGRAM_FOLDER SCREENSHOTS
# Exits 0 when every check passed, 1 when one failed, 77 without an X screen.
set -uo pipefail
bin=$(cd "$1" && pwd)
shots=$(cd "$2" && pwd)
[ -n "${DISPLAY:-}" ] || { echo "skipped: no X screen (run it inside scripts/headless-session.sh)"; exit 77; }

WINEPREFIX=$(dirname "$bin")/wine-prefix
export WINEPREFIX
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A Windows desktop has neither; with them set the program would ask Qt for
# its X11 platform.
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
work=$(mktemp -d /tmp/vtr-winprog.XXXXXX)
# A fresh program folder per run: its settings files start as shipped.
app=$work/Vantreel
cp -r "$bin" "$app"
export VTR_STANDIN_LOG="Z:${work//\//\\}\\encoder.log"
save=$WINEPREFIX/drive_c/VantreelSave
title="Vantreel Screen Recorder"
first=

finish() {
  [ -n "$first" ] && kill "$first" 2>/dev/null
  wineserver -k 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wine wineboot --init </dev/null >/dev/null 2>&1
  wineserver -w
fi
rm -rf "$save"
wineserver -p 2>/dev/null

failed=0 passed=0
ok() { echo "ok:      $1"; passed=$((passed + 1)); }
bad() { echo "FAILED:  $1"; failed=$((failed + 1)); }
check() { # check DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then ok "$what"; else bad "$what"; fi
}
skip() { echo "skipped: $1"; }
wait_for() { # wait_for SECONDS COMMAND...: until the command succeeds
  local until=$((SECONDS + $1)); shift
  until "$@"; do [ $SECONDS -ge $until ] && return 1; sleep 0.2; done
}

start() { wine "$app/VantreelScreenRecorder.exe" </dev/null >>"$work/program.log" 2>&1; }
window() { xdotool search --onlyvisible --name "^(.* - )?$title\$" 2>/dev/null | head -1; }
shown() { [ -n "$(window)" ]; }
gone() { [ -z "$(window)" ]; }
recorded() { compgen -G "$save/*.mp4" >/dev/null; }
# The window's place on the screen: x y width height.
geometry() {
  xdotool getwindowgeometry --shell "$1" | awk -F= '/^[XYWH]/ { v[$1] = $2 } END { print v["X"], v["Y"], v["WIDTH"], v["HEIGHT"] }'
}
click() { # click X Y, inside the window
  read -r wx wy _ < <(geometry "$win")
  xdotool mousemove $((wx + $1)) $((wy + $2)) click 1
  sleep 1
}
keys() { xdotool key --delay 150 "$@"; sleep 1; }
grab() {
  read -r wx wy ww wh < <(geometry "$win")
  ffmpeg -v error -y -f x11grab -video_size "${ww}x${wh}" -i "$DISPLAY+$wx,$wy" -frames:v 1 "$work/$1.png"
}
# Which page the window shows: the screenshot of the four it is nearest to,
# each as 50x30 grey pixels (the fonts differ under Wine, the pages' shapes
# and colours do not).
page() {
  grab now
  python3 - "$work" "$shots" <<'PY'
import subprocess, sys
work, shots = sys.argv[1:]
def small(path):
    return subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-vf", "scale=50:30,format=gray", "-f", "rawvideo", "-"],
                          capture_output=True, check=True).stdout
now = small(f"{work}/now.png")
dist = {p: sum(abs(a - b) for a, b in zip(now, small(f"{shots}/{p}.png"))) for p in ("home", "record", "cut", "merge")}
print(min(dist, key=dist.get))
PY
}
on_page() { [ "$(page)" = "$1" ]; }
ini() { iconv -f UTF-16 -t UTF-8 "$1" 2>/dev/null | tr -d '\r'; }

# The window ---------------------------------------------------------------
start &
first=$!
wait_for 90 shown || { bad "the window opens"; tail -20 "$work/program.log"; exit 1; }
win=$(window)
ok "the window opens"
check "its title is the product's name" test "$(xdotool getwindowname "$win")" = "$title"
read -r _ _ ww wh < <(geometry "$win")
check "it is 1000x600 (${ww}x${wh})" test "$ww" = 1000 -a "$wh" = 600
check "it opens on the home page" on_page home

# The four pages, by the home page's buttons and each page's Back -----------
click 207 300
check "Record leads to the record page" on_page record
click 100 524
check "its Back leads home" on_page home
click 485 300
check "Merge leads to the merge page" on_page merge
click 70 539
click 793 300
check "Cut leads to the cut page" on_page cut
click 890 518
check "and back home" on_page home

# The language switch: menu, Language, the third entry (Deutsch) ----------
grab english
click 920 17
keys Down Down Right Down Down Return
grab german
check "the language is stored beside the program" grep -qx 'Default=/Deutsche' <(ini "$app/config.ini")
check "the window shows it at once" test "$(cmp -s "$work/english.png" "$work/german.png"; echo $?)" = 1
check "still on the home page" on_page home

# A recording through the window --------------------------------------------
click 207 300
click 900 524
taken() { compgen -G "$save/*.recording.ts" >/dev/null; }
check "Start makes the encoder write the take" wait_for 20 taken
check "the encoder records the desktop with gdigrab" grep -q -- '-f gdigrab -i desktop' "$work/encoder.log"
check "the window goes away while it records" wait_for 10 gone
# Ctrl+Shift+F9 stops it when the system hands the program the key.
xdotool key ctrl+shift+F9
if wait_for 10 recorded; then
  ok "the hotkey stops it"
else
  skip "the hotkey: Wine hands a registered hotkey to the program only while one of its windows has the focus"
  # A second start brings the window back, on the record page with Stop.
  timeout 30 wine "$app/VantreelScreenRecorder.exe" </dev/null >>"$work/program.log" 2>&1
  check "a second start shows the recording's window" wait_for 20 shown
  win=$(window)
  check "on the record page" on_page record
  click 900 524
  check "Stop finishes the recording" wait_for 20 recorded
fi
recording=$(compgen -G "$save/*.mp4" | head -1)
check "the recording is a valid MP4 with a picture" \
  test "$(ffprobe -v error -select_streams v -show_entries stream=codec_name -of csv=p=0 "$recording" 2>/dev/null)" = h264
check "the working file is gone" test -z "$(compgen -G "$save/*.recording.*")"

# A second copy finds the first ----------------------------------------------
check "the window's title is the product's name again" test "$(xdotool getwindowname "$win")" = "$title"
check "a second start ends at once" timeout 30 wine "$app/VantreelScreenRecorder.exe" </dev/null >/dev/null 2>&1
check "and leaves one window" test "$(xdotool search --onlyvisible --name "^$title\$" | wc -l)" = 1

# Quitting --------------------------------------------------------------------
win=$(window)
click 986 17
ended() { ! kill -0 "$first" 2>/dev/null; }
check "Close ends the program" wait_for 20 ended
wait "$first"
check "with exit code 0" test $? = 0
first=
check "and no encoder is left" test -z "$(pgrep -f 'tool\.exe')"

# Beyond this test's reach, on any system: no Windows build of the player
# or of the encoder is packaged here.
skip "playback on the cut page: no Windows build of the player is at hand"
skip "sound in a recording: the stand-in encoder opens no capture device"
echo "$passed checks passed, $failed failed"
[ "$failed" = 0 ]
