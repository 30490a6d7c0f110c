# Shared by the install and package tests: small assertions that count failures.
failures=0
ok() { echo "ok   $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
# expect "what" command...: passes when the command succeeds.
expect() {
  local what=$1; shift
  if "$@"; then ok "$what"; else fail "$what"; fi
}
same_files() { cmp -s "$1" "$2"; }

# Runs the installed kerrow under Xvfb and waits up to 20 s for its main window
# ("Tavrel"); the catalog must have opened for it to appear. Returns 0 when it
# did, 1 when it did not, 77 when Xvfb or xwininfo is missing.
main_window_appears() {
  local kerrow=$1
  if ! command -v xvfb-run >/dev/null || ! command -v xwininfo >/dev/null; then return 77; fi
  env -u QT_QPA_PLATFORM xvfb-run -a sh -c '
    "$1" >"$2" 2>&1 & pid=$!
    found=1
    for i in $(seq 1 100); do
      if xwininfo -root -tree 2>/dev/null | grep -q "\"Tavrel\": ("; then found=0; break; fi
      kill -0 $pid 2>/dev/null || break
      sleep 0.2
    done
    kill $pid 2>/dev/null; wait $pid 2>/dev/null
    exit $found' sh "$kerrow" "${TMPDIR:-/tmp}/kerrow-window.log"
}
