#!/usr/bin/env bash
# Cross-builds the Qt-free libraries and their tests for Windows (mingw-w64)
# into build-win/ (or $WIN_BUILD_DIR) and runs that suite under Wine, headless,
# in a private Wine prefix that is made on first use. Extra arguments go to
# ctest. Exits non-zero when the build or any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${WIN_BUILD_DIR:-build-win}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DVTR_WITH_QT=OFF
cmake --build "$build" --parallel "$(nproc)"

# Wine headless: no display, no Mono or Gecko prompts, no debug chatter. The
# prefix is ours alone, so the user's own Wine setup is never touched.
export WINEPREFIX="$PWD/$build/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY
# No sound server may answer: the device tests expect a machine without one.
export PULSE_SERVER="unix:$WINEPREFIX/no-sound-server"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  start=$(date +%s%N)
  wine wineboot --init </dev/null >/dev/null 2>&1
  wineserver -w
  echo "Wine prefix made in $(( ($(date +%s%N) - start) / 1000000 )) ms"
fi
# Windows without a display: Wine's null graphics driver still makes windows
# (hidden from any screen), which the tests of raising a window need.
if ! grep -q '"Graphics"="null"' "$WINEPREFIX/user.reg" 2>/dev/null; then
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
  wineserver -w
fi

# One server for the whole suite; without it each test pays for a start.
wineserver -p 2>/dev/null || true # one may be up already
trap 'wineserver -k 2>/dev/null || true' EXIT
# Wine's own services start with the first program and would inherit its
# standard handles: let them inherit /dev/null rather than ctest's pipes,
# which ctest would otherwise wait on after every test.
wine "$build/tests/bin/fault_child.exe" exit-now </dev/null >/dev/null 2>&1 || true

status=0
# Now and then a test program dies under Wine before it prints anything, or
# hangs at its start, and passes when run again: a failed test runs once more.
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" -LE sound --repeat until-pass:2 "$@" || status=$?
bash scripts/lib/skip-reasons.sh "$build"

# DirectShow discovery with a sound server: a private PulseAudio whose capture
# devices are named as on a Windows machine with a sound card.
session=$(mktemp -d /tmp/vtr-wine-sound.XXXXXX)
cat >"$session/server.pa" <<PA
load-module module-native-protocol-unix socket=$session/native auth-anonymous=1
load-module module-null-source source_name=mix description="Stereo Mix (Realtek Audio)"
load-module module-null-source source_name=mic description="Microphone (USB 录音)"
PA
# Off any session bus: on a desktop the user's own server holds its name there.
PULSE_RUNTIME_PATH="$session" PULSE_STATE_PATH="$session" XDG_RUNTIME_DIR="$session" DBUS_SESSION_BUS_ADDRESS=disabled: \
  pulseaudio -n -F "$session/server.pa" --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
  --log-target=stderr >"$session/pulse.log" 2>&1 &
pulse=$!
trap 'kill $pulse 2>/dev/null; wait $pulse 2>/dev/null; rm -rf "$session"; wineserver -k 2>/dev/null || true' EXIT
export PULSE_SERVER="unix:$session/native"
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
ctest --test-dir "$build" --output-on-failure -L sound "$@" || status=$?
bash scripts/lib/skip-reasons.sh "$build"
exit $status
