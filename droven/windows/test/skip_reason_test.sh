#!/usr/bin/env bash
# The Windows tests skip with the reason the loader gives. A stand-in "wine"
# runs a program of no format this system knows, as a 64-bit-only system
# meets Wine's 32-bit loader; the skip must say so, and a Wine failing for
# another reason must be quoted as it is.
set -uo pipefail
runner=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# An ELF header of an unknown class: the kernel refuses to run it.
printf '\177ELF\003\001\001\000\000\000\000\000\000\000\000\000' > "$work/loader"
chmod +x "$work/loader"
printf '#!/bin/bash\nexec "%s" "$@"\n' "$work/loader" > "$work/wine"
printf '#!/bin/bash\necho "wine: could not load kernel32.dll, status c0000135" >&2\nexit 1\n' \
  > "$work/broken-wine"
chmod +x "$work/wine" "$work/broken-wine"
touch "$work/program.exe" "$work/Droven.dll"

failed=0
check() {  # wine, expected exit status, expected text
  output=$("$runner" "$1" "$work/prefix" "$work/scratch" "$work/program.exe")
  status=$?
  if [ "$status" != "$2" ] || [[ "$output" != *"$3"* ]]; then
    echo "FAILED with $1: status $status, output: $output (wanted $2 and \"$3\")"
    failed=1
  else
    echo "ok: $output"
  fi
}
check "$work/wine" 77 "skipped: this system cannot run 32-bit programs ("
check "$work/wine" 77 "Exec format error)"
check "$work/broken-wine" 77 "wine: could not load kernel32.dll, status c0000135"
exit $failed
