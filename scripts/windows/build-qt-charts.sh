#!/usr/bin/env bash
# Builds Qt Charts for 64-bit Windows from Debian's own qt6-charts source package (the version
# of the host's qt6-charts-dev), cross-compiled with Debian's mingw-w64 compilers against the
# Windows Qt of build-qt.sh, and installs it into that Qt's folder:
#   ${RENNIK_WIN_QT:-~/.cache/rennik1/qt-6.4.2-win64}
#     bin/Qt6Charts.dll, lib/libQt6Charts.a, include/QtCharts, lib/cmake/Qt6Charts, ...
#     share/doc/rennik1/qt6-charts.version (the Debian version; written last, once installed)
# Only the library is built: no examples, tests or QML module. The source comes through
# scripts/windows/debian-source.sh. build-qt.sh and package.sh call it; once installed, a second
# run finds the module and returns at once. The first run prints its time at the end.
# When the archive does not give the source package's files, it names them (size and SHA-256)
# and the folder to put them in, and exits with 2; any other failure exits with 1.
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$(date +%s)

qt_version=6.4.2
prefix=${RENNIK_WIN_QT:-$HOME/.cache/rennik1/qt-$qt_version-win64}
work=${RENNIK_WIN_QT_CHARTS_WORK:-$HOME/.cache/rennik1/qt-charts-$qt_version-win64-build}
stamp=$prefix/share/doc/rennik1/qt6-charts.version

if [ -f "$stamp" ] && [ -f "$prefix/bin/Qt6Charts.dll" ] &&
   [ -f "$prefix/lib/cmake/Qt6Charts/Qt6ChartsConfig.cmake" ]; then
  echo "The Windows Qt Charts $(cat "$stamp") is already in $prefix"
  exit 0
fi
if [ ! -f "$prefix/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
  echo "No Windows Qt in $prefix: run scripts/windows/build-qt.sh first." >&2
  exit 1
fi

scripts/ensure-packages.sh --no-install-recommends cmake ninja-build dpkg-dev qt6-base-dev \
  qt6-charts-dev g++-mingw-w64-x86-64-posix debian-archive-keyring

# The module must be the version of the Windows Qt and of the host's Qt Charts, whose copyright
# file package.sh ships.
host_version=$(dpkg-query -W -f='${Version}' qt6-charts-dev)
case $host_version in
  "$qt_version"-*) ;;
  *) echo "The host Qt Charts is $host_version; the Windows build needs $qt_version." >&2
     exit 1 ;;
esac

. scripts/windows/debian-source.sh
src=$work/src
build=$work/build
if [ "$(cat "$src/.unpacked" 2>/dev/null)" != "qt6-charts=$host_version" ]; then
  # A source unpacked afresh is built afresh.
  rm -rf "$build"
  debian_source "qt6-charts=$host_version" "$work" || exit $?
fi
charts_src=$(find "$src" -maxdepth 1 -type d -name "qt6-charts-*" | head -n 1)
[ -n "$charts_src" ] || { echo "No unpacked qt6-charts source in $src" >&2; exit 1; }

# Qt's toolchain file of the Windows Qt finds that Qt and the host's tools (moc), then takes the
# project's mingw-w64 toolchain for the compilers; the module's DLL shares the runtime DLLs with
# the Qt DLLs, as Qt's own do. The Windows Qt has no Qt Quick, so Qt Charts' CMake leaves its QML
# module out; the examples and tests are turned off here.
cmake -S "$charts_src" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DRENNIK_MINGW_SHARED_RUNTIME=ON \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  >"$work/configure.log" 2>&1 || { tail -n 30 "$work/configure.log" >&2; exit 1; }
configured=$(date +%s)
echo "Configured in $((configured - start)) s; building with $(nproc) jobs"
nice -n 10 cmake --build "$build" --parallel "$(nproc)"
cmake --install "$build" >/dev/null
# Qt Charts' CMake ends its configuration without an error, and builds nothing, when the Qt
# lacks a module or feature it needs (Widgets, graphics view): that is a failure here.
for file in bin/Qt6Charts.dll lib/cmake/Qt6Charts/Qt6ChartsConfig.cmake; do
  [ -f "$prefix/$file" ] ||
    { echo "The build installed no $file; see $work/configure.log" >&2; exit 1; }
done
mkdir -p "$(dirname "$stamp")"
echo "$host_version" > "$stamp"
end=$(date +%s)
echo "The Windows Qt Charts $host_version is in $prefix; built in $(( (end - start) / 60 )) min $(( (end - start) % 60 )) s"
