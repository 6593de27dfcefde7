#!/usr/bin/env bash
# What recording costs as the screen changes: a still desktop with a blinking
# caret, a line typed every second, and a busy screen (a looping test video),
# each recorded SECONDS without sound by ours, the plain ffmpeg line and the
# peer in turn, at 1280x720 and 1920x1080. Prints the CPU of all of each
# recorder's processes per recorded second; ours also prints Start to the
# first bytes of its file, Stop to a valid file and its peak memory.
#   bash bench/cost_bench.sh [BUILD_DIR] [SECONDS]
# Run it on a quiet machine: the figures are ratios beside the others.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
seconds=${2:-10}

if [ -z "${VTR_IN_SESSION:-}" ]; then
  for size in ${VTR_SIZES:-1280x720 1920x1080}; do
    VTR_IN_SESSION=1 VTR_SCREEN=${size}x24 bash "$here/../scripts/headless-session.sh" bash "$0" "$build" "$seconds"
  done
  exit 0
fi

# shellcheck source=bench/plain.sh
source "$here/plain.sh"
# shellcheck source=bench/peer.sh
source "$here/peer.sh"
work=$(mktemp -d /tmp/vtr-cost-bench.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
size=$(xdpyinfo | awk '/dimensions:/ {print $2}')
ffmpeg -v error -f lavfi -i testsrc2=size=640x360:rate=30 -t 20 -pix_fmt yuv420p "$work/busy.mp4"

scene_start() { # scene
  case "$1" in
    busy) mplayer -really-quiet -nolirc -vo x11 -zoom -fs -loop 0 -nosound "$work/busy.mp4" >/dev/null 2>&1 & ;;
    *) "$build/bench/desk_scene" $((seconds + 30)) "$1" & ;;
  esac
  SCENE_PID=$!
  sleep 1.5
}

scene_stop() { kill "$SCENE_PID" 2>/dev/null || true; wait "$SCENE_PID" 2>/dev/null || true; }

pictures() { # file: the pictures it holds
  ffprobe -v error -select_streams v -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$1"
}

echo "== screen $size, $seconds s per run, no sound"
for scene in ${VTR_SCENES:-still typing busy}; do
  echo "-- $scene"
  scene_start "$scene"
  "$build/bench/record_bench" "$seconds" -2 "$work/ours.mp4" | sed 's/^/  /'
  echo "  ours     pictures=$(pictures "$work/ours.mp4")"
  scene_stop
  scene_start "$scene"
  plain_record "$seconds" -2 "$work/plain.mp4"
  awk -v c="$PLAIN_CPU" -v s="$seconds" -v m="$PLAIN_MB" 'BEGIN { printf "  plain    CPU=%.2f (%.3f per recorded s) peak-memory=%d MB\n", c, c / s, m }'
  scene_stop
  scene_start "$scene"
  if peer_run "$seconds" -2 "$work/peer.mp4"; then
    awk -v c="$PEER_CPU" -v s="$seconds" -v m="${PEER_MB:-0}" 'BEGIN { printf "  peer     CPU=%.2f (%.3f per recorded s) peak-memory=%d MB\n", c, c / s, m }'
  else
    echo "  peer     did not record (see above)"
  fi
  scene_stop
  rm -f "$work"/ours.mp4 "$work"/plain.mp4* "$work"/peer.mp4
done
