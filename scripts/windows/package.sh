#!/usr/bin/env bash
# Cross-builds rennik1.exe and rennik1-carsim.exe against the Windows Qt of build-qt.sh with the
# Qt Charts of build-qt-charts.sh and the SQLite of build-sqlite.sh (a static library, linked into
# the programs) and writes
# dist/Rennik1-win64.zip: one folder "Rennik1" with the two programs, the Qt DLLs, the
# Windows platform and style plugins, Qt's Japanese texts, the compiler's runtime DLLs, a
# Japanese README.txt and the licence texts of everything shipped in the folder.
# Nothing is installed on the pit PC: the folder is the program. Builds in build/windows.
set -euo pipefail
cd "$(dirname "$0")/../.."

qt=${RENNIK_WIN_QT:-$HOME/.cache/rennik1/qt-6.4.2-win64}
if [ ! -f "$qt/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
  echo "No Windows Qt in $qt: run scripts/windows/build-qt.sh first." >&2
  exit 1
fi
scripts/ensure-packages.sh --no-install-recommends cmake ninja-build qt6-base-dev qt6-charts-dev \
  g++-mingw-w64-x86-64-posix zip qt6-translations-l10n
# Qt's translations are data, the same on every platform: Debian's files of the same Qt version.
translations_version=$(dpkg-query -W -f='${Version}' qt6-translations-l10n)
case $translations_version in
  6.4.2-*) ;;
  *) echo "qt6-translations-l10n is $translations_version; the package needs Qt 6.4.2's." >&2
     exit 1 ;;
esac

# Qt Charts for the lap chart, built once into the Windows Qt's folder. Where Debian's archive
# does not give its source (2), the package is made without it: the lap chart's window then says
# that this package has no chart, and everything else is the same.
charts=yes
scripts/windows/build-qt-charts.sh || {
  status=$?
  [ "$status" -eq 2 ] || exit "$status"
  charts=no
  echo "WARNING: the package is made without Qt Charts: its lap chart window only says so." >&2
}

# SQLite is linked into the programs (a static library): no DLL of it ships.
scripts/windows/build-sqlite.sh
sqlite=${RENNIK_WIN_SQLITE:-$HOME/.cache/rennik1/sqlite-3.40.1-win64}
# The live view's web server and QR code, both linked into the program.
scripts/windows/build-web-libs.sh
web=${RENNIK_WIN_WEB:-$HOME/.cache/rennik1/web-win64}

dir=build/windows
# Qt's toolchain file finds the Windows Qt and the host's moc and rcc, then takes ours for the
# compilers; the program shares the runtime DLLs that the Qt DLLs use.
cmake -S . -B "$dir" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DRENNIK_MINGW_SHARED_RUNTIME=ON -DRENNIK_TESTS=OFF -DCMAKE_BUILD_TYPE=Release \
  -DSQLite3_INCLUDE_DIR="$sqlite/include" -DSQLite3_LIBRARY="$sqlite/lib/libsqlite3.a" \
  -DRENNIK_HTTPLIB_INCLUDE_DIR="$web/include" -DRENNIK_QRCODEGEN_INCLUDE_DIR="$web/include" \
  -DRENNIK_QRCODEGEN_LIBRARY="$web/lib/libqrcodegencpp.a" >/dev/null
cmake --build "$dir" --parallel "$(nproc)" --target rennik1 rennik1-carsim

stage=$dir/stage/Rennik1
rm -rf "$dir/stage"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations" "$stage/licences"
cp "$dir/src/rennik1.exe" "$dir/tools/rennik1-carsim.exe" "$stage/"
modules=(Core Gui Widgets Network)
# Qt Charts draws with OpenGL where a series asks for it, so its DLL names Qt's OpenGL ones.
[ "$charts" = no ] || modules+=(OpenGL OpenGLWidgets Charts)
for module in "${modules[@]}"; do
  cp "$qt/bin/Qt6$module.dll" "$stage/"
done
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
# The program loads Qt's Japanese texts (the message boxes' buttons) from here.
cp /usr/share/qt6/translations/qtbase_ja.qm "$stage/translations/"
runtime=/usr/lib/gcc/x86_64-w64-mingw32/12-posix
cp "$runtime/libstdc++-6.dll" "$runtime/libgcc_s_seh-1.dll" /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$stage/"
find "$stage" \( -name "*.exe" -o -name "*.dll" \) -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
# Notepad on a Japanese Windows reads Shift-JIS with CR LF.
sed 's/$/\r/' scripts/windows/README.txt | iconv -f UTF-8 -t CP932 > "$stage/README.txt"

# The licences: each Debian package's copyright file as it stands, and every full licence text
# those files refer to in /usr/share/common-licenses.
version() { dpkg-query -W -f='${Version}' "$1"; }
copyrights=(
  "qt6-base /usr/share/doc/libqt6core6/copyright"
  "qt6-translations /usr/share/doc/qt6-translations-l10n/copyright"
  "gcc-runtime /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright"
  "mingw-w64 /usr/share/doc/mingw-w64-x86-64-dev/copyright"
  "sqlite3 $sqlite/share/doc/sqlite3/copyright"
  "cpp-httplib $web/share/doc/cpp-httplib/copyright"
  "qr-code-generator $web/share/doc/qr-code-generator/copyright"
)
[ "$charts" = no ] || copyrights+=("qt6-charts /usr/share/doc/libqt6charts6/copyright")
for entry in "${copyrights[@]}"; do
  read -r name file <<<"$entry"
  cp "$file" "$stage/licences/$name.txt"
  grep -o '/usr/share/common-licenses/[A-Za-z0-9.+-]*[A-Za-z0-9+]' "$file" || true
done | while read -r text; do
  # "GPL" and "LGPL" name the newest version: the file they link to.
  [ ! -f "$text" ] || readlink -f "$text"
done | sort -u | while read -r text; do
  cp "$text" "$stage/licences/$(basename "$text").txt"
done
# Qt Charts' version is the one of the source it was built from, which build-qt-charts.sh notes;
# a package without it drops its paragraph.
if [ "$charts" = no ]; then
  without_charts=(-e '/^■ Qt Charts/,/^$/d')
else
  without_charts=(-e "s/@QT_CHARTS@/$(cat "$qt/share/doc/rennik1/qt6-charts.version")/")
fi
sed "${without_charts[@]}" -e "s/@QT_BASE@/$(version qt6-base-dev)/" -e "s/@QT_TRANSLATIONS@/$translations_version/" \
  -e "s/@GCC@/$(version gcc-mingw-w64-x86-64-posix-runtime)/" -e "s/@MINGW@/$(version mingw-w64-x86-64-dev)/" \
  -e "s/@SQLITE@/$(cat "$sqlite/share/doc/sqlite3/version")/" \
  -e "s/@HTTPLIB@/$(cat "$web/share/doc/cpp-httplib/version")/" \
  -e "s/@QRCODEGEN@/$(cat "$web/share/doc/qr-code-generator/version")/" \
  -e 's/$/\r/' scripts/windows/LICENCES.txt | iconv -f UTF-8 -t CP932 > "$stage/licences/README.txt"
for text in LGPL-3 GPL-3; do
  [ -f "$stage/licences/$text.txt" ] || { echo "No $text among the licence texts" >&2; exit 1; }
done

# Every DLL a program or plugin of the folder names must be in the folder or be part of Windows:
# a system DLL (one the compiler has an import library for) or an API set ("api-ms-win-…").
missing=$(find "$stage" \( -name "*.exe" -o -name "*.dll" \) -exec x86_64-w64-mingw32-objdump -p {} + |
  sed -n 's/^\s*DLL Name: //p' | sort -u | while read -r dll; do
    base=${dll%.[dD][lL][lL]}
    [ -f "$stage/$dll" ] || [[ $base == api-ms-win-* ]] ||
      [ -n "$(find /usr/x86_64-w64-mingw32/lib -maxdepth 1 -iname "lib$base.a" | head -n 1)" ] ||
      echo "$dll"
  done)
if [ -n "$missing" ]; then
  echo "The package lacks: $missing" >&2
  exit 1
fi

mkdir -p dist
rm -f dist/Rennik1-win64.zip
(cd "$dir/stage" && zip -q -r -X "$OLDPWD/dist/Rennik1-win64.zip" Rennik1)
size_folder=$(du -sk "$stage" | cut -f1)
size_zip=$(du -k dist/Rennik1-win64.zip | cut -f1)
echo "dist/Rennik1-win64.zip: $((size_zip / 1024)).$((size_zip % 1024 * 10 / 1024)) MB" \
  "(the folder unpacked: $((size_folder / 1024)).$((size_folder % 1024 * 10 / 1024)) MB)"
