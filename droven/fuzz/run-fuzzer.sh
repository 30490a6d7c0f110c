#!/usr/bin/env bash
# One bounded libFuzzer run: fuzzer, committed seeds, work directory, seconds.
# Exit 77 (skipped) when the fuzzer was not built (no clang or libFuzzer).
set -uo pipefail
fuzzer=$1 seeds=$2 work=$3 seconds=$4

if [ ! -x "$fuzzer" ]; then
  echo "skipped: $fuzzer was not built (clang with libFuzzer is needed)"
  exit 77
fi

# A fresh corpus each run starts from the seeds; what a run finds is kept in
# the work directory, outside the source tree.
rm -rf "$work" && mkdir -p "$work/corpus" "$work/artifacts"
if [ -d "$seeds" ]; then cp "$seeds"/* "$work/corpus/" 2>/dev/null; fi

"$fuzzer" "$work/corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=4200 -print_final_stats=1 -artifact_prefix="$work/artifacts/"
status=$?
if [ $status -ne 0 ]; then
  echo "the fuzzer found a failing input; see $work/artifacts/"
  ls -l "$work/artifacts/"
fi
exit $status
