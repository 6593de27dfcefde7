#!/usr/bin/env bash
# Runs a command inside a private headless desktop: an Xvfb screen and a
# PulseAudio server with a null sink (computer sound) and a null source
# (microphone). Both are stopped when the command ends; its exit code is kept.
#   scripts/headless-session.sh COMMAND [ARGS...]
set -euo pipefail

session=$(mktemp -d /tmp/vtr-session.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$session"
}
trap cleanup EXIT

# A display number that is free. -noreset: by default Xvfb resets whenever
# its last client leaves, and a test connecting during that reset is refused.
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 ${VTR_SCREEN:-1280x720x24} -nolisten tcp -noreset >"$session/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=":$display"
# No session bus but one this session starts itself (the Wayland session
# does): with a display set, D-Bus would launch one for the screen, shared by
# every server and test in it, and a second PulseAudio server then finds the
# name of the first one taken and exits.
export DBUS_SESSION_BUS_ADDRESS=disabled:
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start"; cat "$session/xvfb.log"; exit 1; }

export XDG_RUNTIME_DIR="$session/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cat >"$session/default.pa" <<PA
load-module module-native-protocol-unix socket=$XDG_RUNTIME_DIR/pulse-native auth-anonymous=1
load-module module-null-sink sink_name=spk sink_properties=device.description=Speakers
load-module module-null-source source_name=mic
load-module module-virtual-source source_name=vmic master=mic
set-default-sink spk
set-default-source mic
PA
pulseaudio -n -F "$session/default.pa" --daemonize=no --exit-idle-time=-1 --log-target=stderr \
  >"$session/pulse.log" 2>&1 &
pids+=($!)
export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse-native"
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || { echo "PulseAudio did not start"; cat "$session/pulse.log"; exit 1; }
# A playing client keeps the sink's monitor running, so it opens at once.
pacat --playback --latency-msec=20 -d spk </dev/zero &
pids+=($!)
# The first recording of a null sink's monitor waits about 2 s for its first
# sound (the later ones open at once), which a test or a benchmark's first run
# would pay: one short read here pays it.
timeout 5 sh -c 'parec -d spk.monitor --latency-msec=5 2>/dev/null | head -c 4096 >/dev/null' || true

set +e
"$@"
status=$?
set -e
exit $status
