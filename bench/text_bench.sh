#!/usr/bin/env bash
# The picture of recordings of text on a real screen, at 1280x720 and
# 1920x1080: text_scene shows the page of bench/page.sh (15 px monospace text)
# scrolling up at 90 px/s ("text"), or the same with an 800x450 test video
# moving over it ("mixed"), on the X screen of a private headless session
# (one per size). Each scene is recorded without sound and with the computer
# sound (a tone over noise playing throughout) through our runner ("ours"),
# with the plain ffmpeg line ("plain", bench/plain.sh) and with
# SimpleScreenRecorder ("peer", bench/peer.sh: its defaults, 60 fps), in turn.
# Every file is scored by text_score.py against what the screen showed in
# each of its frames, rebuilt exactly from the tick the scene drew as a code
# in the top 16 rows (left out of the scores): SSIM (all planes) and PSNR as
# yuv420p, the picture's kbit/s, the recorder's CPU per recorded second and
# that against the plain line's in the same scene and sound, and distinct
# frames per second (the scene changes 90 times a second).
#   [VTR_SCENES="text mixed"] [VTR_MODES="-2 0"] [VTR_RECORDERS="ours plain peer"] \
#     bash bench/text_bench.sh [BUILD_DIR] [SECONDS] [SIZES...]
# BUILD_DIR holds bench/record_bench and bench/text_scene (VTR_TEXT_SCENE
# names another text_scene).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
seconds=${2:-10}
scene_program=${VTR_TEXT_SCENE:-$build/bench/text_scene}
video_frames=60 # two seconds of test video at 30 a second, looped

if [ -z "${VTR_IN_SESSION:-}" ]; then
  shift $(($# > 2 ? 2 : $#))
  sizes=("$@")
  [ ${#sizes[@]} -gt 0 ] || sizes=(1280x720 1920x1080)
  for tool in "$build/bench/record_bench" "$scene_program"; do
    [ -x "$tool" ] || { echo "$tool is missing: build it first" >&2; exit 1; }
  done
  work=$(mktemp -d /tmp/vtr-text-bench.XXXXXX)
  trap 'rm -rf "$work"' EXIT
  # The scene's pictures as raw bgr0, as the screen holds them, and the sound.
  source "$here/page.sh"
  make_page "$work"
  ffmpeg -v error -y -i "$work/page.png" -f rawvideo -pix_fmt bgr0 "$work/page.bgr0"
  ffmpeg -v error -y -f lavfi -i testsrc2=s=800x450:r=30 -frames:v $video_frames -f rawvideo -pix_fmt bgr0 \
    "$work/video.bgr0"
  ffmpeg -v error -y -f lavfi -i "sine=f=440:beep_factor=4:d=$((seconds + 8))" \
    -f lavfi -i "anoisesrc=c=pink:a=0.05:d=$((seconds + 8))" -filter_complex amix=inputs=2 -ac 2 -ar 44100 \
    "$work/sound.wav"
  echo "== text on the screen, $seconds s per run, load $(cut -d' ' -f1-3 /proc/loadavg)"
  printf '%-9s %-5s %-5s %-5s %7s %6s %7s %6s %6s %8s %6s\n' size scene sound who SSIM PSNR kbit/s CPU/s xplain \
    distinct unread
  for size in "${sizes[@]}"; do
    VTR_IN_SESSION=1 VTR_TEXT_WORK=$work VTR_SCREEN=${size}x24 \
      bash "$here/../scripts/headless-session.sh" bash "$0" "$build" "$seconds"
  done
  exit 0
fi

work=$VTR_TEXT_WORK
runs=$(mktemp -d /tmp/vtr-text-runs.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$runs"' EXIT
size=$(xdpyinfo | awk '/dimensions:/ {print $2}')
# As in fidelity_bench.sh: the scene and the X server at real-time priority
# where allowed, so that the scene keeps its ticks on a loaded machine.
rt=(chrt -f 10)
if "${rt[@]}" true 2>/dev/null; then
  chrt -f -p 10 "$(tr -d ' ' <"/tmp/.X${DISPLAY#:}-lock")" || true
else
  rt=()
fi
source "$here/plain.sh"
source "$here/peer.sh"

page=("$work/page.bgr0" 1920 12600)
for scene in ${VTR_SCENES:-text mixed}; do
  args=("${page[@]}")
  [ "$scene" = mixed ] && args+=("$work/video.bgr0" 800 450 "$video_frames")
  for mode in ${VTR_MODES:--2 0}; do
    case $mode in -2) sound=none ;; 0) sound=comp ;; *) echo "sound mode $mode: only -2 and 0" >&2; exit 1 ;; esac
    rows=() cpus=() plain_cpu=
    for who in ${VTR_RECORDERS:-ours plain peer}; do
      out="$runs/$who.mp4"
      if [ "$who" = peer ]; then
        if ! peer_start "$mode" "$out"; then
          rows+=("$(printf '%-9s %-5s %-5s %-5s did not start' "$size" "$scene" "$sound" "$who")")
          cpus+=(nan)
          continue
        fi
      fi
      paplay -d spk "$work/sound.wav" &
      player=$!
      "${rt[@]}" "$scene_program" $((seconds + 3)) "${args[@]}" &
      shown=$!
      sleep 0.9
      cpu=
      case $who in
        ours)
          cpu=$("$build/bench/record_bench" "$seconds" "$mode" "$out" 2>"$runs/ours.log" |
            sed -n 's/.*encoderCPU=\([0-9.]*\).*/\1/p') || true
          [ -s "$out" ] || tail -n 5 "$runs/ours.log" | sed 's/^/ours: /' >&2
          ;;
        plain) plain_record "$seconds" "$mode" "$out" && cpu=$PLAIN_CPU ;;
        peer) peer_record "$seconds" && cpu=$PEER_CPU || cpu=nan ;;
        *) echo "unknown recorder $who" >&2; exit 1 ;;
      esac
      wait "$shown" || true
      kill "$player" 2>/dev/null || true
      wait "$player" 2>/dev/null || true
      if [ -s "$out" ] && score=$(python3 "$here/text_score.py" "$out" "${args[@]}"); then
        declare -A f=()
        for kv in $score; do f[${kv%%=*}]=${kv#*=}; done
        kbits=$(ffprobe -v error -select_streams v:0 -show_entries stream=bit_rate -of csv=p=0 "$out")
        rows+=("$(printf '%-9s %-5s %-5s %-5s %7s %6s %7.0f %6.3f %%s %8s %6s' "$size" "$scene" "$sound" "$who" \
          "${f[ssim]}" "${f[psnr]}" "$(awk -v b="$kbits" 'BEGIN { print b / 1000 }')" \
          "$(awk -v c="$cpu" -v s="$seconds" 'BEGIN { print c / s }')" "${f[distinct]}" "${f[unread]}")")
      else
        rows+=("$(printf '%-9s %-5s %-5s %-5s no recording or no score' "$size" "$scene" "$sound" "$who")")
      fi
      cpus+=("$cpu")
      [ "$who" = plain ] && plain_cpu=$cpu
      rm -f "$out"
    done
    for i in "${!rows[@]}"; do
      ratio=$(awk -v c="${cpus[$i]}" -v p="$plain_cpu" 'BEGIN { if (p > 0 && c == c + 0) printf "%.2f", c / p; else print "-" }')
      # shellcheck disable=SC2059 # each row holds one %s: the ratio
      printf "${rows[$i]}\n" "$ratio"
    done
  done
done
