#!/usr/bin/env bash
# Builds SQLite for 64-bit Windows from Debian's own sqlite3 source package (bookworm, 3.40.1),
# cross-compiled with Debian's mingw-w64 compilers, and installs the static library into a cache
# folder outside the tree:
#   ${RENNIK_WIN_SQLITE:-~/.cache/rennik1/sqlite-3.40.1-win64}
#     include/sqlite3.h, include/sqlite3ext.h, lib/libsqlite3.a, lib/pkgconfig/sqlite3.pc,
#     share/doc/sqlite3/copyright (Debian's) and share/doc/sqlite3/version (the Debian version)
# The library is linked into the programs, so no DLL ships. It is built the way debian/rules
# builds libsqlite3-0: the same configure options and the same SQLITE_* compile options, so the
# Windows program has the SQLite of the Linux one; only Debian's Linux hardening flags are left
# out. The source comes through scripts/windows/debian-source.sh. Once installed, a second run finds the library and
# returns at once. On 2 cores the first run takes about half a minute.
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$(date +%s)

sqlite_version=3.40.1
prefix=${RENNIK_WIN_SQLITE:-$HOME/.cache/rennik1/sqlite-$sqlite_version-win64}
work=${RENNIK_WIN_SQLITE_WORK:-$HOME/.cache/rennik1/sqlite-$sqlite_version-win64-build}

if [ -f "$prefix/include/sqlite3.h" ] && [ -f "$prefix/lib/libsqlite3.a" ] &&
   [ -f "$prefix/share/doc/sqlite3/copyright" ]; then
  echo "The Windows SQLite $sqlite_version is already in $prefix"
  exit 0
fi

# dpkg-dev unpacks the source; gcc builds the source generators (lemon, mkkeywordhash) that run
# here, and tclsh runs the scripts that write sqlite3.h and the generated sources.
scripts/ensure-packages.sh --no-install-recommends dpkg-dev make gcc libc6-dev tcl8.6 \
  gcc-mingw-w64-x86-64-posix debian-archive-keyring

. scripts/windows/debian-source.sh
debian_source sqlite3 "$work"
src=$work/src
sqlite_src=$(find "$src" -maxdepth 1 -type d -name "sqlite3-*" | head -n 1)
[ -n "$sqlite_src" ] || { echo "No unpacked sqlite3 source in $src" >&2; exit 1; }
debian_version=$(dpkg-parsechangelog -l "$sqlite_src/debian/changelog" -S Version)
case $debian_version in
  "$sqlite_version"-*) ;;
  *) echo "The sqlite3 source in $src is $debian_version, not $sqlite_version." >&2
     exit 1 ;;
esac
echo "Building SQLite $debian_version for Windows"

# The compile options of debian/rules (its CFLAGS), without its Linux hardening flags.
debian_cflags=$(sed -n '/^export CFLAGS += /,/^$/p' "$sqlite_src/debian/rules" |
  sed -e 's/^export CFLAGS += //' -e 's/\\$//' | tr -s ' \t\n' ' ')
case $debian_cflags in
  *-DSQLITE_THREADSAFE=1*) ;;
  *) echo "No SQLite options read from $sqlite_src/debian/rules" >&2; exit 1 ;;
esac

# Debian's configure options; the shell, Tcl and readline are not built. SQLite's configure
# takes a Windows target only from config_TARGET_EXEEXT (otherwise it builds for Unix), and the
# generators that run here have no ".exe" (BEXE=); CROSS_BUILDING=yes is what debian/rules sets
# for Debian's own cross-builds (debian/patches/30-cross.patch).
build=$work/build
rm -rf "$build" && mkdir -p "$build"
cd "$build"
config_TARGET_EXEEXT=.exe "$sqlite_src/configure" \
  --build="$(gcc -dumpmachine)" --host=x86_64-w64-mingw32 \
  CC=x86_64-w64-mingw32-gcc-posix BUILD_CC=gcc CFLAGS="$debian_cflags" \
  --prefix="$prefix" --enable-threadsafe --enable-load-extension --enable-json \
  --enable-fts4 --enable-fts5 --disable-amalgamation \
  --disable-tcl --disable-readline --disable-editline --enable-static --disable-shared \
  >configure.log 2>&1 || { tail -n 20 configure.log >&2; exit 1; }
grep -q -- '-DSQLITE_OS_WIN=1' Makefile || { echo "configure did not choose Windows" >&2; exit 1; }
configured=$(date +%s)
echo "Configured in $((configured - start)) s; building with $(nproc) jobs"
export CROSS_BUILDING=yes
# sqlite3.h first: not every object of the library names it as a prerequisite.
{ make BEXE= sqlite3.h && nice -n 10 make BEXE= -j"$(nproc)" libsqlite3.la; } >make.log 2>&1 ||
  { tail -n 20 make.log >&2; echo "The whole log: $build/make.log" >&2; exit 1; }

# Installed into a fresh folder and moved into place, so a broken run never looks installed.
stage=$prefix.partial
rm -rf "$stage"
install -d "$stage/include" "$stage/lib/pkgconfig" "$stage/share/doc/sqlite3"
install -m 0644 sqlite3.h "$sqlite_src/src/sqlite3ext.h" "$stage/include/"
install -m 0644 .libs/libsqlite3.a "$stage/lib/"
install -m 0644 sqlite3.pc "$stage/lib/pkgconfig/"
install -m 0644 "$sqlite_src/debian/copyright" "$stage/share/doc/sqlite3/copyright"
echo "$debian_version" > "$stage/share/doc/sqlite3/version"
rm -rf "$prefix"
mv "$stage" "$prefix"
end=$(date +%s)
echo "The Windows SQLite $debian_version is in $prefix; built in $(( (end - start) / 60 )) min $(( (end - start) % 60 )) s"
