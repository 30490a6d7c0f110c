#!/usr/bin/env bash
# scripts/package builds the .deb from this build; the package is unpacked into
# a scratch root and its programs run from there with an empty HOME; then it is
# installed into and purged from a scratch dpkg database, leaving nothing behind.
#   package_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$(cd "$1" && pwd) source=$(cd "$2" && pwd)
for tool in cpack dpkg dpkg-deb dpkg-shlibdeps; do
  if ! command -v "$tool" >/dev/null; then echo "skipped: $tool is missing"; exit 77; fi
done
work=$(mktemp -d "${TMPDIR:-/tmp}/kerrow-package-XXXXXX")
trap 'rm -rf "$work"' EXIT
# Whatever runs here gets an empty home of its own, never the user's data folder.
mkdir -p "$work/home"
export HOME=$work/home
unset XDG_DATA_HOME KERROW_DATA
. "$source/tests/install/checks.sh"

deb=$("$source/scripts/package" --no-build --build-dir "$build" --output "$work/out" 2>"$work/cpack.log" | tail -n 1)
if [ ! -f "$deb" ]; then
  cat "$work/cpack.log"; echo "FAIL scripts/package builds the .deb"; exit 1
fi
ok "scripts/package builds $(basename "$deb")"

depends=$(dpkg-deb -f "$deb" Depends)
echo "    Depends: $depends"
for library in libc6 libstdc++6 libqt6widgets6 libqt6gui6 libqt6core6 libsqlite3-0; do
  expect "the dependencies computed from the binaries name $library" \
    sh -c 'printf ", %s," "$1" | grep -qF -e ", $2 (" -e ", $2,"' sh "$depends" "$library"
done
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
for file in ./usr/bin/kerrow ./usr/bin/kerrow-cli ./usr/bin/droven ./usr/lib/libDroven.so.1 \
    ./usr/lib/kerrow/libVantor.so ./usr/share/kerrow/game.mdb ./usr/include/droven/droven.h; do
  expect "the package holds $file" grep -qxF "$file" "$work/contents"
done

# Programs run from an unpacked root, finding their data and private library there.
root=$work/root
dpkg -x "$deb" "$root"
run() { env -i PATH=/usr/bin:/bin HOME="$work/home" LANG=C.UTF-8 "$@"; }
expect "droven --version from the package" test "$(run "$root/usr/bin/droven" --version)" = "droven 1.0.0"
expect "kerrow --version from the package" \
  sh -c '"$1" --version | grep -q "^kerrow [0-9]"' sh "$root/usr/bin/kerrow"
run "$root/usr/bin/kerrow-cli" list "$root/usr/share/kerrow/demo.bin" >"$work/list" 2>&1
expect "kerrow-cli list on the packaged demo ROM" grep -qx "Game: Kerrow Demo Cart" "$work/list"
expect "its first start filled the per-user folder" \
  same_files "$root/usr/share/kerrow/game.mdb" "$work/home/.local/share/kerrow/game.mdb"
run "$root/usr/bin/kerrow-cli" export "$root/usr/share/kerrow/demo.bin" Smoke "$work/smoke.png" \
  >"$work/export.log" 2>&1
expect "a compressed sprite exports through the packaged libVantor.so" test -s "$work/smoke.png"
main_window_appears "$root/usr/bin/kerrow"
case $? in
  0) ok "kerrow from the package opens its main window" ;;
  77) echo "(window check not run: xvfb-run or xwininfo is missing)" ;;
  *) fail "kerrow from the package opens its main window" ;;
esac

# Installs and purges cleanly, in a dpkg database of its own. The maintainer
# scripts (no-ops) run outside the scratch root, which holds no shell.
db=$work/dpkg-root
mkdir -p "$db/var/lib/dpkg/info" "$db/var/lib/dpkg/updates" "$db/var/lib/dpkg/triggers"
touch "$db/var/lib/dpkg/status"
dpkg_here() { dpkg --root="$db" --log="$work/dpkg.log" --force-not-root --force-depends \
  --force-script-chrootless "$@"; }
expect "dpkg installs the package" dpkg_here -i "$deb"
expect "dpkg lists it as installed" sh -c 'dpkg --root="$1" -s kerrow | grep -qx "Status: install ok installed"' sh "$db"
expect "the installed files are in place" test -x "$db/usr/bin/kerrow"
expect "dpkg purges the package" dpkg_here --purge kerrow
expect "nothing of the package is left" test -z "$(find "$db/usr" -mindepth 1 2>/dev/null)"

echo "$failures failure(s)"
[ $failures -eq 0 ]
