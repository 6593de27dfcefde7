#!/usr/bin/env bash
# Installs the Debian 12 packages that are missing. Needs root or sudo.
#   deps.sh           what building and running the program needs
#   deps.sh --tests   also what the headless test suite needs (the package
#                     checks included)
#   deps.sh --package also what building and checking the .deb needs
#   deps.sh --bench   what --tests installs, and the peer the benchmarks
#                     measure beside ours
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev libgtest-dev googletest libpulse-dev libx11-dev
  # The screen grab (shared memory, the pointer, what changed, the pointer's
  # motion) and its conversion.
  libxcb1-dev libxcb-shm0-dev libxcb-xfixes0-dev libxcb-randr0-dev libxcb-damage0-dev libxcb-xinput-dev libyuv-dev
  ffmpeg mplayer fonts-crosextra-carlito xdg-utils
  # Reading a Wayland desktop's screen cast: in this process, and through
  # GStreamer where that fails (the package recommends it).
  libpipewire-0.3-dev
  gstreamer1.0-tools gstreamer1.0-pipewire gstreamer1.0-plugins-base
  # Chinese and Japanese glyphs for those languages' texts.
  fonts-wqy-microhei
)
if [ "${1:-}" = --tests ] || [ "${1:-}" = --package ] || [ "${1:-}" = --bench ]; then
  # The .deb: dpkg-shlibdeps, and the checks of the package, its menu entry
  # and its AppStream file.
  packages+=(dpkg-dev file lintian desktop-file-utils appstream)
fi
if [ "${1:-}" = --bench ]; then
  packages+=(simplescreenrecorder)
fi
if [ "${1:-}" = --tests ] || [ "${1:-}" = --bench ]; then
  packages+=(
    # Scoring a recording of text against what the screen showed.
    python3
    # A private screen and sound server (a desktop brings its own).
    xvfb x11-utils x11-xserver-utils xdotool pulseaudio pulseaudio-utils
    # A private Wayland desktop with the screen-cast portal, a window for it
    # to show, and what building the portal's back end from source needs.
    sway foot xwayland fonts-dejavu-core pipewire pipewire-bin wireplumber dbus-daemon
    xdg-desktop-portal xdg-desktop-portal-wlr gstreamer1.0-plugins-good
    meson patch xz-utils libdrm-dev libinih-dev libgbm-dev libpipewire-0.3-dev libwayland-dev
    wayland-protocols libsystemd-dev
    # A system tray host under that screen (it owns _NET_SYSTEM_TRAY_S0).
    trayer
    # The Windows suite: mingw-w64 with posix threads (not the
    # g++-mingw-w64-x86-64 metapackage, which brings the win32-threads
    # variant) and Wine to run it.
    g++-mingw-w64-x86-64-posix wine
    # The fuzz targets: clang with libFuzzer and its sanitizer runtimes.
    clang libclang-rt-14-dev
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
