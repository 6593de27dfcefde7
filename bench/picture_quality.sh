#!/usr/bin/env bash
# The picture of a screen recording, offline: a lossless 1920x1080 60.97 fps
# "screen" of 15 px monospace text scrolling up at 90 px/s ("text"), and the
# same with an 800x450 moving test video over part of it ("mixed"), encoded
# from bgr0 frames as a screen grab delivers them with each row's video
# options, then scored against the source: SSIM (all planes), PSNR, size and
# the encoder's CPU per second of picture.
#   bash bench/picture_quality.sh [SECONDS] [ROW...]
# A row is one of the names below; without any, every row runs. "ours" is
# what the recording run gives the encoder today (BUILD_DIR, default build/).
set -euo pipefail
seconds=${1:-6}
shift $(($# > 0 ? 1 : 0))
work=${VTR_PQ_WORK:-$(mktemp -d /tmp/vtr-picture.XXXXXX)}
mkdir -p "$work"
rate=60.97 # the rate of our recordings, so that their -r changes nothing

declare -A rows=(
  # The options of today's recordings, and of the peers measured beside them.
  [old]="-vcodec libx264 -r 60.97 -b:v 1500K -pix_fmt yuv420p -tune zerolatency -preset ultrafast -force_key_frames expr:gte(t,n_forced)"
  [peer]="-vcodec libx264 -pix_fmt yuv420p -crf 23 -preset superfast"
)
# Our video options: from -vcodec up to the output name.
if ours=$("${BUILD_DIR:-$(dirname "$0")/../build}/bench/record_bench" --args -2 out.mp4 2>/dev/null | tr '\0' ' '); then
  ours=${ours#*" -vcodec "}
  rows[ours]="-vcodec ${ours% out.mp4 }"
fi
for extra in "${!VTR_PQ_@}"; do
  case $extra in VTR_PQ_WORK) ;; *) rows[${extra#VTR_PQ_}]=${!extra} ;; esac
done
names=("$@")
[ ${#names[@]} -gt 0 ] || mapfile -t names < <(printf '%s\n' "${!rows[@]}" | sort)

# A page of licence text in three columns, as tall as the scroll needs, drawn once.
source "$(dirname "$0")/page.sh"
make_page "$work"
scene() { # name filter
  [ -f "$work/$1.nut" ] && return
  ffmpeg -v error -y -loop 1 -framerate $rate -i "$work/page.png" -f lavfi -i "testsrc2=s=800x450:r=$rate" \
    -filter_complex "$2" -t "$seconds" -pix_fmt bgr0 -c:v ffv1 "$work/$1.nut"
}
scroll="[0:v]crop=1920:1080:0:floor(90*t)"
scene text "$scroll"
scene mixed "$scroll[page];[page][1:v]overlay=x=1000+100*sin(t):y=300+60*cos(t/2)"

printf '%-8s %-6s %8s %8s %9s %9s\n' row scene SSIM PSNR kbit/s "CPU/s"
for name in "${names[@]}"; do
  read -r -a opts <<<"${rows[$name]}"
  for s in text mixed; do
    out="$work/$name-$s.mp4"
    /usr/bin/time -f '%U %S' -o "$work/time" ffmpeg -v error -y -i "$work/$s.nut" "${opts[@]}" -an "$out"
    read -r user sys <"$work/time"
    score=$(ffmpeg -hide_banner -nostats -i "$out" -i "$work/$s.nut" -lavfi \
      "[0:v]format=yuv420p,split[a0][a1];[1:v]format=yuv420p,split[b0][b1];[a0][b0]ssim;[a1][b1]psnr" \
      -f null - 2>&1 | sed -n 's/.*SSIM.* All:\([0-9.]*\).*/ssim \1/p; s/.*PSNR.* average:\([0-9.inf]*\).*/psnr \1/p')
    kbits=$(ffprobe -v error -show_entries format=bit_rate -of csv=p=0 "$out")
    printf '%-8s %-6s %8s %8s %9.0f %9.3f\n' "$name" "$s" "$(awk '/ssim/ {print $2}' <<<"$score")" \
      "$(awk '/psnr/ {print $2}' <<<"$score")" "$((kbits / 1000))" "$(awk -v u="$user" -v s="$sys" -v n="$seconds" 'BEGIN { print (u + s) / n }')"
  done
done
[ -n "${VTR_PQ_WORK:-}" ] || rm -rf "$work"
