#!/usr/bin/env bash
# Builds the fuzz tree (clang, libFuzzer, ASan and UBSan over the engine and the harnesses) in
# build-fuzz/ and runs every target, one after the other, from a scratch copy of its seeds in
# fuzz/corpus/<name>, so the repository is never written. Prints the coverage each one reached.
# Usage: fuzz/run_all.sh [SECONDS] [TARGET...]   (default 300 s each, every fuzz/fuzz_*.cpp)
# Exits non-zero when a target reports a finding; its reproducer stays in the scratch folder.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-300}
shift || true
targets=("$@")
if ((${#targets[@]} == 0)); then
  for source in fuzz/fuzz_*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

build_dir=${KESTRUM_FUZZ_BUILD_DIR:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKESTRUM_FUZZ=ON >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target "${targets[@]}"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kestrum-fuzz.XXXXXX")
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=0
summary=()
for target in "${targets[@]}"; do
  corpus=$scratch/$target/corpus
  mkdir -p "$corpus"
  seeds=fuzz/corpus/${target#fuzz_}
  [ -d "$seeds" ] && cp -R "$seeds/." "$corpus/"
  log=$scratch/$target/log
  echo "== $target: ${seconds} s"
  status=0
  "$build_dir/fuzz/$target" -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
    -artifact_prefix="$scratch/$target/" "$corpus" >"$log" 2>&1 || status=$?
  # libFuzzer's last status line carries the edges (cov) and features (ft) reached.
  last=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1 || true)
  cov=$(sed -nE 's/.* cov: ([0-9]+).*/\1/p' <<<"$last")
  ft=$(sed -nE 's/.* ft: ([0-9]+).*/\1/p' <<<"$last")
  runs=$(sed -nE 's/^#([0-9]+).*/\1/p' <<<"$last")
  verdict=clean
  if ((status != 0)); then
    verdict="FINDING (exit $status, see $log)"
    failed=1
    grep -E 'ERROR: |runtime error: |SUMMARY: ' "$log" | head -n 5 || true
  fi
  summary+=("$(printf '%-26s cov %6s  ft %7s  runs %10s  %s' "$target" "${cov:--}" "${ft:--}" "${runs:--}" "$verdict")")
done

echo
echo "Coverage after ${seconds} s each (logs and grown corpora in $scratch):"
printf '%s\n' "${summary[@]}"
exit "$failed"
