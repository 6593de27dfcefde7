#!/usr/bin/env bash
# Cuts exact to the frame, measured.
#   bash bench/exact_cut_bench.sh [BUILD] [PAIRS]
# 1. For a recording made with this program's encoder options and two
#    foreign H.264/AAC files (25 fps with B-frames and keyframes 2 s apart,
#    30 fps with B-frames and keyframes 10 s apart), PAIRS (20) random mark
#    pairs each, marks on frames as the player tells them: the cut's first
#    and last frames against the source's marked frames (SSIM, target at
#    least 0.98), its frame count against the marked one, and the beep of
#    each flash/beep pair inside the cut against its flash (target within
#    10 ms). Every row also says whether the exact cut ran or fell back.
# 2. A recording of 1 GB (ours, copied end to end), cut between four pairs
#    of marks from 10 % to 90 % down to 49 % to 51 %: the exact cut against
#    the keyframe cut, best of two runs each, in the same run (target: at
#    most 1.5 times).
# Run it on a quiet machine (uptime's load below 2); the load is printed.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
pairs=${2:-20}
driver=$build/bench/exact_cut_bench
[ -x "$driver" ] || { echo "build $driver first (cmake --build $build --target exact_cut_bench)"; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "load: $(uptime | sed 's/.*load average: //')"

# source NAME SIZE FPS SECONDS RATE VIDEO-OPTIONS...: a flash of two frames
# with a beep from the same instant every 97 frames.
source() {
  local name=$1 size=$2 fps=$3 len=$4 rate=$5
  shift 5
  ffmpeg -v error -y -f lavfi -i "testsrc2=size=$size:rate=$fps,drawbox=c=white:t=fill:enable='lt(mod(n\,97)\,2)'" \
    -f lavfi -i "aevalsrc='0.5*sin(2*PI*1000*t)*lt(mod(t*$fps\,97)\,2)':s=$rate:c=stereo" -t "$len" \
    "$@" -c:a aac -b:a 128k "$work/$name.mp4"
}
ours="-c:v libx264 -pix_fmt yuv420p -preset superfast -crf 26 -bf 0 -x264-params stitchable=1 -colorspace smpte170m -force_key_frames expr:gte(t,n_forced*3)"
# shellcheck disable=SC2086
source ours 1920x1080 60.97 40 44100 $ours
source f25 1280x720 25 40 48000 -c:v libx264 -bf 3 -g 50 -pix_fmt yuv420p
source f30 1280x720 30 40 48000 -c:v libx264 -bf 3 -g 300 -pix_fmt yuv420p

python3 - "$driver" "$work" "$pairs" <<'PY'
import random, statistics, struct, subprocess, sys
driver, work, pairs = sys.argv[1], sys.argv[2], int(sys.argv[3])
rng = random.Random(28)

def run(*args):
    return subprocess.run(args, capture_output=True, text=True)

def frame_times(f):
    out = run("ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries", "packet=pts_time",
              "-of", "csv=p=0", f).stdout.split()
    return sorted(float(x) for x in out if x)

def ssim(cut, n, src, t):
    out = run("ffmpeg", "-hide_banner", "-i", cut, "-ss", "%.6f" % max(0, t - 0.0005), "-i", src,
              "-filter_complex", "[0:v]select=eq(n\\,%d),setpts=0[a];[1:v]trim=end_frame=1,setpts=0[b];[a][b]ssim" % n,
              "-f", "null", "-").stderr
    at = out.find("All:")
    return float(out[at + 4:].split()[0]) if at >= 0 else 0.0

def pairs_in(f):
    """Beep minus flash, in ms, for each flash in the file."""
    stats = f + ".luma"
    run("ffmpeg", "-v", "error", "-i", f, "-vf", "scale=32:18,format=gray,signalstats,metadata=print:key=lavfi.signalstats.YAVG:file=" + stats,
        "-f", "null", "-")
    flashes, t = [], None
    for line in open(stats):
        if "pts_time:" in line:
            t = float(line.split("pts_time:")[1].split()[0])
        elif "YAVG=" in line and float(line.split("=")[1]) > 200 and (not flashes or t - flashes[-1] > 0.5):
            flashes.append(t)
    pcm = subprocess.run(["ffmpeg", "-v", "error", "-i", f, "-map", "0:a", "-ac", "1", "-ar", "48000", "-f", "s16le", "-"],
                         capture_output=True).stdout
    s = struct.unpack("<%dh" % (len(pcm) // 2), pcm)
    beeps, w = [], 48
    for i in range(0, len(s) - w, w):
        if max(abs(x) for x in s[i:i + w]) > 3000 and (not beeps or i / 48000 - beeps[-1] > 0.5):
            beeps.append(i / 48000)
    out = []
    for fl in flashes:
        near = [b for b in beeps if abs(b - fl) < 0.2]
        if near and fl > 0.05:  # a flash cut in half at the start tells nothing
            out.append((near[0] - fl) * 1000)
    return out

print("| source | pairs | exact | first frame SSIM min / median | last frame SSIM min / median | frames off (max) | pairs inside | beep-flash max abs / median | seconds per cut (median) |")
print("|---|---|---|---|---|---|---|---|---|")
for name in ("ours", "f25", "f30"):
    src = "%s/%s.mp4" % (work, name)
    times = frame_times(src)
    firsts, lasts, frames_off, offsets, secs, exact = [], [], [], [], [], 0
    for k in range(pairs):
        i = rng.randrange(0, len(times) - 120)
        j = rng.randrange(i + 60, len(times))
        a, b = round(times[i] * 1000), round(times[j] * 1000)
        out = "%s/cut-%s-%d" % (work, name, k)
        subprocess.run(["mkdir", "-p", out])
        r = run(driver, "exact", out, src, str(a), str(b))
        if r.returncode != 0:
            print("cut %s %d-%d failed: %s" % (name, a, b, r.stderr.strip()), file=sys.stderr)
            continue
        cut, s = r.stdout.split("\t")
        secs.append(float(s))
        n = len(frame_times(cut))
        frames_off.append(abs(n - (j - i + 1)))
        exact += frames_off[-1] == 0
        firsts.append(ssim(cut, 0, src, times[i]))
        lasts.append(ssim(cut, n - 1, src, times[j]))
        offsets += pairs_in(cut)
        subprocess.run(["rm", "-rf", out])
    absoff = [abs(x) for x in offsets] or [0]
    print("| %s | %d | %d | %.4f / %.4f | %.4f / %.4f | %d | %d | %.1f / %+.1f ms | %.2f |" % (
        name, len(secs), exact, min(firsts), statistics.median(firsts), min(lasts), statistics.median(lasts),
        max(frames_off), len(offsets), max(absoff), statistics.median(offsets or [0]), statistics.median(secs)))
PY

# A recording of about 1 GB: ours, copied end to end.
copies=$(python3 -c "import os; print(max(1, -(-1024**3 // os.path.getsize('$work/ours.mp4'))))")
for _ in $(seq "$copies"); do echo "file '$work/ours.mp4'"; done > "$work/big.txt"
ffmpeg -v error -y -f concat -safe 0 -i "$work/big.txt" -c copy "$work/big.mp4"
rm -f "$work"/f25.mp4 "$work"/f30.mp4
length=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$work/big.mp4")
best() {
  local mode=$1 from=$2 to=$3 t best=
  for _ in 1 2; do
    rm -rf "$work/bigcut" && mkdir -p "$work/bigcut"
    t=$("$driver" "$mode" "$work/bigcut" "$work/big.mp4" "$from" "$to" | cut -f2)
    best=$(python3 -c "print(min(float('$t'), float('${best:-1e9}')))")
  done
  echo "$best"
}
echo "1 GB recording ($(du -m "$work/big.mp4" | cut -f1) MB, ${length%.*} s):"
echo "| marks | keyframe cut s | exact cut s | ratio |"
echo "|---|---|---|---|"
# Marks a few milliseconds past whole seconds, so that the frames encoded
# again before the copy differ from pair to pair.
for pair in "10 90" "25 75" "40 60" "49 51"; do
  read -r a b <<<"$pair"
  read -r from to < <(python3 -c "l=$length*1000; print(int(l*$a/100)+7, int(l*$b/100)+11)")
  keyframe=$(best keyframe "$from" "$to")
  exact=$(best exact "$from" "$to")
  echo "| $a % to $b % | $keyframe | $exact | $(python3 -c "print('%.2f' % ($exact / $keyframe))") |"
done
