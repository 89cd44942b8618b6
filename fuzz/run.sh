#!/usr/bin/env bash
# Builds the fuzz targets and runs each for SECONDS (default 60), side by side, on a copy of
# its seed corpus (fuzz/corpus/<target>/ stays as committed). Fails on any finding; the input
# that found it is left in build-fuzz/findings/.
#   fuzz/run.sh [SECONDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
out="$root/build-fuzz"
"$root/fuzz/build.sh" "$out"
mkdir -p "$out/findings"
pids=()
for target in ppm port_intake; do
  work="$out/corpus-$target"
  rm -rf "$work" && mkdir -p "$work"
  "$out/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$out/findings/$target-" \
    "$work" "$root/fuzz/corpus/$target" >"$out/$target.log" 2>&1 &
  pids+=($!)
done
status=0
for i in "${!pids[@]}"; do
  target=$([ "$i" -eq 0 ] && echo ppm || echo port_intake)
  if wait "${pids[$i]}"; then
    echo "fuzz_$target: $(grep -o 'stat::number_of_executed_units: [0-9]*' "$out/$target.log" | grep -o '[0-9]*$') runs, no finding"
  else
    status=1
    echo "fuzz_$target: FINDING" >&2
    tail -n 60 "$out/$target.log" >&2
  fi
done
exit $status
