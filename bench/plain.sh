# The plain ffmpeg line the benchmarks measure beside ours: the audio inputs,
# amix, and the screen grab at the written rate, each input on its own clock,
# encoded as our recordings were before this program grabbed the screen
# itself. It grabs the whole screen of $DISPLAY, whose size is $size (WxH).
#   source bench/plain.sh
#   plain_args MODE OUT.mp4 [MIC]     prints the line, each argument ended by a zero byte
#   plain_record SECONDS MODE OUT.mp4 [MIC]   records; sets PLAIN_CPU (seconds)
# MODE: -2 no sound, 0 computer sound (spk.monitor), 1 microphone, 2 both;
# MIC is the microphone's source (beepmic unless given).

plain_args() { # mode out [mic]
  local a=(ffmpeg) mic=${3:-beepmic}
  case $1 in
    0) a+=(-f pulse -i spk.monitor -filter_complex amix=inputs=1:duration=first:dropout_transition=1) ;;
    1) a+=(-f pulse -i "$mic" -filter_complex amix=inputs=1:duration=first:dropout_transition=1) ;;
    2) a+=(-f pulse -i spk.monitor -f pulse -i "$mic" -filter_complex amix=inputs=2:duration=first:dropout_transition=2) ;;
  esac
  a+=(-framerate 60.97 -f x11grab -video_size "${size%x*}x${size#*x}" -i "$DISPLAY" -vcodec libx264 -r 60.97 -b:v 1500K)
  [ "$1" -ge 0 ] && a+=(-codec:a aac -ac 2 -ar 44100)
  a+=(-pix_fmt yuv420p -tune zerolatency -preset ultrafast -force_key_frames 'expr:gte(t,n_forced)' -f mp4 "$2")
  printf '%s\0' "${a[@]}"
}

plain_record() { # seconds mode out [mic]: user and system CPU of the whole run
  local args user sys times
  mapfile -d '' args < <(plain_args "$2" "$3" "${4:-}")
  times=$(mktemp /tmp/vtr-plain.XXXXXX)
  { sleep "$1"; printf 'q\r\n'; sleep 5; } |
    /usr/bin/time -f '%U %S' -o "$times" "${args[@]}" >"$3.log" 2>&1 || true
  read -r user sys <"$times"
  [ -s "$3" ] || tail -n 5 "$3.log" | sed 's/^/plain: /' >&2
  rm -f "$times" "$3.log"
  PLAIN_CPU=$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')
}
