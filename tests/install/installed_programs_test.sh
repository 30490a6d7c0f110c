#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves the prefix elsewhere, hides
# the build and source trees (a private mount namespace, where the system allows
# one), and uses the installed programs with an empty HOME: kerrow-cli on the
# installed demo ROM, the editor's main window, and a C program built with
# nothing but `pkg-config droven` (and one with find_package(Droven)).
#   installed_programs_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$(cd "$1" && pwd) source=$(cd "$2" && pwd)
here=$source/tests/install
work=$(mktemp -d "${TMPDIR:-/tmp}/kerrow-install-XXXXXX")
trap 'rm -rf "$work"' EXIT

if ! cmake --install "$build" --prefix "$work/staged" >"$work/install.log" 2>&1; then
  cat "$work/install.log"; echo "FAIL cmake --install"; exit 1
fi
# A prefix that no longer lies where it was installed.
mv "$work/staged" "$work/prefix"
# What the build tree's own programs say, to compare with.
"$build/bin/kerrow-cli" --data "$build/bin" list "$build/bin/demo.bin" >"$work/expected-list"
"$build/bin/kerrow-cli" --data "$build/bin" export "$build/bin/demo.bin" Smoke "$work/expected-smoke.png"
cp "$here/checks.sh" "$here/inside_prefix.sh" "$here/buffer_roundtrip.c" "$work/"
mkdir -p "$work/home"

inside=(env -i PATH=/usr/bin:/bin HOME="$work/home" TMPDIR="$work" LANG=C.UTF-8
        bash "$work/inside_prefix.sh" "$work" "$build" "$source")
# Both trees behind empty tmpfs mounts, in a mount namespace of this test only.
hide='mount -t tmpfs kerrow-hidden "$0" && mount -t tmpfs kerrow-hidden "$1" && cd / && shift && exec "$@"'
cd "$work" || exit 1
for how in "unshare -m" "unshare -rm"; do
  if $how true 2>/dev/null; then
    echo "the build tree ($build) and the sources ($source) are hidden behind empty mounts"
    $how sh -c "$hide" "$build" "$source" "${inside[@]}" hidden
    exit $?
  fi
done
echo "no private mount namespace here: the trees stay visible, and the test checks"
echo "that no installed file names them instead"
"${inside[@]}" visible
