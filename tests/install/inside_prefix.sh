#!/usr/bin/env bash
# The checks of installed_programs_test.sh, run with HOME empty and the build
# tree out of reach.  inside_prefix.sh WORK BUILD SOURCE hidden|visible
set -uo pipefail
work=$1 build=$2 source=$3 trees=$4
prefix=$work/prefix
. "$work/checks.sh"
window_skipped=""

if [ "$trees" = hidden ]; then
  expect "the build tree is out of reach" test ! -e "$build/bin/kerrow"
else
  expect "no installed file names the build or source tree" \
    sh -c '! grep -rlF -e "$1" -e "$2" "$3"' sh "$build" "$source" "$prefix"
fi
expect "HOME starts empty" test -z "$(ls -A "$HOME")"

# The layout.
for file in bin/kerrow bin/kerrow-cli bin/droven lib/libDroven.so.1 include/droven/droven.h \
    lib/pkgconfig/droven.pc lib/cmake/Droven/DrovenConfig.cmake lib/kerrow/libVantor.so \
    share/kerrow/game.mdb share/kerrow/demo.mdb share/kerrow/games/second.mdb \
    share/kerrow/demo.bin share/kerrow/demo2.bin share/kerrow/catalog-schema.sql \
    share/applications/org.kerrow.Kerrow.desktop share/metainfo/org.kerrow.Kerrow.metainfo.xml \
    share/icons/hicolor/scalable/apps/org.kerrow.Kerrow.svg \
    share/icons/hicolor/48x48/apps/org.kerrow.Kerrow.png \
    share/icons/hicolor/256x256/apps/org.kerrow.Kerrow.png \
    share/man/man1/kerrow.1 share/man/man1/kerrow-cli.1 share/man/man1/droven.1; do
  expect "installed: $file" test -f "$prefix/$file"
done
expect "libDroven.so links to libDroven.so.1" test "$(readlink "$prefix/lib/libDroven.so")" = libDroven.so.1
expect "libDroven.so.1 carries its SONAME" \
  sh -c 'readelf -d "$1" | grep -q "SONAME.*\[libDroven.so.1\]"' sh "$prefix/lib/libDroven.so.1"
for program in kerrow kerrow-cli; do
  expect "$program finds the private library folder through its RUNPATH" \
    sh -c 'readelf -d "$1" | grep -q "RUNPATH.*\[\$ORIGIN/../lib/kerrow\]"' sh "$prefix/bin/$program"
done
if command -v man >/dev/null; then
  expect "the man pages format" sh -c 'for p in "$@"; do man -l "$p" >/dev/null 2>&1 || exit 1; done' \
    sh "$prefix"/share/man/man1/*.1
fi

# Versions, and the per-user data folder as the catalog folder.
user=$HOME/.local/share/kerrow
expect "droven --version" test "$("$prefix/bin/droven" --version)" = "droven 1.0.0"
for program in kerrow kerrow-cli; do
  expect "$program --version names the per-user data folder" \
    sh -c '"$1" --version | grep -qxF "Catalog folder: $2/ (the per-user data folder)"' \
    sh "$prefix/bin/$program" "$user"
done
expect "--version fills nothing" test ! -e "$user"

# kerrow-cli on the installed demo ROM fills the folder on its first run.
"$prefix/bin/kerrow-cli" list "$prefix/share/kerrow/demo.bin" >"$work/list" 2>&1
expect "kerrow-cli list on the installed demo ROM" same_files "$work/list" "$work/expected-list"
for file in game.mdb demo.mdb games/second.mdb demo.bin demo2.bin catalog-schema.sql; do
  expect "the first start copied $file" same_files "$prefix/share/kerrow/$file" "$user/$file"
done
expect "no temporary file is left in the data folder" \
  test -z "$(find "$user" -name '.*part-*')"
"$prefix/bin/kerrow-cli" export "$prefix/share/kerrow/demo.bin" Smoke "$work/smoke.png" >/dev/null 2>&1
expect "a compressed sprite decompresses through the private libVantor.so" \
  same_files "$work/smoke.png" "$work/expected-smoke.png"

# Later starts never overwrite the user's files.
printf 'edited' >>"$user/demo2.bin"
cp "$user/demo2.bin" "$work/edited-demo2.bin"
rm "$user/demo.bin"
"$prefix/bin/kerrow-cli" list "$prefix/share/kerrow/demo.bin" >/dev/null 2>&1
expect "a second start keeps an edited file" same_files "$user/demo2.bin" "$work/edited-demo2.bin"
expect "a second start does not fill a folder that holds game.mdb" test ! -e "$user/demo.bin"

# KERROW_DATA, then --data, override the per-user folder.
mkdir -p "$work/other" && cp -r "$prefix/share/kerrow/." "$work/other/"
expect "KERROW_DATA overrides the per-user folder" \
  sh -c 'KERROW_DATA="$1" "$2" --version | grep -qxF "Catalog folder: $1/ (from KERROW_DATA)"' \
  sh "$work/other" "$prefix/bin/kerrow-cli"
expect "--data overrides KERROW_DATA" \
  sh -c 'KERROW_DATA=/nowhere "$2" --data "$1" list "$1/demo.bin" | grep -q "^Game: Kerrow Demo Cart$"' \
  sh "$work/other" "$prefix/bin/kerrow-cli"
expect "kerrow --data names its folder" \
  sh -c '"$2" --data "$1" --version | grep -qxF "Catalog folder: $1/ (given with --data)"' \
  sh "$work/other" "$prefix/bin/kerrow"

# The droven tool round-trips a file.
head -c 60000 "$prefix/share/kerrow/demo.bin" >"$work/demo.head"
"$prefix/bin/droven" c -m "$work/demo.head" "$work/demo.dro" &&
  "$prefix/bin/droven" d -m "$work/demo.dro" "$work/demo.back"
expect "droven compresses and decompresses a ROM's bytes" same_files "$work/demo.head" "$work/demo.back"

# The editor opens its main window on the per-user catalog.
main_window_appears "$prefix/bin/kerrow"
case $? in
  0) ok "kerrow opens its main window" ;;
  77) window_skipped="the window check needs xvfb-run and xwininfo (x11-utils)" ;;
  *) fail "kerrow opens its main window"; cat "$work/kerrow-window.log" ;;
esac

# A C program built against the installed library with pkg-config alone.
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
expect "pkg-config finds droven 1.0.0" test "$(pkg-config --modversion droven)" = 1.0.0
expect "pkg-config points into the moved prefix" \
  sh -c 'pkg-config --cflags droven | grep -qF -- "-I$1/lib/pkgconfig/../../include"' sh "$prefix"
if cc -std=c11 -Wall -Wextra -Werror -o "$work/roundtrip" "$work/buffer_roundtrip.c" \
    $(pkg-config --cflags --libs droven) 2>"$work/cc.log"; then
  ok "a C program builds with pkg-config --cflags --libs droven"
  LD_LIBRARY_PATH=$prefix/lib "$work/roundtrip" >"$work/roundtrip.log" 2>&1
  status=$?
  sed 's/^/    /' "$work/roundtrip.log"
  expect "the C program round-trips both modes and refuses cut streams" test $status -eq 0
else
  cat "$work/cc.log"; fail "a C program builds with pkg-config --cflags --libs droven"
fi

# The same program through the CMake package.
mkdir -p "$work/cmake-user"
cat >"$work/cmake-user/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(DrovenUser C)
find_package(Droven 1 REQUIRED)
add_executable(roundtrip $work/buffer_roundtrip.c)
target_link_libraries(roundtrip PRIVATE Droven::Droven)
CMAKE
if cmake -S "$work/cmake-user" -B "$work/cmake-user/build" -DCMAKE_PREFIX_PATH="$prefix" \
    >"$work/cmake.log" 2>&1 && cmake --build "$work/cmake-user/build" >>"$work/cmake.log" 2>&1; then
  expect "find_package(Droven) gives Droven::Droven, and the program runs" \
    sh -c '"$1" >/dev/null' sh "$work/cmake-user/build/roundtrip"
else
  cat "$work/cmake.log"; fail "find_package(Droven) gives Droven::Droven"
fi

# Desktop metadata, where the validators are installed.
if command -v appstreamcli >/dev/null; then
  expect "the AppStream metadata validates" \
    appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/org.kerrow.Kerrow.metainfo.xml"
fi
if command -v desktop-file-validate >/dev/null; then
  expect "the desktop entry validates" \
    desktop-file-validate "$prefix/share/applications/org.kerrow.Kerrow.desktop"
fi

echo "$failures failure(s)"
if [ $failures -ne 0 ]; then exit 1; fi
if [ -n "$window_skipped" ]; then echo "skipped: $window_skipped"; exit 77; fi
exit 0
