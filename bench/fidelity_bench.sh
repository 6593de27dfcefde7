#!/usr/bin/env bash
# Recording fidelity at 1280x720 and 1920x1080: fidelity_scene changes the
# screen 120 times a second and flashes while a beep plays on the computer
# sound, once a second. Each sound choice is recorded through the recording
# run ("ours": this program's grab feeding the encoder), with the plain ffmpeg
# line ("plain", bench/plain.sh: the encoder's own grab, with the same sound
# inputs and video options) and, without the microphone, with
# SimpleScreenRecorder ("peer", bench/peer.sh: its defaults, 60 fps), in
# turn, in the same session. Every
# file is read back: distinct frames per second, the beep's offset against its
# flash, the first sound, and the recorder's CPU (the peer's from the start of
# its recording, without its start-up).
# The microphone is a source remapped from the speakers' monitor, so that it
# hears the beep too.
# With VTR_WAYLAND=1 the desktop is a private Wayland one (sway, with the
# scene under XWayland) and "ours" records it through the screen-cast portal;
# the plain line and the peer have no Wayland counterpart, so that row stands
# alone.
#   [VTR_WAYLAND=1] [VTR_MODES="-2 0 1 2"] bash bench/fidelity_bench.sh [BUILD_DIR] [SECONDS] [SIZES...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
seconds=${2:-10}

if [ -z "${VTR_IN_SESSION:-}" ]; then
  shift $(($# > 2 ? 2 : $#))
  sizes=("$@")
  [ ${#sizes[@]} -gt 0 ] || sizes=(1280x720 1920x1080)
  for size in "${sizes[@]}"; do
    if [ -n "${VTR_WAYLAND:-}" ]; then
      VTR_IN_SESSION=1 VTR_WAYLAND_SIZE=$size VTR_WAYLAND_XWAYLAND=enable \
        bash "$here/../scripts/headless-session.sh" bash "$here/../scripts/wayland-session.sh" bash "$0" "$build" "$seconds"
    else
      VTR_IN_SESSION=1 VTR_SCREEN=${size}x24 bash "$here/../scripts/headless-session.sh" bash "$0" "$build" "$seconds"
    fi
  done
  exit 0
fi

work=$(mktemp -d /tmp/vtr-fidelity-bench.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
pactl load-module module-remap-source source_name=beepmic master=spk.monitor >/dev/null
wayland=${WAYLAND_DISPLAY:+1}
if [ -n "$wayland" ]; then
  export DISPLAY=$VTR_XWAYLAND_DISPLAY # the scene's, under XWayland
  size=$VTR_WAYLAND_SIZE
  recorders=(ours)
else
  size=$(xdpyinfo | awk '/dimensions:/ {print $2}')
  recorders=(ours plain peer)
fi
# The scene and this session's X server run at real-time priority where
# allowed, so that flashes reach the screen on time on a loaded machine; all
# recorders see the same scene.
rt=(chrt -f 10)
if [ -z "$wayland" ] && "${rt[@]}" true 2>/dev/null; then
  chrt -f -p 10 "$(tr -d ' ' <"/tmp/.X${DISPLAY#:}-lock")" || true
else
  rt=()
fi

source "$here/plain.sh"
source "$here/peer.sh"

echo "== ${wayland:+Wayland }screen $size, $seconds s per run, load $(cut -d' ' -f1-3 /proc/loadavg)"
for mode in ${VTR_MODES:--2 0 1 2}; do
  case $mode in -2) label="no sound" ;; 0) label="computer sound" ;; 1) label="microphone" ;; 2) label="both" ;; esac
  for who in "${recorders[@]}"; do
    out="$work/$who.mp4"
    # The peer records one source: no microphone rows. It starts idle before
    # the scene, so that only its recording comes after the scene's start.
    if [ $who = peer ]; then
      [ "$mode" -le 0 ] || continue
      peer_start "$mode" "$out" || continue
    fi
    # The first flash comes 1.2 s after the scene starts: 0.3 s after Start.
    "${rt[@]}" "$build/bench/fidelity_scene" $((seconds + 3)) &
    scene=$!
    sleep 0.9
    if [ $who = ours ] && [ -n "$wayland" ]; then
      cpu=$("$build/bench/wayland_record" "$seconds" "$mode" "$out" beepmic | sed -n 's/.*encoderCPU=\([0-9.]*\).*/\1/p')
    elif [ $who = ours ]; then
      cpu=$("$build/bench/record_bench" "$seconds" "$mode" "$out" beepmic | sed -n 's/.*encoderCPU=\([0-9.]*\).*/\1/p')
    elif [ $who = peer ]; then
      peer_record "$seconds" && cpu=$PEER_CPU || cpu=nan
    else
      plain_record "$seconds" "$mode" "$out" beepmic
      cpu=$PLAIN_CPU
    fi
    wait "$scene" || true
    "$build/bench/fidelity_analyse" "$who ($label)" "$out" || true
    awk -v c="$cpu" -v s="$seconds" 'BEGIN { printf "%-14s encoder CPU %.2f s = %.3f cores per recorded second\n", "", c, c / s }'
    rm -f "$out"
  done
done

# Ours with computer sound, paused three times (four stretches with a second
# between them, joined at Stop), and recording an area (the top left part
# that holds the scene's counter, half the screen high): the length against
# the running time, and the beeps against their flashes across the joins.
if [ -z "$wayland" ]; then
  read -r width height < <(echo "$size" | tr x ' ')
  for row in "3 pauses" "area" "both, separate tracks"; do
    out="$work/row.mp4"
    "${rt[@]}" "$build/bench/fidelity_scene" $((seconds + 6)) &
    scene=$!
    sleep 0.9
    if [ "$row" = "3 pauses" ]; then
      result=$(VTR_PAUSES=3 "$build/bench/record_bench" "$seconds" 0 "$out" beepmic)
    elif [ "$row" = "both, separate tracks" ]; then
      result=$(VTR_SEPARATE_TRACKS=1 "$build/bench/record_bench" "$seconds" 2 "$out" beepmic)
    else
      result=$(VTR_AREA="0,0,$((width * 13 / 16 / 2 * 2)),$((height / 4 * 2))" \
        "$build/bench/record_bench" "$seconds" 0 "$out" beepmic)
    fi
    kill "$scene" 2>/dev/null || true
    wait "$scene" 2>/dev/null || true
    "$build/bench/fidelity_analyse" "ours ($row)" "$out" "$width" || true
    echo "$result" | sed -n 's/.*encoderCPU=\([0-9.]*\).*length=\([0-9.]*\)s running=\([0-9.]*\)s.*/\1 \2 \3/p' |
      awk -v s="$seconds" '{ printf "%-14s encoder CPU %.2f s = %.3f cores per recorded second; length %.3f s, ran %.3f s\n", "", $1, $1 / s, $2, $3 }'
    rm -f "$out"
  done
fi
