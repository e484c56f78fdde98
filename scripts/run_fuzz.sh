#!/usr/bin/env bash
# Builds the libFuzzer targets (scripts/fuzz_targets.sh) with clang in a
# build folder of their own and runs each for a short while, QOR_FUZZ_SECONDS
# in all (88 by default, 8 s each), on its corpus kept in the build folder
# between runs and its seeds from the tree. Exits non-zero when a target
# crashes, leaks, times out or trips a sanitizer; the input that did it is
# kept in the build folder's fuzz-artifacts/. scripts/fuzz.sh runs them longer.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
source scripts/fuzz_targets.sh

seconds=${QOR_FUZZ_SECONDS:-88}
fuzz_build_all
each=$((seconds / ${#fuzz_targets[@]}))
each=$((each > 0 ? each : 1))
for entry in "${fuzz_targets[@]}"; do
  name=$(basename "${entry%% *}")
  echo "fuzz: $name for ${each} s"
  status=0
  fuzz_run "$entry" "$each" || status=$?
  if [[ $status -ne 0 ]]; then
    tail -n 60 "$fuzz_build/fuzz-$name.log" >&2
    fuzz_summary "$name" "$status" >&2
    exit 1
  fi
  fuzz_summary "$name" 0
done
echo "fuzz: all targets ran clean"
