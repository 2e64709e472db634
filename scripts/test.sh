#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite. With --sanitize: the same under ASan and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh "$@"
build_dir=build
[ "${1:-}" = "--sanitize" ] && build_dir=build-sanitize
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" --timeout 300
