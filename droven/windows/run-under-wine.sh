#!/usr/bin/env bash
# Runs one Windows test program under Wine in a prefix and scratch directory of
# the build tree. Exit 77 (skipped) when the program or Wine cannot be started.
# The fifth argument names the DLL the program loads from its own folder.
set -uo pipefail
wine=$1 prefix=$2 scratch=$3 program=$4 dll=${5:-Droven.dll}

for built in "$program" "$(dirname "$program")/$dll"; do
  if [ ! -f "$built" ]; then
    echo "skipped: $built was not built"
    exit 77
  fi
done

export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win32
mkdir -p "$prefix"
rm -rf "$scratch" && mkdir -p "$scratch" && cd "$scratch" || exit 1

# The first start creates the prefix; a Wine that cannot start at all is a skip, not a failure.
# The skip says why, in the loader's own words.
if ! started=$("$wine" cmd /c exit 0 2>&1); then
  said=$(printf '%s\n' "$started" | grep -v '^[[:space:]]*$' | tail -n 1)
  refused=$(printf '%s\n' "$started" | grep -m 1 -iE 'exec format error|wrong ELF class|cannot execute binary')
  if [ -n "$refused" ]; then
    echo "skipped: this system cannot run 32-bit programs (${refused})"
  else
    echo "skipped: wine did not start in $prefix: ${said:-it printed nothing}"
  fi
  exit 77
fi

"$wine" "$program"
status=$?
# Let the Wine server of this prefix finish before the test ends.
"${wine%/*}/wineserver" -w >/dev/null 2>&1 || true
exit $status
