#!/usr/bin/env python3
# Scores a recording of text_scene against what the screen showed: each
# recorded frame's tick is read from the code in its top strip, the frame the
# scene drew at that tick is rebuilt from the page (and the video) exactly as
# text_scene.cpp draws it, and ffmpeg's ssim and psnr filters compare the two
# below the strip as yuv420p, the rebuilt frame converted with the colour
# matrix and range the recording declares (BT.601 limited when it declares
# none, as ffmpeg's and libyuv's conversions make it). Frames whose code
# cannot be read (none, normally) are left out of the averages and counted.
#   text_score.py REC.mp4 PAGE.bgr0 PAGE_W PAGE_H [VIDEO.bgr0 VIDEO_W VIDEO_H VIDEO_FRAMES]
# Prints one line: frames= unread= ssim= (all planes) psnr= (of the mean
# squared error, as ffmpeg averages it) distinct= (frames per second whose
# tick differs from the frame before) written= (frames per second)
# backwards= (frames that show an older tick than the frame before).
import math
import re
import subprocess
import sys
import tempfile
from pathlib import Path

STRIP = 16
BITS = 16


def tri(n, a):
    p = n % (2 * a)
    return p if p <= a else 2 * a - p


def probe(rec):
    """The picture's size, and the colour matrix and range it declares."""
    out = subprocess.run(['ffprobe', '-v', 'error', '-select_streams', 'v:0', '-show_entries',
                          'stream=width,height,color_space,color_range', '-of', 'default=nw=1', rec],
                         capture_output=True, text=True, check=True).stdout
    f = dict(line.split('=', 1) for line in out.split())
    matrix = {'bt709': 'bt709', 'smpte240m': 'smpte240m', 'bt2020nc': 'bt2020'}.get(f.get('color_space'), 'bt601')
    return int(f['width']), int(f['height']), matrix, 'pc' if f.get('color_range') == 'pc' else 'tv'


def read_ticks(rec):
    """Each decoded frame's tick (None when unreadable) and time."""
    width = 2 * BITS * STRIP
    run = subprocess.run(['ffmpeg', '-nostdin', '-v', 'info', '-i', rec, '-map', '0:v:0', '-vf',
                          f'crop={width}:{STRIP}:0:0,showinfo', '-fps_mode', 'passthrough', '-f', 'rawvideo',
                          '-pix_fmt', 'gray', '-'], capture_output=True, check=True)
    times = [float(m.group(1)) for m in re.finditer(rb' n: *\d+ .*?pts_time:([-0-9.e]+)', run.stderr)]
    size = width * STRIP
    frames = min(len(run.stdout) // size, len(times))
    ticks = []
    for f in range(frames):
        p = run.stdout[f * size:(f + 1) * size]
        code = 0
        for b in range(2 * BITS):
            total = sum(sum(p[r * width + b * STRIP + 4:r * width + b * STRIP + 12]) for r in range(4, 12))
            code |= (total > 128 * 64) << b
        low, high = code & 0xffff, code >> BITS
        ticks.append(low if low == (~high & 0xffff) else None)
    return ticks, times[:frames]


def main():
    if len(sys.argv) not in (5, 9):
        sys.exit('usage: text_score.py REC.mp4 PAGE.bgr0 PAGE_W PAGE_H [VIDEO.bgr0 VIDEO_W VIDEO_H VIDEO_FRAMES]')
    rec, page_path = sys.argv[1], sys.argv[2]
    pw, ph = int(sys.argv[3]), int(sys.argv[4])
    video = len(sys.argv) == 9
    w, h, matrix, colour_range = probe(rec)
    page = memoryview(Path(page_path).read_bytes())
    if video:
        clip = memoryview(Path(sys.argv[5]).read_bytes())
        vw, vh, vframes = int(sys.argv[6]), int(sys.argv[7]), int(sys.argv[8])

    ticks, times = read_ticks(rec)
    if len(ticks) < 2:
        sys.exit(f'text_score: {rec}: no frames')
    readable = [t for t in ticks if t is not None]
    if not readable:
        sys.exit(f'text_score: {rec}: no frame shows the scene\'s code')

    def reference(n):
        y = n % (ph - h + 1)
        if w == pw:
            picture = page[(y + STRIP) * pw * 4:(y + h) * pw * 4]
        else:
            picture = b''.join(page[(y + r) * pw * 4:(y + r) * pw * 4 + w * 4] for r in range(STRIP, h))
        if not video:
            return picture
        picture = bytearray(picture)
        frame = (n // 3) % vframes
        x0 = w - vw - 240 + tri(n, 200)
        y0 = (h - vh - 120) // 2 + tri(n // 2, 120)
        for r in range(vh):
            at = ((y0 + r - STRIP) * w + x0) * 4
            source = ((frame * vh + r) * vw) * 4
            picture[at:at + vw * 4] = clip[source:source + vw * 4]
        return picture

    with tempfile.TemporaryDirectory(prefix='vtr-text-score.') as work:
        ssim_log, psnr_log = f'{work}/ssim.log', f'{work}/psnr.log'
        graph = (f'[0:v]crop=iw:ih-{STRIP}:0:{STRIP},format=yuv420p,settb=AVTB,setpts=N[a];'
                 f'[1:v]scale=out_color_matrix={matrix}:out_range={colour_range},format=yuv420p,settb=AVTB,setpts=N[b];[a]split[a0][a1];[b]split[b0][b1];'
                 f'[a0][b0]ssim=stats_file={ssim_log}[s];[a1][b1]psnr=stats_file={psnr_log}[p]')
        with open(f'{work}/ffmpeg.log', 'wb') as log:
            ffmpeg = subprocess.Popen(['ffmpeg', '-v', 'error', '-i', rec, '-f', 'rawvideo', '-pix_fmt', 'bgr0',
                                       '-video_size', f'{w}x{h - STRIP}', '-framerate', '60', '-i', 'pipe:0',
                                       '-filter_complex', graph, '-map', '[s]', '-map', '[p]', '-fps_mode',
                                       'passthrough', '-f', 'null', '-'],
                                      stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=log)
            last, picture = None, None
            shown = readable[0]
            try:
                for t in ticks:
                    shown = t if t is not None else shown
                    if shown != last:
                        last, picture = shown, reference(shown)
                    ffmpeg.stdin.write(picture)
                ffmpeg.stdin.close()
            except BrokenPipeError:
                pass
            status = ffmpeg.wait()
        if status != 0:
            sys.exit(f'text_score: ffmpeg failed: {Path(work, "ffmpeg.log").read_text()[-500:]}')
        ssim = [float(m.group(1)) for m in re.finditer(r'All:([0-9.]+)', Path(ssim_log).read_text())]
        mse = [float(m.group(1)) for m in re.finditer(r'mse_avg:([0-9.]+)', Path(psnr_log).read_text())]
    if len(ssim) != len(ticks) or len(mse) != len(ticks):
        sys.exit(f'text_score: {len(ticks)} frames read but {len(ssim)}/{len(mse)} compared')

    good = [i for i, t in enumerate(ticks) if t is not None]
    mean_ssim = sum(ssim[i] for i in good) / len(good)
    mean_mse = sum(mse[i] for i in good) / len(good)
    psnr = math.inf if mean_mse == 0 else 10 * math.log10(255 * 255 / mean_mse)
    span = times[-1] - times[0]
    distinct = sum(1 for i in range(1, len(ticks))
                   if ticks[i] is not None and ticks[i - 1] is not None and ticks[i] != ticks[i - 1])
    # A frame that shows an older screen than the one before it was placed
    # out of the order of its capture.
    backwards = sum(1 for a, b in zip(readable, readable[1:]) if b < a)
    print(f'frames={len(ticks)} unread={len(ticks) - len(good)} ssim={mean_ssim:.5f} psnr={psnr:.2f} '
          f'distinct={distinct / span:.1f} written={(len(ticks) - 1) / span:.1f} backwards={backwards}')


if __name__ == '__main__':
    main()
