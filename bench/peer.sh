# shellcheck shell=bash
# SimpleScreenRecorder, the peer the benchmarks measure beside ours, driven
# through its stdin commands. It keeps its own defaults for the picture
# (H.264 by libx264, CRF 23, preset superfast) and is set to MP4, AAC from the
# PulseAudio source spk.monitor when sound is recorded, the whole screen at
# 60 fps with the cursor. It runs hidden inside the current X and PulseAudio
# session, with a private HOME and settings file, so no user's settings are
# read or touched. Its CPU is counted from just before its recording starts
# until the file is saved (its process and any children), not its start-up.
#   source bench/peer.sh
#   peer_run SECONDS MODE OUT.mp4   records; sets PEER_CPU (seconds) and PEER_MB (peak memory)
# or, to start it idle before a scene and record afterwards:
#   peer_start MODE OUT.mp4 && peer_record SECONDS
# MODE: -2 no sound, 0 computer sound (the peer records one source only).
# Each returns non-zero, with the reason and the tail of its log on stderr,
# when the peer did not start, did not record or left no playable file.

PEER_DIR='' PEER_PID='' PEER_FD='' PEER_OUT='' PEER_CPU='' PEER_MB=''

peer_fail() { # message
  echo "peer: $1" >&2
  [ -f "$PEER_DIR/log" ] && tail -n 8 "$PEER_DIR/log" | sed 's/^/peer log: /' >&2
  if [ -n "$PEER_PID" ] && kill -0 "$PEER_PID" 2>/dev/null; then
    kill "$PEER_PID" 2>/dev/null || true
    wait "$PEER_PID" 2>/dev/null || true
  fi
  [ -n "$PEER_FD" ] && exec {PEER_FD}>&-
  [ -n "$PEER_DIR" ] && rm -rf "$PEER_DIR"
  PEER_DIR='' PEER_PID='' PEER_FD=''
  return 1
}

# User and system CPU clock ticks of a process, its waited-for children and
# its live descendants.
peer_ticks() { # pid
  local stat fields total=0 child
  if stat=$(cat "/proc/$1/stat" 2>/dev/null); then
    read -r -a fields <<<"${stat##*) }"
    total=$((fields[11] + fields[12] + fields[13] + fields[14]))
  fi
  for child in $(ps -o pid= --ppid "$1" 2>/dev/null); do
    total=$((total + $(peer_ticks "$child")))
  done
  echo "$total"
}

peer_send() { # command; a subshell, so that a peer gone cannot end the caller by SIGPIPE
  (
    trap '' PIPE
    printf '%s\n' "$1" >&"$PEER_FD"
  ) 2>/dev/null
}

peer_wait_log() { # pattern seconds: waits for a log line while the peer runs
  local deadline=$((SECONDS + $2))
  until grep -q -- "$1" "$PEER_DIR/log" 2>/dev/null; do
    kill -0 "$PEER_PID" 2>/dev/null || return 1
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.05
  done
}

peer_stat() { # key: a value of its statistics file, empty when there is none
  awk -F '\t' -v k="$1" '$1 == k { print $2 }' "$PEER_DIR/stats" 2>/dev/null
}

peer_start() { # mode out
  local audio
  case $1 in
    -2) audio=false ;;
    0) audio=true ;;
    *) echo "peer: sound mode $1 is not supported (one PulseAudio source only)" >&2; return 1 ;;
  esac
  command -v simplescreenrecorder >/dev/null || { echo "peer: simplescreenrecorder is not installed (bash scripts/deps.sh --bench installs it)" >&2; return 1; }
  PEER_DIR=$(mktemp -d /tmp/vtr-peer.XXXXXX)
  PEER_OUT=$(realpath -m "$2")
  rm -f "$PEER_OUT"
  mkdir -p "$PEER_DIR/home"
  # Its defaults as written by a first run, with the choices above; the
  # picture's codec options are its defaults, written out to be sure of them
  # (preset 1 is superfast).
  cat >"$PEER_DIR/settings.conf" <<CONF
[input]
audio_backend=pulseaudio
audio_enabled=$audio
audio_pulseaudio_source=spk.monitor
video_area=screen
video_area_screen=0
video_frame_rate=60
video_record_cursor=true
video_scale=false

[output]
add_timestamp=false
container=mp4
file=$PEER_OUT
separate_files=false
video_codec=h264
video_h264_crf=23
video_h264_preset=1
video_allow_frame_skipping=true
audio_codec=aac
audio_kbit_rate=128

[welcome]
skip_page=true
CONF
  mkfifo "$PEER_DIR/in"
  HOME="$PEER_DIR/home" XDG_CONFIG_HOME="$PEER_DIR/home/.config" XDG_DATA_HOME="$PEER_DIR/home/.local/share" \
    XDG_CACHE_HOME="$PEER_DIR/home/.cache" QT_QPA_PLATFORM=xcb \
    simplescreenrecorder --start-hidden --no-systray --no-redirect-stderr \
    --settingsfile="$PEER_DIR/settings.conf" --statsfile="$PEER_DIR/stats" \
    <"$PEER_DIR/in" >"$PEER_DIR/log" 2>&1 &
  PEER_PID=$!
  exec {PEER_FD}>"$PEER_DIR/in"
  # Its sources are listed while its window is made, just before it waits
  # for commands.
  peer_wait_log 'SourceNamesCallback\|GetSourceList' 30 || { peer_fail "did not start"; return 1; }
  sleep 0.3
}

peer_record() { # seconds: records, saves, quits; sets PEER_CPU
  local before after started deadline
  PEER_CPU=
  before=$(peer_ticks "$PEER_PID")
  peer_send record-start
  peer_wait_log 'Started input\.' 20 || { peer_fail "did not start recording"; return 1; }
  started=$(date +%s.%N)
  # Its statistics file shows the recorded time once frames are encoded.
  deadline=$((SECONDS + 10))
  until [ "$(peer_stat recording)" = 1 ] && [ "$(peer_stat total_time)" -gt 0 ] 2>/dev/null; do
    kill -0 "$PEER_PID" 2>/dev/null && [ $SECONDS -lt $deadline ] || { peer_fail "does not record"; return 1; }
    sleep 0.05
  done
  sleep "$(awk -v s="$1" -v a="$started" -v n="$(date +%s.%N)" 'BEGIN { r = s - (n - a); print (r > 0 ? r : 0) }')"
  [ "$(peer_stat total_time)" -gt 0 ] 2>/dev/null || { peer_fail "stopped recording"; return 1; }
  peer_send record-save
  peer_wait_log 'StopPage\] Stopped page\.' 120 || { peer_fail "did not save"; return 1; }
  after=$(peer_ticks "$PEER_PID")
  PEER_MB=$(awk '/^VmHWM:/ { print int($2 / 1024) }' "/proc/$PEER_PID/status" 2>/dev/null || true)
  peer_send quit
  deadline=$((SECONDS + 30))
  while kill -0 "$PEER_PID" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.05; done
  kill -0 "$PEER_PID" 2>/dev/null && { peer_fail "did not quit"; return 1; }
  wait "$PEER_PID" 2>/dev/null || true
  PEER_PID=
  [ -s "$PEER_OUT" ] && [ -n "$(ffprobe -v error -select_streams v -show_entries stream=codec_name -of csv=p=0 "$PEER_OUT")" ] ||
    { peer_fail "left no playable file at $PEER_OUT"; return 1; }
  PEER_CPU=$(awk -v t=$((after - before)) -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.2f", t / hz }')
  exec {PEER_FD}>&-
  rm -rf "$PEER_DIR"
  PEER_DIR='' PEER_FD=''
}

peer_run() { # seconds mode out
  peer_start "$2" "$3" && peer_record "$1"
}
