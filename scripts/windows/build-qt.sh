#!/usr/bin/env bash
# Builds Qt for 64-bit Windows from Debian's own qt6-base source package, cross-compiled with
# Debian's mingw-w64 compilers, and installs it into a cache folder outside the tree:
#   ${RENNIK_WIN_QT:-~/.cache/rennik1/qt-6.4.2-win64}
# Only what Rennik1 uses is built: Core, Gui, Widgets, Network, OpenGL and OpenGLWidgets (which
# Qt Charts needs) and the Windows platform plugin; build-qt-charts.sh then adds Qt Charts.
# The source comes through scripts/windows/debian-source.sh. Once installed, a second run finds the Qt and returns at
# once. On 2 cores the first run takes about half an hour.
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$(date +%s)

qt_version=6.4.2
prefix=${RENNIK_WIN_QT:-$HOME/.cache/rennik1/qt-$qt_version-win64}
work=${RENNIK_WIN_QT_WORK:-$HOME/.cache/rennik1/qt-$qt_version-win64-build}

if [ -f "$prefix/lib/cmake/Qt6/Qt6Config.cmake" ] && [ -f "$prefix/plugins/platforms/qwindows.dll" ]; then
  echo "The Windows Qt $qt_version is already in $prefix"
  exec scripts/windows/build-qt-charts.sh
fi

scripts/ensure-packages.sh --no-install-recommends cmake ninja-build perl dpkg-dev qt6-base-dev \
  g++-mingw-w64-x86-64-posix

# The host's Qt supplies moc, rcc and uic for the cross-build; it must be the same version.
host_version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
case $host_version in
  "$qt_version"+*) ;;
  *) echo "The host Qt is $host_version; the Windows build needs the host tools of $qt_version." >&2
     exit 1 ;;
esac

. scripts/windows/debian-source.sh
debian_source "qt6-base=$host_version" "$work"
src=$work/src
qt_src=$(find "$src" -maxdepth 1 -type d -name "qt6-base-*" | head -n 1)
[ -n "$qt_src" ] || { echo "No unpacked qt6-base source in $src" >&2; exit 1; }

cat > "$work/toolchain.cmake" <<'TOOLCHAIN'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TOOLCHAIN

# The Debian source has no tablet header, so tablet events are off. The Windows platform plugin
# of this version needs OpenGL, which stays on (loaded at run time). The libraries Rennik1 does
# not use are off, and the third-party libraries come from Qt's own copies.
build=$work/build
cmake -S "$qt_src" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_tabletevent=OFF \
  -DINPUT_opengl=dynamic \
  -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF -DFEATURE_dbus=OFF -DFEATURE_xml=OFF \
  -DFEATURE_concurrent=OFF -DFEATURE_testlib=OFF -DFEATURE_vulkan=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
  -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
  -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_md4c=OFF
configured=$(date +%s)
echo "Configured in $((configured - start)) s; building with $(nproc) jobs"
nice -n 10 cmake --build "$build" --parallel "$(nproc)"
cmake --install "$build" >/dev/null
end=$(date +%s)
echo "The Windows Qt $qt_version is in $prefix; built in $(( (end - start) / 60 )) min $(( (end - start) % 60 )) s"
exec scripts/windows/build-qt-charts.sh
