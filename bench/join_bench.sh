#!/usr/bin/env bash
# Joins of recordings that differ, and of this program's own recordings.
#   bash bench/join_bench.sh [BUILD]
# 1. Four parts of different sizes, frame rates and sound (stereo 44.1 kHz,
#    none, mono 48 kHz, stereo 48 kHz), each with a white flash and a beep at
#    the same instant 0.5 s after its start and 0.5 s before its end, joined
#    by the merge: per boundary the beep's offset against its flash for the
#    pairs either side of it (target: within 20 ms), whether the result
#    decodes through without an error, its length against the parts' sum.
# 2. Three recordings made with this program's encoder options, joined by
#    the merge (stream copy) and by the plain concat line, in the same run
#    (JOIN_BENCH_SECONDS long each, 20 unless set):
#    the time of each and their ratio.
# Run it on a quiet machine (uptime's load below 2); the load is printed.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
driver=$build/bench/join_bench
[ -x "$driver" ] || { echo "build $driver first (cmake --build $build --target join_bench)"; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "load: $(uptime | sed 's/.*load average: //')"

# part NAME SIZE RATE SECONDS SOUND ("" for none, else "RATE:LAYOUT")
part() {
  local name=$1 size=$2 rate=$3 len=$4 sound=$5
  local a=0.5 b; b=$(python3 -c "print($len-0.5)")
  local flash="between(t,$a,$a+0.04)+between(t,$b,$b+0.04)"
  local args=(-f lavfi -i "testsrc2=size=$size:rate=$rate,drawbox=c=white:t=fill:enable='$flash'")
  local out=(-c:v libx264 -preset veryfast -pix_fmt yuv420p)
  if [ -n "$sound" ]; then
    args+=(-f lavfi -i "aevalsrc='0.5*sin(2*PI*1000*t)*($flash)':s=${sound%%:*}")
    out+=(-c:a aac -ar "${sound%%:*}" -channel_layout "${sound##*:}" -ac "$( [ "${sound##*:}" = mono ] && echo 1 || echo 2)")
  fi
  ffmpeg -v error -y "${args[@]}" -t "$len" "${out[@]}" "$work/$name.mp4"
}
part p1 1280x720 30 3 44100:stereo
part p2 640x480 25 2.5 ""
part p3 720x1280 60 3 48000:mono
part p4 800x600 29.97 2.5 48000:stereo

mkdir -p "$work/out"
read -r target secs converted < <("$driver" "$work/out" "$work"/p{1,2,3,4}.mp4)
echo "mismatched parts: merge ${secs}s, converted parts: $converted"
errors=$(ffmpeg -v error -i "$target" -f null - 2>&1 | wc -l)
echo "plays through: $([ "$errors" -eq 0 ] && echo yes || echo "no ($errors error lines)")"
python3 - "$target" 3 2.5 3 2.5 <<'PY'
import subprocess, sys, struct
f = sys.argv[1]; lens = [float(x) for x in sys.argv[2:]]
# Flashes: frames whose mean luma is high; beeps: 5 ms windows with sound.
stats = f + ".luma.txt"
subprocess.run(["ffmpeg","-v","error","-i",f,"-vf","crop=iw/4:ih/4,scale=32:18,format=gray,signalstats,"
    "metadata=print:key=lavfi.signalstats.YAVG:file=" + stats.replace(":", "\\:"),"-f","null","-"], check=True)
flashes = []; t = None
for line in open(stats):
    if "pts_time:" in line: t = float(line.split("pts_time:")[1].split()[0])
    elif "YAVG=" in line and float(line.split("=")[1]) > 200 and (not flashes or t - flashes[-1] > 0.2):
        flashes.append(t)
pcm = subprocess.run(["ffmpeg","-v","error","-i",f,"-map","0:a","-ac","1","-ar","8000","-f","s16le","-"],
    capture_output=True).stdout
n = len(pcm)//2; s = struct.unpack("<%dh" % n, pcm)
beeps = []; w = 40
for i in range(0, n - w, w):
    e = max(abs(x) for x in s[i:i+w])
    if e > 3000 and (not beeps or i/8000 - beeps[-1] > 0.2): beeps.append(i/8000)
total = sum(lens)
dur = float(subprocess.run(["ffprobe","-v","error","-show_entries","format=duration","-of","csv=p=0",f],
    capture_output=True, text=True).stdout)
print("length %.3f s against the parts' %.3f s; flashes %d (8 expected), beeps %d (6: part 2 has no sound)"
      % (dur, total, len(flashes), len(beeps)))
def off(t):
    b = min(beeps, key=lambda x: abs(x - t)) if beeps else None
    return None if b is None or abs(b - t) > 0.3 else (b - t) * 1000
edge = 0
for k in range(len(lens) - 1):
    edge += lens[k]
    near = [t for t in flashes if abs(t - edge) < 1.0]
    text = ", ".join("%+.0f ms" % off(t) if off(t) is not None else "no beep" for t in near)
    ok = all(off(t) is None or abs(off(t)) <= 20 for t in near) and len(near) == 2
    print("boundary %d at %.2f s: beep after flash %s %s" % (k + 1, edge, text, "ok" if ok else "OUT"))
PY

# Our own recordings: the options of recording/record_command.cpp.
ours="-vcodec libx264 -r 60.97 -codec:a aac -ac 2 -ar 44100 -pix_fmt yuv420p -preset superfast -crf 26 -bf 0 -colorspace smpte170m -force_key_frames expr:gte(t,n_forced*3) -x264-params stitchable=1"
for i in 1 2 3; do
  ffmpeg -v error -y -f lavfi -i "testsrc2=size=1920x1080:rate=60.97" -f lavfi -i "sine=frequency=$((300*i))" \
    -t "${JOIN_BENCH_SECONDS:-20}" $ours "$work/ours$i.mp4"
done
mkdir -p "$work/own"
read -r target secs converted < <("$driver" "$work/own" "$work"/ours{1,2,3}.mp4)
printf "ffconcat version 1.0\nfile '%s'\nfile '%s'\nfile '%s'\n" "$work/ours1.mp4" "$work/ours2.mp4" "$work/ours3.mp4" > "$work/list.txt"
start=$(date +%s.%N)
ffmpeg -v error -y -f concat -safe 0 -i "$work/list.txt" -c copy "$work/plain.mp4"
plain=$(python3 -c "import time; print('%.3f' % (time.time() - $start))")
echo "our recordings (3 x ${JOIN_BENCH_SECONDS:-20} s 1080p): converted parts: $converted; merge ${secs}s, plain concat ${plain}s, ratio $(python3 -c "print('%.2f' % ($secs / $plain))")"
