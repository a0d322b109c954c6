#!/usr/bin/env bash
# Replays every seed corpus and then fuzzes each libFuzzer target for a bounded time.
#
#   fuzz/run_fuzzers.sh SECONDS [BUILD_DIR]
#
# Configures BUILD_DIR (default: build-fuzz in the checkout) with clang and HALVEX_FUZZ=ON,
# builds the targets, and for every folder
# corpus/NAME runs the target fuzz_NAME or NAME_fuzzer: first over the seeds alone, then
# fuzzing for SECONDS with new inputs kept in the build folder. Exits non-zero on any crash,
# sanitizer report, leak or timeout, and when a corpus has no target.
set -euo pipefail

seconds=${1:?usage: run_fuzzers.sh SECONDS [BUILD_DIR]}
[[ $seconds =~ ^[0-9]+$ ]] || { echo "run_fuzzers: SECONDS must be a whole number" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build_dir=${2:-${HALVEX_FUZZ_BUILD_DIR:-$source_dir/build-fuzz}}

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$source_dir" CCACHE_NOHASHDIR=1
fi
CXX=${CXX:-clang++} cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
  -DHALVEX_FUZZ=ON -DHALVEX_COMPONENT_ONLY=ON -DHALVEX_BENCH=OFF >/dev/null

# Listed once into a variable: grep -q on a pipe would stop ninja early, and pipefail then
# counts the broken pipe as a missing target.
known_targets=$(ninja -C "$build_dir" -t targets all 2>/dev/null || true)
targets=()
for corpus in "$here"/corpus/*/; do
  name=$(basename "$corpus")
  for candidate in "fuzz_$name" "${name}_fuzzer"; do
    if grep -q "^$candidate:" <<<"$known_targets"; then
      targets+=("$candidate:$corpus")
      continue 2
    fi
  done
  echo "run_fuzzers: no target for corpus $name" >&2
  exit 1
done

ninja -C "$build_dir" -j"${HALVEX_JOBS:-2}" "${targets[@]%%:*}"

failed=0
for entry in "${targets[@]}"; do
  target=${entry%%:*}
  corpus=${entry#*:}
  binary=$build_dir/bin/$target
  [[ -x $binary ]] || binary=$(find "$build_dir" -type f -name "$target" -perm -u+x | head -n 1)
  work=$build_dir/fuzz-work/$target
  mkdir -p "$work"
  common=(-timeout=10 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=0)
  echo "== $target: replaying $(find "$corpus" -type f | wc -l) seeds"
  if ! "$binary" "${common[@]}" -runs=0 "$corpus" >"$work/replay.log" 2>&1; then
    echo "run_fuzzers: $target failed on its seeds" >&2
    tail -n 40 "$work/replay.log" >&2
    failed=1
    continue
  fi
  echo "== $target: fuzzing for ${seconds}s"
  if ! (cd "$work" && "$binary" "${common[@]}" -max_total_time="$seconds" "$work" "$corpus" >"$work/fuzz.log" 2>&1); then
    echo "run_fuzzers: $target found a fault (artefacts in $work)" >&2
    tail -n 60 "$work/fuzz.log" >&2
    failed=1
    continue
  fi
  grep -E "^(Done|#[0-9]+ +DONE)" "$work/fuzz.log" | tail -n 1 || true
done
exit $failed
