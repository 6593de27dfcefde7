#!/usr/bin/env bash
# Runs a command inside a private headless Wayland desktop: a sway compositor
# with one 1280x720 output, PipeWire, WirePlumber and the screen-cast portal
# with a back end that shares that output without asking. The command runs
# as the caller with WAYLAND_DISPLAY, XDG_RUNTIME_DIR and the session bus set;
# everything is stopped when it ends and its exit code is kept. Composes with
# headless-session.sh (which adds an X screen and sound):
#   scripts/wayland-session.sh COMMAND [ARGS...]
# VTR_WAYLAND_XWAYLAND=enable also starts XWayland, for X11 clients such as
# the fidelity scene; its display is then in VTR_XWAYLAND_DISPLAY.
# Without a GPU, Debian's portal back end refuses to start a cast; the patched
# one is built once from Debian's own source into $VTR_WAYLAND_CACHE
# (default build/wayland).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-build}
[[ $build = /* ]] || build=$root/$build
cache=${VTR_WAYLAND_CACHE:-$build/wayland}

backend=$cache/xdg-desktop-portal-wlr
if [ ! -x "$backend" ]; then
  work=$(mktemp -d /tmp/vtr-portal-src.XXXXXX)
  trap 'rm -rf "$work"' EXIT
  # From wherever the machine's packages come from; its apt configuration
  # stays untouched.
  bash "$root/scripts/lib/debian-source.sh" xdg-desktop-portal-wlr "$work" ||
    { echo "could not fetch the portal back end's source"; exit 1; }
  tar -xf "$work"/xdg-desktop-portal-wlr_*.orig.tar.* -C "$work"
  src=$(echo "$work"/xdg-desktop-portal-wlr-*/)
  patch -d "$src" -p1 -s <"$root/scripts/wayland/portal-wlr-shm-only.patch"
  meson setup "$work/build" "$src" -Dsd-bus-provider=libsystemd -Dman-pages=disabled >"$work/meson.log" 2>&1 &&
    ninja -C "$work/build" >>"$work/meson.log" 2>&1 ||
    { cat "$work/meson.log"; echo "could not build the portal back end"; exit 1; }
  mkdir -p "$cache"
  cp "$work/build/xdg-desktop-portal-wlr" "$backend.new" && mv "$backend.new" "$backend"
  rm -rf "$work"
  trap - EXIT
fi

session=$(mktemp -d /tmp/vtr-wayland.XXXXXX)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$session"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP # the services end with the session, however it ends

# sway refuses to run as root: the services then run as nobody.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  chown 65534:65534 "$session"
fi
chmod 755 "$session"
export XDG_RUNTIME_DIR=$session/run XDG_CONFIG_HOME=$session/config
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME/xdg-desktop-portal-wlr" "$session/home"
cat >"$session/sway.conf" <<CONF
output HEADLESS-1 resolution ${VTR_WAYLAND_SIZE:-1280x720}
xwayland ${VTR_WAYLAND_XWAYLAND:-disable}
default_border none
CONF
cat >"$XDG_CONFIG_HOME/xdg-desktop-portal-wlr/config" <<CONF
[screencast]
output_name=HEADLESS-1
max_fps=${VTR_WAYLAND_FPS:-60}
chooser_type=none
CONF
[ ${#as_user[@]} -eq 0 ] || chown -R 65534:65534 "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$session/home"
chmod 700 "$XDG_RUNTIME_DIR"
export HOME_FOR_SERVICES=$session/home

start() { # start LOGNAME COMMAND...
  local log=$session/$1.log; shift
  env HOME="$HOME_FOR_SERVICES" "${as_user[@]}" "$@" >"$log" 2>&1 &
  pids+=($!)
}
wait_for() { # wait_for WHAT TEST...
  local what=$1; shift
  for _ in $(seq 300); do "$@" >/dev/null 2>&1 && return 0; sleep 0.05; done
  echo "$what did not start"; cat "$session"/*.log; exit 1
}
bus_has() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}

# The session bus also lets root in: the command runs as the caller.
cat >"$session/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <include>/usr/share/dbus-1/session.conf</include>
  <policy context="default"><allow user="root"/></policy>
</busconfig>
CONF
export DBUS_SESSION_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/bus
start dbus dbus-daemon --config-file="$session/bus.conf" --address="$DBUS_SESSION_BUS_ADDRESS" --nofork --nopidfile
wait_for "The session bus" test -S "$XDG_RUNTIME_DIR/bus"

x_before=$(ls /tmp/.X11-unix 2>/dev/null || true)
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=1 \
  start sway sway --config "$session/sway.conf"
wait_for "sway" bash -c 'ls "$XDG_RUNTIME_DIR"/wayland-* | grep -v lock'
export WAYLAND_DISPLAY SWAYSOCK
WAYLAND_DISPLAY=$(basename "$(ls "$XDG_RUNTIME_DIR"/wayland-* | grep -v lock | head -1)")
wait_for "sway's socket" bash -c 'ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock'
SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock | head -1)
export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway
if [ "${VTR_WAYLAND_XWAYLAND:-disable}" = enable ]; then
  # Its socket is the one that was not there before sway started.
  new_x() { comm -13 <(echo "$x_before") <(ls /tmp/.X11-unix) | grep '^X' | head -1; }
  export x_before
  export -f new_x
  wait_for "XWayland" bash -c '[ -n "$(new_x)" ]'
  x=$(new_x)
  export VTR_XWAYLAND_DISPLAY=":${x#X}"
  # XWayland lets in only the compositor's user: the caller is let in by a
  # command that sway runs (which also starts XWayland, started on demand).
  swaymsg exec "xhost +si:localuser:$(id -un)" >/dev/null
  wait_for "XWayland's access" env DISPLAY="$VTR_XWAYLAND_DISPLAY" xdpyinfo
fi

start pipewire pipewire
wait_for "PipeWire" test -S "$XDG_RUNTIME_DIR/pipewire-0"
start wireplumber wireplumber
# Without WirePlumber a stream stays paused: wait until it manages a node.
wait_for "WirePlumber" bash -c 'pw-cli ls Client | grep -q "application.name = \"WirePlumber\""'

# Started before the portal so that D-Bus activation does not start the
# stock back end instead; a copy in the session, as the build folder may be
# closed to the services' user.
cp "$backend" "$session/xdg-desktop-portal-wlr"
start portal-wlr "$session/xdg-desktop-portal-wlr" -l INFO
wait_for "The portal back end" bus_has org.freedesktop.impl.portal.desktop.wlr
# The portal runs as the caller: it reads its callers' /proc entries.
services_user=("${as_user[@]}")
as_user=()
start portal /usr/libexec/xdg-desktop-portal
as_user=("${services_user[@]}")
wait_for "The screen-cast portal" bus_has org.freedesktop.portal.Desktop

set +e
"$@"
status=$?
set -e
exit $status
