#!/usr/bin/env bash
# What a take costs against the plain MP4 recordings had before it, at
# 1920x1080 with the computer sound (a tone over noise playing), on a private
# headless session (scripts/headless-session.sh), in a folder on a real disk.
#  1. Stop -> valid MP4. a) Real 10 s recordings of the text scene (as
#     text_bench.sh shows it), alternating: "take" through RecordRun (the tee
#     to the working MP4 and transport stream, the flusher, FinishTake),
#     "plain" through the same grab with the one plain MP4 output of before
#     (BuildRecordCommandLine), "direct" the plain ffmpeg line with its own
#     grab (bench/plain.sh's shape), timed from the stop request to the run's
#     end (direct: from the "q" to ffmpeg's exit).
#     b) Takes of 10 s, 10 min and 60 min, made by looping the first 10 s take
#     by stream copy through the same tee (both forms, continuous times) and
#     synced once, as the flusher leaves them; each timed 3 times, medians:
#     FinishTake's normal path (the MP4 is whole; its last second and index
#     rewritten first so that they wait in the cache as the encoder leaves
#     them), its copy path (no .part: the encoder died), and beside them cp of
#     the MP4 to the same folder, and cp + sync of the copy. Each timed step
#     starts with the disk idle (sync, 1 s); each gets its own real copy of
#     the working file, which it deletes.
#  2. What the working form costs: 30 s of the text scene and of a busy one (a
#     test video played full screen, as record_bench.sh shows it), take and
#     plain alternating: the recorder's CPU (encoder + this program) and this
#     program's alone per recorded second, the encoder's write_bytes, the
#     disk's sectors written (/proc/diskstats, from the start to the
#     recording flushed: the plain file is fsynced after its run, so that
#     both count what reaches the disk, the journal included), and the whole
#     machine's busy CPU (/proc/stat, kernel write-back and journal threads
#     included) per recorded second; medians and take/plain.
#   [VTR_RUNS=3] [VTR_SCENES="text busy"] [VTR_LENGTHS="10 600 3600"] \
#     [VTR_STOP_SECONDS=10] [VTR_COST_SECONDS=30] bash bench/take_bench.sh [BUILD_DIR] [DISK_FOLDER]
# BUILD_DIR holds bench/take_finish_bench, bench/record_bench and
# bench/text_scene; DISK_FOLDER (/var/tmp unless given; not tmpfs) gets a
# scratch folder, removed at the end; 60 min needs about 3 GB there free.
# Needs what scripts/deps.sh --bench installs (ffmpeg, Xvfb, PulseAudio,
# mplayer for the busy scene). Run it on a quiet machine: the figures that
# matter are the ratios within one run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
runs=${VTR_RUNS:-3}
stop_seconds=${VTR_STOP_SECONDS:-10}
cost_seconds=${VTR_COST_SECONDS:-30}

if [ -z "${VTR_IN_SESSION:-}" ]; then
  for tool in take_finish_bench record_bench text_scene; do
    [ -x "$build/bench/$tool" ] || { echo "$build/bench/$tool is missing: build it first" >&2; exit 1; }
  done
  disk=${2:-/var/tmp}
  if [ "$(df --output=fstype "$disk" | tail -1 | tr -d ' ')" = tmpfs ]; then
    echo "$disk is tmpfs: give a folder on a real disk" >&2
    exit 1
  fi
  work=$(mktemp -d "$disk/vtr-take-bench.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  source "$here/page.sh"
  make_page "$work"
  longest=$((cost_seconds > stop_seconds ? cost_seconds : stop_seconds))
  ffmpeg -v error -y -i "$work/page.png" -f rawvideo -pix_fmt bgr0 "$work/page.bgr0"
  ffmpeg -v error -y -f lavfi -i "sine=f=440:beep_factor=4:d=$((longest + 8))" \
    -f lavfi -i "anoisesrc=c=pink:a=0.05:d=$((longest + 8))" -filter_complex amix=inputs=2 -ac 2 -ar 44100 \
    "$work/sound.wav"
  ffmpeg -v error -y -f lavfi -i testsrc2=size=640x360:rate=30 -t 20 -pix_fmt yuv420p "$work/busy.mp4"
  VTR_IN_SESSION=1 VTR_TAKE_WORK=$work VTR_SCREEN=1920x1080x24 \
    bash "$here/../scripts/headless-session.sh" bash "$0" "$build"
  exit 0
fi

work=$VTR_TAKE_WORK
bench=$build/bench/take_finish_bench
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT
device=$(basename "$(readlink -f "$(df --output=source "$work" | tail -1 | tr -d ' ')")")
grep -q " $device " /proc/diskstats || { echo "no /proc/diskstats line for $device" >&2; exit 1; }
tick=$(getconf CLK_TCK)
sectors() { awk -v d="$device" '$3 == d { print $10 }' /proc/diskstats; }
busy_ticks() { awk '/^cpu / { print $2 + $3 + $4 + $7 + $8 + $9 }' /proc/stat; }
median() { sort -g | awk '{ a[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) print a[(NR + 1) / 2]; else print (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }
settle() { sync; sleep 1; }
now() { date +%s.%N; }
seconds_since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'; }
field() { # key line
  sed -n "s/.* $1=\([^ ]*\).*/\1/p; s/^$1=\([^ ]*\).*/\1/p" <<<"$2" | head -1
}
video_seconds() { ffprobe -v error -select_streams v:0 -show_entries stream=duration -of csv=p=0 "$1"; }

echo "== takes against plain MP4s: 1920x1080, computer sound; $(df --output=fstype "$work" | tail -1 | tr -d ' ') on $device"
echo "   load at start: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) cores"

# The scene, with the computer sound playing, for the next `seconds` + 3.
scene_pids=()
start_scene() { # text|busy seconds
  paplay -d spk "$work/sound.wav" &
  scene_pids=($!)
  if [ "$1" = busy ]; then
    mplayer -really-quiet -nolirc -vo x11 -zoom -fs -loop 0 -nosound "$work/busy.mp4" >/dev/null 2>&1 &
  else
    "$build/bench/text_scene" $(($2 + 3)) "$work/page.bgr0" 1920 12600 2>/dev/null &
  fi
  scene_pids+=($!)
  sleep 1
}
stop_scene() {
  for pid in "${scene_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${scene_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}

# One recording of `seconds` by `who` (take, plain, direct) into a new folder;
# sets REC (the line of figures) and REC_FILE.
record() { # who seconds folder
  local s0 c0 line
  mkdir -p "$3"
  s0=$(sectors)
  c0=$(busy_ticks)
  if [ "$1" = direct ]; then
    local args user sys
    mapfile -d '' args < <("$build/bench/record_bench" --args 0 "$3/direct.mp4")
    { sleep "$2"; now >"$3/stop"; printf 'q\r\n'; sleep 5; } |
      { /usr/bin/time -f '%U %S' -o "$3/time" "${args[@]}" >"$3/log" 2>&1 || true; now >"$3/end"; }
    read -r user sys <"$3/time"
    line=$(awk -v u="$user" -v s="$sys" -v a="$(cat "$3/stop")" -v b="$(cat "$3/end")" \
      'BEGIN { printf "stop=%.3f cpu=%.3f self=0 written=nan", b - a, u + s }')
    REC_FILE=$3/direct.mp4
  else
    line=$("$bench" record "$2" 0 "$3" "$1" 2>"$3.log")
    REC_FILE=$(field file "$line")
  fi
  [ -s "$REC_FILE" ] || { echo "$1: no recording" >&2; tail -n 5 "$3.log" "$3/log" 2>/dev/null >&2; }
  sync "$REC_FILE" 2>/dev/null || true
  REC="$line disk=$(($(sectors) - s0)) box=$(($(busy_ticks) - c0))"
}

# ---- 1a: stop -> file, real 10 s recordings
echo
echo "-- 1a. stop request -> finished MP4, real ${stop_seconds} s recordings of the text scene (s)"
printf '%-7s %s\n' who "runs ... median"
declare -A stops=()
for i in $(seq 3); do
  for who in take plain direct; do
    start_scene text "$stop_seconds"
    record "$who" "$stop_seconds" "$work/r1-$who-$i"
    stop_scene
    stops[$who]+="$(field stop "$REC") "
    if [ "$who" = take ] && [ ! -f "$work/src.mp4" ]; then
      mv "$REC_FILE" "$work/src.mp4"
    fi
    rm -rf "$work/r1-$who-$i" "$work/r1-$who-$i.log"
  done
done
for who in take plain direct; do
  printf '%-7s %s  median %s\n' "$who" "${stops[$who]}" "$(tr ' ' '\n' <<<"${stops[$who]}" | grep . | median)"
done
today_stop=$(tr ' ' '\n' <<<"${stops[plain]}" | grep . | median)

# ---- 1b: FinishTake on long takes
echo
src_len=$(video_seconds "$work/src.mp4")
echo "-- 1b. finishing long takes (s; median of 3), looped from the first ${stop_seconds} s take (picture $src_len s)"
printf '%-7s %9s %8s %7s %7s %9s %9s %7s %8s %8s %7s\n' length "video s" "MP4 MB" "TS MB" "moov kB" today \
  "FT normal" "FT copy" cp "cp+sync" target
rows=()
for length in ${VTR_LENGTHS:-10 600 3600}; do
  loops=$(awk -v l="$length" -v s="$src_len" 'BEGIN { n = int(l / s + 0.5); print n < 1 ? 1 : n }')
  stem=$work/long$length
  started=$(now)
  ffmpeg -v error -y -stream_loop $((loops - 1)) -i "$work/src.mp4" -map 0 -c copy -flags +global_header -f tee \
    "[f=mp4]$stem.recording.part|[f=mpegts:flush_packets=1]$stem.recording.ts"
  built=$(seconds_since "$started")
  settle
  part_len=$(video_seconds "$stem.recording.part")
  mp4_bytes=$(stat -c %s "$stem.recording.part")
  ts_bytes=$(stat -c %s "$stem.recording.ts")
  moov=$("$bench" moov "$stem.recording.part")
  # What the encoder leaves unflushed at the end: its index and its last
  # second (the flusher pushes once a second).
  dirty=$(awk -v m="$moov" -v b="$mp4_bytes" -v l="$part_len" 'BEGIN { printf "%d", m + b / l }')
  normal=() copy=() cps=() cpsyncs=() ends=""
  for i in $(seq 3); do
    r=$work/n$length-$i
    cp "$stem.recording.ts" "$r.recording.ts"
    ln "$stem.recording.part" "$r.recording.part"
    settle
    line=$("$bench" finish "$r" "$dirty" 2>"$work/finish.log")
    normal+=("$(field seconds "$line")")
    ends+="$(field end "$line") "
    rm -f "$r.mp4"

    r=$work/c$length-$i
    cp "$stem.recording.ts" "$r.recording.ts"
    settle
    line=$("$bench" finish "$r" 2>"$work/finish.log")
    copy+=("$(field seconds "$line")")
    ends+="$(field end "$line")/$(awk -v a="$(field length "$line")" 'BEGIN { printf "%.2f", a / 1e6 }') "
    rm -f "$r.mp4"

    settle
    started=$(now)
    cp "$stem.recording.part" "$work/cp-$i.mp4"
    cps+=("$(seconds_since "$started")")
    rm -f "$work/cp-$i.mp4"

    settle
    started=$(now)
    cp "$stem.recording.part" "$work/cps-$i.mp4"
    sync "$work/cps-$i.mp4"
    cpsyncs+=("$(seconds_since "$started")")
    rm -f "$work/cps-$i.mp4"
  done
  m_normal=$(printf '%s\n' "${normal[@]}" | median)
  m_copy=$(printf '%s\n' "${copy[@]}" | median)
  m_cp=$(printf '%s\n' "${cps[@]}" | median)
  m_cpsync=$(printf '%s\n' "${cpsyncs[@]}" | median)
  printf '%-7s %9.1f %8.1f %7.1f %7.1f %9.3f %9.3f %7.2f %8.3f %8.3f %7.2f\n' "${length}s" "$part_len" \
    "$(awk -v b="$mp4_bytes" 'BEGIN { print b / 1e6 }')" "$(awk -v b="$ts_bytes" 'BEGIN { print b / 1e6 }')" \
    "$(awk -v b="$moov" 'BEGIN { print b / 1e3 }')" "$today_stop" "$m_normal" "$m_copy" "$m_cp" "$m_cpsync" \
    "$(awk -v c="$m_cp" 'BEGIN { print 1 + c }')"
  rows+=("   ${length}s: built in ${built}s from $loops loops; ends: $ends; normal ${normal[*]}; copy ${copy[*]}; cp ${cps[*]}; cp+sync ${cpsyncs[*]}")
  rm -f "$stem".recording.*
done
printf '%s\n' "${rows[@]}"
echo "   today: the plain run's measured stop at ${stop_seconds} s (1a). At any length it is the encoder's flush and"
echo "   its index (moov kB) written into the cache; the take's encoder writes the same index at the same point, so"
echo "   a take's stop is today's plus FinishTake. target: 1 s plus cp."

# ---- 2: what the working form costs
echo
settle
s0=$(sectors)
sleep 10
idle=$(($(sectors) - s0))
echo "-- 2. cost of the working form, ${cost_seconds} s per run, per recorded second (disk idle: $((idle * 512 / 10 / 1000)) kB/s)"
printf '%-5s %-5s %3s %7s %7s %9s %9s %7s %6s\n' scene who run "CPU/s" "self/s" "enc kB/s" "disk kB/s" "box/s" stop
for scene in ${VTR_SCENES:-text busy}; do
  declare -A figures=()
  for i in $(seq "$runs"); do
    for who in take plain; do
      settle
      start_scene "$scene" "$cost_seconds"
      record "$who" "$cost_seconds" "$work/r2-$who-$i"
      stop_scene
      row=$(awk -v c="$(field cpu "$REC")" -v s="$(field self "$REC")" -v w="$(field written "$REC")" \
        -v d="$(field disk "$REC")" -v b="$(field box "$REC")" -v t="$tick" -v n="$cost_seconds" \
        'BEGIN { printf "%.3f %.3f %.0f %.0f %.3f", c / n, s / n, w / n / 1000, d * 512 / n / 1000, b / t / n }')
      figures[$who]+="$row"$'\n'
      # shellcheck disable=SC2086 # the row's five figures
      printf '%-5s %-5s %3d %7s %7s %9s %9s %7s %6s\n' "$scene" "$who" "$i" $row "$(field stop "$REC")"
      rm -rf "$work/r2-$who-$i" "$work/r2-$who-$i.log"
    done
  done
  for who in take plain; do
    meds=""
    for col in 1 2 3 4 5; do
      meds+="$(awk -v c="$col" 'NF { print $c }' <<<"${figures[$who]}" | median) "
    done
    declare "med_$who=$meds"
    # shellcheck disable=SC2086
    printf '%-5s %-5s %3s %7s %7s %9s %9s %7s\n' "$scene" "$who" med $meds
  done
  # shellcheck disable=SC2154 # med_take and med_plain are declared above
  awk -v a="$med_take" -v b="$med_plain" -v s="$scene" 'BEGIN {
    n = split(a, x, " "); split(b, y, " "); printf "%-5s %-5s %3s", s, "t/p", ""
    for (i = 1; i <= n; i++) {
      f = (i == 3 || i == 4) ? " %9s" : " %7s"
      printf f, (y[i] > 0 ? sprintf("%.2f", x[i] / y[i]) : "-")
    }
    print ""
  }'
  unset figures
done
echo "   CPU/s: encoder + this program (the grab, the flusher, FinishTake); enc kB/s: write_bytes of the encoder"
echo "   (and this program); disk kB/s: the device's sectors written from the start until the recording is on the"
echo "   disk (the plain file fsynced after its run), the whole machine's; box/s: the machine's busy CPU."
echo "   load at end: $(cut -d' ' -f1-3 /proc/loadavg)"
