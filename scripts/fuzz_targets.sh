# The libFuzzer targets and how to build them, for scripts/run_fuzz.sh and
# scripts/fuzz.sh (sourced, not run). Each line: the executable relative to
# the build folder, then its seed folder relative to the source tree.
fuzz_targets=(
  "foundation/foundation_plist_fuzz foundation/fuzz/seeds/plist"
  "toolbox/transforms/toolbox_gzip_fuzz toolbox/transforms/fuzz/seeds/gzip"
  "toolbox/files/toolbox_alias_fuzz toolbox/files/fuzz/seeds/alias"
  "toolbox/files/toolbox_record_fuzz toolbox/files/fuzz/seeds/record"
  "toolbox/files/toolbox_relative_path_fuzz toolbox/files/fuzz/seeds/relative_path"
  "toolbox/formatting/toolbox_duration_fuzz toolbox/formatting/fuzz/seeds/duration"
  "toolbox/formatting/toolbox_number_format_fuzz toolbox/formatting/fuzz/seeds/number_format"
  "toolbox/richtext/toolbox_tiff_patch_fuzz toolbox/richtext/fuzz/seeds/tiff_patch"
  "apps/editor/documents/editor_document_archive_fuzz apps/editor/documents/fuzz/seeds/document_archive"
  "apps/keybindings/keybindings_key_text_fuzz apps/keybindings/fuzz/seeds/key_text"
  "apps/keybindings/keybindings_set_import_fuzz apps/keybindings/fuzz/seeds/set_import"
  "pane/keymaps/pane_keymaps_vscode_fuzz pane/keymaps/tests/samples/vscode"
  "pane/keymaps/pane_keymaps_jetbrains_fuzz pane/keymaps/tests/samples/jetbrains"
  "pane/keymaps/pane_keymaps_kde_fuzz pane/keymaps/tests/samples/kde"
  "pane/keymaps/pane_keymaps_qtcreator_fuzz pane/keymaps/tests/samples/qtcreator"
  "pane/keymaps/pane_keymaps_sublime_fuzz pane/keymaps/tests/samples/sublime"
)

fuzz_build=${QOR_FUZZ_BUILD_DIR:-build-fuzz}
fuzz_artifacts="$fuzz_build/fuzz-artifacts"

# Configures the fuzz build folder with clang and builds every target. The
# compilers are named on the command line: CC and CXX are read only when a
# build folder is configured for the first time.
fuzz_build_all() {
  cmake -S . -B "$fuzz_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DQOR_WITH_FUZZ=ON -DQOR_WITH_QT=OFF -DQOR_WITH_BENCH=OFF
  local targets=() entry
  for entry in "${fuzz_targets[@]}"; do targets+=("$(basename "${entry%% *}")"); done
  cmake --build "$fuzz_build" -j "$(nproc)" --target "${targets[@]}"
  mkdir -p "$fuzz_artifacts"
}

# Runs one target for $2 seconds on its corpus in the build folder (kept
# between runs), read together with its seeds; its output goes to
# <build>/fuzz-<name>.log and an input that fails it to the artifacts folder.
# Result: the target's exit status.
fuzz_run() {
  local entry=$1 seconds=$2
  local executable=${entry%% *} seeds=${entry#* }
  local name
  name=$(basename "$executable")
  local corpus="$fuzz_build/fuzz-corpus/$name"
  mkdir -p "$corpus"
  "$fuzz_build/$executable" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$fuzz_artifacts/$name-" "$corpus" "$seeds" >"$fuzz_build/fuzz-$name.log" 2>&1
}

# "<name>: <executions> executions, <clean|FAILED>" from a target's log.
fuzz_summary() {
  local name=$1 status=$2
  local executions
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$fuzz_build/fuzz-$name.log" | tail -n 1)
  if [[ $status -eq 0 ]]; then
    echo "$name: ${executions:-?} executions, clean"
  else
    echo "$name: ${executions:-?} executions, FAILED (see $fuzz_build/fuzz-$name.log and $fuzz_artifacts)"
  fi
}
