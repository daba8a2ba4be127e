#!/usr/bin/env bash
# Builds Qt Charts for 64-bit Windows from Debian's own qt6-charts source package (the version
# of the host's qt6-charts-dev), cross-compiled with Debian's mingw-w64 compilers against the
# Windows Qt of build-qt.sh, and installs it into that Qt's folder:
#   ${RENNIK_WIN_QT:-~/.cache/rennik1/qt-6.4.2-win64}
#     bin/Qt6Charts.dll, lib/libQt6Charts.a, include/QtCharts, lib/cmake/Qt6Charts, ...
#     share/doc/rennik1/qt6-charts.version (the Debian version; written last, once installed)
# Only the library is built: no examples, tests or QML module. The source entry lives in a
# private apt configuration beside the build, so the machine's own package lists are left as
# they are. build-qt.sh and package.sh call it; once installed, a second run finds the module and
# returns at once. The first run prints its time at the end.
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

# A private apt configuration: the machine's archive with a deb-src entry, its own lists and
# cache, nothing written to /etc/apt or /var/lib/apt.
apt_dir=$work/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/etc"
uri=http://deb.debian.org/debian
suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
cat > "$apt_dir/etc/sources.list" <<LIST
deb-src [signed-by=$keyring] $uri $suite main
deb-src [signed-by=$keyring] $uri $suite-updates main
deb-src [signed-by=$keyring] http://deb.debian.org/debian-security $suite-security main
LIST
apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/etc/sources.list" -o "Dir::Etc::SourceParts=/nonexistent"
  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
  -o "Debug::NoLocking=1" -o "APT::Sandbox::User=root")

src=$work/src
build=$work/build
if [ "$(cat "$src/.unpacked" 2>/dev/null)" != "$host_version" ]; then
  echo "Fetching the source package qt6-charts $host_version"
  apt-get "${apt_opts[@]}" -q update
  mkdir -p "$src"
  rm -f "$src/.unpacked"
  # A tree unpacked before, and the build of it, are started afresh. The package's files stay:
  # apt takes a file already here when its size and SHA-256 are the archive's, and fetches it
  # otherwise. dpkg-source then checks them again against the .dsc while unpacking, and applies
  # Debian's patches.
  find "$src" -mindepth 1 -maxdepth 1 -type d -exec rm -rf {} +
  rm -rf "$build"
  if ! (cd "$src" && apt-get "${apt_opts[@]}" -q source "qt6-charts=$host_version"); then
    echo "The archive did not give every file of the source package qt6-charts $host_version." >&2
    echo "Put these files (name, size in bytes, checksum) into $src and run this again;" >&2
    echo "apt takes them only when they are the archive's, byte for byte:" >&2
    (cd "$src" && apt-get "${apt_opts[@]}" -q source --print-uris "qt6-charts=$host_version") |
      sed -n "s/^'[^']*' /  /p" >&2
    exit 2
  fi
  echo "$host_version" > "$src/.unpacked"
fi
charts_src=$(find "$src" -maxdepth 1 -type d -name "qt6-charts-*" | head -n 1)
[ -n "$charts_src" ] || { echo "No unpacked qt6-charts source in $src" >&2; exit 1; }

# The compilers of build-qt.sh. Qt's toolchain file of the Windows Qt finds that Qt and the
# host's tools (moc) and then takes this file for the compilers; the module's DLL shares the
# runtime DLLs with the Qt DLLs, as Qt's own do.
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

# The Windows Qt has no Qt Quick, so Qt Charts' CMake leaves its QML module out; the examples and
# tests are turned off here.
cmake -S "$charts_src" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$work/toolchain.cmake" \
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
