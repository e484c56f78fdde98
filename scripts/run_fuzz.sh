#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in a build folder of their own and
# runs each for a short while (QOR_FUZZ_SECONDS in all, 30 by default), each
# on a corpus kept in the build folder between runs. Exits non-zero when a
# target crashes, leaks, times out or trips a sanitizer; the input that did it
# is kept in the build folder's fuzz-artifacts/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

build=${QOR_FUZZ_BUILD_DIR:-build-fuzz}
seconds=${QOR_FUZZ_SECONDS:-30}
jobs=$(nproc)
# Executables, relative to the build folder.
fuzzers=(toolbox/transforms/toolbox_gzip_fuzz toolbox/files/toolbox_alias_fuzz toolbox/files/toolbox_record_fuzz
         toolbox/richtext/toolbox_tiff_patch_fuzz host/host_document_archive_fuzz)

# The compilers are named on the command line: CC and CXX are read only when
# a build folder is configured for the first time.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DQOR_WITH_FUZZ=ON -DQOR_WITH_QT=OFF -DQOR_WITH_BENCH=OFF
targets=()
for fuzzer in "${fuzzers[@]}"; do targets+=("$(basename "$fuzzer")"); done
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"
each=$((seconds / ${#fuzzers[@]}))
for fuzzer in "${fuzzers[@]}"; do
  name=$(basename "$fuzzer")
  corpus="$build/fuzz-corpus/$name"
  log="$build/fuzz-$name.log"
  mkdir -p "$corpus"
  case "$name" in
  toolbox_gzip_fuzz)
    # Seeds: gzip members as the gzip tool writes them, bare and with a name.
    printf 'key binding set\nCommand-S saves, Command-Shift-S saves as\n' >"$corpus/seed-text"
    gzip -c "$corpus/seed-text" >"$corpus/seed-named.gz"
    gzip -c -n <"$corpus/seed-text" >"$corpus/seed-bare.gz"
    ;;
  toolbox_alias_fuzz)
    # Seed: an alias record with the required fields and a file system type
    # (the layout is in docs/architecture.md).
    python3 - "$corpus/seed-record" <<'PY'
import struct, sys
def field(tag, value):
    return struct.pack("<BI", tag, len(value)) + value
fields = (field(1, b"/a/p.png") + field(2, b"/a/p.png") + field(3, b"/") + field(4, struct.pack("<Q", 2049))
          + field(5, struct.pack("<Q", 3)) + field(6, struct.pack("<qI", 1, 0)) + field(7, b"\0")
          + field(8, struct.pack("<i", 1) + b"p.png") + field(10, b"/dev/sda1") + field(11, b"ext4"))
open(sys.argv[1], "wb").write(b"QALR\x01" + struct.pack("<I", len(fields)) + fields)
PY
    ;;
  toolbox_record_fuzz)
    # Seed: a record as a document stores it, its URL in the "$url" form.
    python3 - "$corpus/seed-record.plist" <<'PY'
import plistlib, sys
record = {"filename": "/home/u/docs/pics/p.png", "relative path": "/pics/p.png",
          "url": {"$url": "file:///home/u/docs/pics/p.png"}, "file system number": 2049,
          "file system file number": 3, "alias": b"QALR\x01"}
plistlib.dump(record, open(sys.argv[1], "wb"))
PY
    ;;
  toolbox_tiff_patch_fuzz)
    # Seeds: 100 x 50 pt (800 and 400 eighths of a point), then TIFF data as
    # ImageMagick writes it, big-endian with LZW and little-endian.
    for order in MSB LSB; do
      { printf '\003\040\001\220'; /usr/bin/convert -size 5x3 xc:red -compress lzw -endian "$order" tiff:-; } \
        >"$corpus/seed-tiff-$order"
    done
    ;;
  host_document_archive_fuzz)
    cp host/core/fuzz/seeds/*.qordoc "$corpus/"
    ;;
  esac
  echo "fuzz: $name for ${each} s (output in $log)"
  if ! "$build/$fuzzer" -max_total_time="$each" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$artifacts/$name-" "$corpus" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "fuzz: $name failed; the input is in $artifacts" >&2
    exit 1
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
done
echo "fuzz: all targets ran clean"
