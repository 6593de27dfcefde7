#!/usr/bin/env bash
# Builds the parts of Qt the program uses (Core, Gui, Widgets, Network and the
# Windows platform plugin) for 64-bit Windows with the mingw-w64 compilers of
# cmake/mingw-w64-x86_64-shared.cmake, from Debian's own qt6-base source of
# the host's Qt version, so that the host's moc, rcc and uic serve the cross
# build. It installs into $VTR_QT_MINGW (default
# ~/.cache/vantreel-qt-mingw-<version>) and is reused while that folder holds
# its stamp. About an hour on two cores shared with other builds; it runs at the
# lowest priority, so other builds on the machine go first.
#   bash scripts/build-qt-mingw.sh           (prints the folder when done)
#   bash scripts/build-qt-mingw.sh --where   (prints it and succeeds only when
#                                             it is complete; builds nothing)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(dpkg-query -W -f '${Version}' qt6-base-dev 2>/dev/null || true)
[ -n "$version" ] || { echo "the host Qt (qt6-base-dev) is missing: bash scripts/deps.sh" >&2; exit 1; }
upstream=${version%%+*}
upstream=${upstream%%-*}
prefix=${VTR_QT_MINGW:-$HOME/.cache/vantreel-qt-mingw-$upstream}
stamp=$prefix/vantreel-qt.stamp
if [ -f "$stamp" ]; then echo "$prefix"; exit 0; fi
if [ "${1:-}" = --where ]; then echo "$prefix"; exit 1; fi

need=()
for p in g++-mingw-w64-x86-64-posix qt6-base-dev-tools cmake ninja-build dpkg-dev xz-utils; do
  dpkg-query -W -f '${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  sudo=(); [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get install -y --no-install-recommends "${need[@]}"
fi

work=${VTR_QT_MINGW_WORK:-$HOME/.cache/vantreel-qt-mingw-work}
mkdir -p "$work"
src=$work/qt6-base-$upstream
if [ ! -f "$src/.unpacked" ]; then
  rm -rf "$src" "$work/download"
  bash "$root/scripts/lib/debian-source.sh" "qt6-base=$version" "$work/download"
  # Debian's patches too: the same fixes as the host's Qt.
  dpkg-source -x "$work"/download/qt6-base_*.dsc "$src" >"$work/unpack.log" 2>&1 ||
    { cat "$work/unpack.log" >&2; exit 1; }
  touch "$src/.unpacked"
fi

# Debian's source lacks src/3rdparty/wintab, which tablet input needs. It
# also lacks iaccessible2, which this Qt version no longer uses: Windows
# accessibility goes through UI Automation, whose headers mingw-w64 has, so
# the window's accessible names still reach screen readers.
build=$work/build
rm -rf "$build"
mkdir -p "$build"
cd "$build"
nice -n 19 "$src/configure" -prefix "$prefix" -xplatform win32-g++ \
  -qt-host-path /usr -release -shared \
  -nomake examples -nomake tests -no-opengl -no-dbus -no-openssl -no-icu -no-zstd \
  -qt-zlib -qt-pcre -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -qt-doubleconversion \
  -no-feature-tabletevent -no-feature-sql -no-feature-printsupport -no-feature-concurrent \
  -no-feature-xml -no-feature-testlib -no-feature-vulkan \
  -- -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64-shared.cmake" \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
  >"$work/configure.log" 2>&1 || { tail -40 "$work/configure.log"; echo "Qt's configure failed: $work/configure.log" >&2; exit 1; }
start=$SECONDS
nice -n 19 cmake --build . --parallel "${BUILD_JOBS:-$(nproc)}" >"$work/build.log" 2>&1 ||
  { grep -m5 -A5 'error' "$work/build.log" || tail -30 "$work/build.log"; echo "Qt's build failed: $work/build.log" >&2; exit 1; }
nice -n 19 cmake --install . >"$work/install.log" 2>&1
echo "built in $((SECONDS - start)) s" >"$stamp"
rm -rf "$build"
echo "$prefix"
