#!/usr/bin/env bash
# Builds the two libraries of the live view for 64-bit Windows from Debian's own source packages,
# with Debian's mingw-w64 compilers, into a cache folder outside the tree:
#   ${RENNIK_WIN_WEB:-~/.cache/rennik1/web-win64}
#     include/httplib.h        cpp-httplib, the host's libcpp-httplib-dev version with Debian's
#                              patches (header only for Windows)
#     include/qrcodegen.hpp, lib/libqrcodegencpp.a
#                              qrcodegen's C++ library, the host's libqrcodegencpp-dev version
#     share/doc/<package>/copyright (Debian's) and version
# The sources come through scripts/windows/debian-source.sh; where the archive does not give the
# Debian part of qr-code-generator (its packaging only), its upstream tarball is taken, checked
# against the archive's index. Once installed, a second run finds them and returns at once.
set -euo pipefail
cd "$(dirname "$0")/../.."

prefix=${RENNIK_WIN_WEB:-$HOME/.cache/rennik1/web-win64}
work=${RENNIK_WIN_WEB_WORK:-$HOME/.cache/rennik1/web-win64-build}
if [ -f "$prefix/include/httplib.h" ] && [ -f "$prefix/lib/libqrcodegencpp.a" ] &&
   [ -f "$prefix/share/doc/cpp-httplib/copyright" ] && [ -f "$prefix/share/doc/qr-code-generator/copyright" ]; then
  echo "The Windows cpp-httplib and qrcodegen are already in $prefix"
  exit 0
fi
scripts/ensure-packages.sh --no-install-recommends dpkg-dev curl g++-mingw-w64-x86-64-posix \
  debian-archive-keyring libcpp-httplib-dev libqrcodegencpp-dev
. scripts/windows/debian-source.sh

# Each the version of the host's package, so both programs serve with the same library.
version() { dpkg-query -W -f='${source:Version}' "$1"; }
httplib_version=$(version libcpp-httplib-dev)
qrcodegen_version=$(version libqrcodegencpp-dev)
debian_source "cpp-httplib=$httplib_version" "$work/cpp-httplib"
debian_source "qr-code-generator=$qrcodegen_version" "$work/qr-code-generator" ||
  debian_upstream "qr-code-generator=$qrcodegen_version" "$work/qr-code-generator"
httplib_src=$(find "$work/cpp-httplib/src" -mindepth 1 -maxdepth 1 -type d | head -n 1)
qrcodegen_src=$(find "$work/qr-code-generator/src" -mindepth 1 -maxdepth 1 -type d | head -n 1)
[ -f "$httplib_src/httplib.h" ] && [ -f "$qrcodegen_src/cpp/qrcodegen.cpp" ] ||
  { echo "No unpacked source in $work" >&2; exit 1; }

mkdir -p "$prefix/include" "$prefix/lib"
# cpp-httplib is one header; Debian builds it as a library for Linux, the Windows program takes
# the header as it stands.
cp "$httplib_src/httplib.h" "$prefix/include/"
x86_64-w64-mingw32-g++-posix -std=c++17 -O2 -c "$qrcodegen_src/cpp/qrcodegen.cpp" -o "$work/qrcodegen.o"
rm -f "$prefix/lib/libqrcodegencpp.a"
x86_64-w64-mingw32-ar rcs "$prefix/lib/libqrcodegencpp.a" "$work/qrcodegen.o"
cp "$qrcodegen_src/cpp/qrcodegen.hpp" "$prefix/include/"
# Debian's copyright files, as the host's packages carry them.
for entry in "cpp-httplib libcpp-httplib-dev $httplib_version" "qr-code-generator libqrcodegencpp-dev $qrcodegen_version"; do
  read -r name package version <<<"$entry"
  mkdir -p "$prefix/share/doc/$name"
  echo "$version" >"$prefix/share/doc/$name/version"
  cp "/usr/share/doc/$package/copyright" "$prefix/share/doc/$name/copyright"
done
echo "The Windows cpp-httplib $httplib_version and qrcodegen $qrcodegen_version are in $prefix"
