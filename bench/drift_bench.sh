#!/usr/bin/env bash
# Sync over a long recording: the fidelity scene (a flash with a beep on the
# computer sound once a second) for MINUTES (30), recorded at the same time
# by ours (the recording run), the plain ffmpeg line and SimpleScreenRecorder,
# all with the computer sound. From each file, its first and its
# last minute are decoded at their exact instants and measured as the
# fidelity benchmark does: the beep's offset against its flash at the start
# and at the end, and how far it moved. The screen is small (VTR_DRIFT_SIZE,
# 640x360) so that the three recorders at once stay within two cores.
#   bash bench/drift_bench.sh [BUILD] [MINUTES]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
minutes=${2:-30}
if [ -z "${VTR_IN_SESSION:-}" ]; then
  VTR_IN_SESSION=1 VTR_SCREEN=${VTR_DRIFT_SIZE:-640x360}x24 bash "$here/../scripts/headless-session.sh" bash "$0" "$build" "$minutes"
  exit 0
fi

work=$(mktemp -d /tmp/vtr-drift-bench.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
source "$here/plain.sh"
source "$here/peer.sh"
seconds=$((minutes * 60))
echo "== drift over $minutes min at $(xdpyinfo | awk '/dimensions:/ {print $2}'), computer sound, load $(cut -d' ' -f1-3 /proc/loadavg)"
peer_start 0 "$work/peer.mp4" || true
"$build/bench/fidelity_scene" $((seconds + 8)) &
scene=$!
sleep 0.9
"$build/bench/record_bench" "$seconds" 0 "$work/ours.mp4" >"$work/ours.log" &
ours=$!
plain_record "$seconds" 0 "$work/plain.mp4" &
plain=$!
[ -n "$PEER_PID" ] && { peer_record "$seconds" || true; }
wait "$ours" "$plain" || true
kill "$scene" 2>/dev/null || true
for who in ours plain peer; do
  file="$work/$who.mp4"
  [ -s "$file" ] || { echo "$who: no file"; continue; }
  length=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$file")
  for part in first last; do
    from=$([ $part = first ] && echo 0 || awk -v l="$length" 'BEGIN { print l - 62 }')
    ffmpeg -v error -y -ss "$from" -i "$file" -t 60 -c:v libx264 -preset ultrafast -qp 0 -c:a pcm_s16le \
      "$work/$who-$part.mkv"
    row=$("$build/bench/fidelity_analyse" "$who ($part minute)" "$work/$who-$part.mkv" || true)
    echo "$row"
    eval "${who}_${part}=$(echo "$row" | sed -n 's/.*av_median= *\([-+0-9.a-z]*\)ms.*/\1/p')"
  done
  awk -v a="$(eval echo \$${who}_first)" -v b="$(eval echo \$${who}_last)" -v w=$who -v l="$length" \
    'BEGIN { printf "%-6s length %.1f s: offset %+.0f ms at the start, %+.0f ms at the end: moved %+.0f ms\n", w, l, a, b, b - a }'
done
