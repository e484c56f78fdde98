#!/usr/bin/env bash
# scripts/fuzz.sh MINUTES: builds the libFuzzer targets (scripts/fuzz_targets.sh)
# and runs each for MINUTES minutes, two at a time (QOR_FUZZ_JOBS), each on
# its corpus in build-fuzz/fuzz-corpus/<target> (kept and grown between runs)
# and its seeds from the tree. A failing input is kept in
# build-fuzz/fuzz-artifacts/, the output in build-fuzz/fuzz-<target>.log.
# Prints per target its executions and whether it ran clean; exits non-zero
# when any did not.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
source scripts/fuzz_targets.sh

if [[ $# -ne 1 || ! $1 =~ ^[0-9]+$ || $1 -eq 0 ]]; then
  echo "usage: scripts/fuzz.sh MINUTES" >&2
  exit 2
fi
seconds=$(($1 * 60))
jobs=${QOR_FUZZ_JOBS:-2}
fuzz_build_all

# Each target in the background, at most `jobs` at once, writing its exit
# status beside its log.
for entry in "${fuzz_targets[@]}"; do
  while [[ $(jobs -rp | wc -l) -ge $jobs ]]; do wait -n || true; done
  name=$(basename "${entry%% *}")
  echo "fuzz: $name for $1 min"
  { status=0; fuzz_run "$entry" "$seconds" || status=$?; echo "$status" >"$fuzz_build/fuzz-$name.status"; } &
done
wait
failed=0
for entry in "${fuzz_targets[@]}"; do
  name=$(basename "${entry%% *}")
  status=$(cat "$fuzz_build/fuzz-$name.status")
  [[ $status -eq 0 ]] || failed=1
  fuzz_summary "$name" "$status"
done
exit "$failed"
