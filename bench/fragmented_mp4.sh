#!/usr/bin/env bash
# Plain against fragmented MP4 (one fragment per keyframe, flushed as it is
# made), each read by what reads our recordings: the length probe, the
# embedded player (length, pause, seek), the stream-copy cut and the join
# through transport streams. Each kind is read once finished by "q" and once
# after the encoder was killed with SIGKILL. The encoder arguments are the
# recording's own, with a test picture and tone for the screen and sound.
# "encoded" is how far the encoder said it had come (for a kill: just before).
#   bash bench/fragmented_mp4.sh [SECONDS]   (default 8)
set -uo pipefail
seconds=${1:-8}
work=$(mktemp -d /tmp/vtr-frag.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
fragmented="-movflags +frag_keyframe+empty_moov+default_base_moof -flush_packets 1"

record() { # OUTPUT MOVFLAGS; always run in a subshell (it becomes the encoder)
  exec ffmpeg -hide_banner -loglevel error -y -re -f lavfi -i testsrc=size=320x240:rate=30 -re -f lavfi -i sine \
    -filter_complex amix=inputs=1:duration=first:dropout_transition=1 -vcodec libx264 -r 60.97 -b:v 1500K \
    -codec:a aac -ac 2 -ar 44100 -pix_fmt yuv420p -tune zerolatency -preset ultrafast \
    -force_key_frames 'expr:gte(t,n_forced)' $2 -progress "$1.progress" -stats_period 0.2 -f mp4 "$1"
}
length() { ffmpeg -hide_banner -i "$1" 2>&1 | grep -o 'Duration: [0-9:.]*' | cut -c11- || true; }
frames() { ffprobe -v error -count_packets -select_streams v -show_entries stream=nb_read_packets -of csv=p=0 "$1" 2>/dev/null; }

printf '%-22s %9s %8s %11s %9s %-28s %11s %11s\n' file encoded bytes length frames "player: length, paused, seek 3" "cut 1+2 s" "join of 2"
for kind in plain fragmented; do
  flags=""; [ $kind = fragmented ] && flags=$fragmented
  for end in q kill; do
    out="$kind-$end.mp4"
    if [ $end = q ]; then
      (sleep "$seconds"; echo q) | record "$out" "$flags"
    else
      record "$out" "$flags" </dev/null & pid=$!
      sleep "$seconds"; kill -KILL $pid; wait $pid 2>/dev/null
    fi
    answers=$( (sleep 1; echo get_time_length; echo pause; sleep 0.5; echo get_time_pos; sleep 0.5; echo get_time_pos
                echo "seek 3 2"; sleep 0.5; echo get_time_pos; echo quit) |
      timeout 20 mplayer -slave -quiet -vo null -ao null "$out" 2>/dev/null | grep -ao '^ANS_[A-Z_]*=[0-9.]*' |
      cut -d= -f2 | tr '\n' ' ')
    ffmpeg -hide_banner -loglevel quiet -y -i "$out" -ss 1 -t 2 -codec copy "cut-$out"
    ffmpeg -hide_banner -loglevel quiet -y -i "$out" -vcodec copy -acodec copy -vbsf h264_mp4toannexb "$out.ts"
    ffmpeg -hide_banner -loglevel quiet -y -i "concat:$out.ts|$out.ts|" -acodec copy -vcodec copy -absf aac_adtstoasc "join-$out"
    encoded=$(grep '^out_time=' "$out.progress" | tail -1 | cut -c10-20)
    printf '%-22s %9s %8s %11s %9s %-28s %11s %11s\n' "$out" "$encoded" "$(stat -c %s "$out")" "$(length "$out")" "$(frames "$out")" \
      "${answers:-none}" "$(length "cut-$out")" "$(length "join-$out")"
  done
done
