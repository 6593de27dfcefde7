#!/usr/bin/env bash
# Start and stop latency of a recording through the real window, on a busy
# screen (a looping test video).
#   bash bench/window_record_latency.sh [BUILD_DIR] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
runs=${2:-5}
if [ -z "${VTR_IN_SESSION:-}" ]; then
  exec env VTR_IN_SESSION=1 bash "$here/../scripts/headless-session.sh" bash "$0" "$build" "$runs"
fi
work=$(mktemp -d /tmp/vtr-latency.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
ffmpeg -v error -f lavfi -i testsrc2=size=640x360:rate=30 -t 20 -pix_fmt yuv420p "$work/busy.mp4"
mplayer -really-quiet -nolirc -vo x11 -zoom -fs -loop 0 -nosound "$work/busy.mp4" >/dev/null 2>&1 &
sleep 1
"$build/bench/window_record_latency" "$runs" 2>/dev/null
