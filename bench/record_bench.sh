#!/usr/bin/env bash
# Records 10 s of a busy X screen (a looping test video) at 1280x720 and
# 1920x1080, with no sound and with computer sound, once through our runner
# and once with the same ffmpeg arguments run directly, and prints a table.
#   bash bench/record_bench.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
seconds=${2:-10}

if [ -z "${VTR_IN_SESSION:-}" ]; then
  for size in 1280x720 1920x1080; do
    VTR_IN_SESSION=1 VTR_SCREEN=${size}x24 bash "$here/../scripts/headless-session.sh" bash "$0" "$build" "$seconds"
  done
  exit 0
fi

work=$(mktemp -d /tmp/vtr-record-bench.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
size=$(xdpyinfo | awk '/dimensions:/ {print $2}')
ffmpeg -v error -f lavfi -i testsrc2=size=640x360:rate=30 -t 20 -pix_fmt yuv420p "$work/busy.mp4"
mplayer -really-quiet -nolirc -vo x11 -zoom -fs -loop 0 -nosound "$work/busy.mp4" >/dev/null 2>&1 &
sleep 1

probe_row() { # file
  local frames duration
  frames=$(ffprobe -v error -select_streams v -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$1")
  duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$1")
  awk -v f="$frames" -v d="$duration" 'BEGIN { printf "         file: %d frames in %.2f s = %.2f fps written (asked 60.97)\n", f, d, f / d }'
}

echo "== screen $size, $seconds s per run"
for mode in -2 0; do
  [ "$mode" = -2 ] && label="no sound" || label="computer sound"
  echo "-- $label"
  out="$work/ours.mp4"
  "$build/bench/record_bench" "$seconds" "$mode" "$out"
  probe_row "$out"

  out="$work/direct.mp4"
  mapfile -d '' args < <("$build/bench/record_bench" --args "$mode" "$out")
  args[0]=ffmpeg
  # Stdin stays open after the "q", as our pipe does; the end time is taken
  # the moment ffmpeg exits.
  { sleep "$seconds"; date +%s.%N >"$work/stop"; printf 'q\r\n'; sleep 5; } |
    { /usr/bin/time -f '%U %S' -o "$work/time" "${args[@]}" >"$work/direct.log" 2>&1 || true; date +%s.%N >"$work/end"; }
  end=$(cat "$work/end")
  tr '\r' '\n' <"$work/direct.log" | grep 'frame=' | tail -1 >"$work/last" || true
  read -r user sys <"$work/time"
  awk -v u="$user" -v s="$sys" -v secs="$seconds" -v st="$(cat "$work/stop")" -v e="$end" -v line="$(cat "$work/last")" 'BEGIN {
    match(line, /frame= *[0-9]+/); fr = substr(line, RSTART + 6, RLENGTH - 6) + 0
    match(line, /dup=[0-9]+/); du = substr(line, RSTART + 4, RLENGTH - 4) + 0
    match(line, /drop=[0-9]+/); dr = substr(line, RSTART + 5, RLENGTH - 5) + 0
    printf "%-8s frames=%d dup=%d drop=%d encoderCPU=%.2f (%.3f per recorded s) stop-to-file=%.2fs\n", "direct", fr, du, dr, u + s, (u + s) / secs, e - st
  }'
  probe_row "$out"
  rm -f "$work"/ours.mp4 "$work"/direct.mp4
done
