# shellcheck shell=bash
# The plain ffmpeg line the benchmarks measure beside ours: the encoder's own
# screen grab (x11grab at the written rate) with the sound inputs and video
# options of our recordings, as the recording run falls back to where it
# cannot grab the screen itself; so the two differ only in the grab and the
# conversion. $build is the build folder that holds bench/record_bench, which
# prints the line.
#   source bench/plain.sh
#   plain_args MODE OUT.mp4 [MIC]     prints the line, each argument ended by a zero byte
#   plain_record SECONDS MODE OUT.mp4 [MIC]   records; sets PLAIN_CPU (seconds) and PLAIN_MB (peak memory)
# MODE: -2 no sound, 0 computer sound (spk.monitor), 1 microphone, 2 both;
# MIC is the microphone's source (beepmic unless given).

plain_args() { # mode out [mic]
  "$build/bench/record_bench" --args "$1" "$2" "${3:-beepmic}"
}

plain_record() { # seconds mode out [mic]: user and system CPU of the whole run, and its peak memory
  local args user sys kb times
  mapfile -d '' args < <(plain_args "$2" "$3" "${4:-}")
  times=$(mktemp /tmp/vtr-plain.XXXXXX)
  { sleep "$1"; printf 'q\r\n'; sleep 5; } |
    /usr/bin/time -f '%U %S %M' -o "$times" "${args[@]}" >"$3.log" 2>&1 || true
  read -r user sys kb <"$times"
  [ -s "$3" ] || tail -n 5 "$3.log" | sed 's/^/plain: /' >&2
  rm -f "$times" "$3.log"
  PLAIN_CPU=$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')
  PLAIN_MB=$((kb / 1024))
}
