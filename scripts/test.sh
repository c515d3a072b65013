#!/usr/bin/env bash
# Builds Zentrel with its tests and benchmarks and runs every test.
# With CI=true, compiler warnings are errors.
# With --sanitize, builds the tests (no benchmarks; unoptimised, assertions on)
# with AddressSanitizer and UndefinedBehaviorSanitizer into build/asan instead,
# and runs every test there: any memory fault, leak or undefined behaviour
# fails the test it happens in.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON

build="$here/build/test"
buildType=RelWithDebInfo
options=(-DZENTREL_BENCH=ON -DZENTREL_SANITIZE=OFF)
case "${1:-}" in
  "") ;;
  --sanitize)
    build="$here/build/asan"
    # Unoptimised: the sanitizers find the same faults, and the build takes half the time.
    buildType=Debug
    options=(-DZENTREL_BENCH=OFF -DZENTREL_SANITIZE=ON)
    # Leaks inside system libraries that are none of ours are listed there; the
    # test discovery at build time runs the test programs too, so set it now.
    export LSAN_OPTIONS="suppressions=$here/tests/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1"
    export ASAN_OPTIONS="detect_stack_use_after_return=1"
    ;;
  *) echo "usage: $0 [--sanitize]" >&2; exit 2 ;;
esac

"$here/scripts/deps.sh"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="$buildType" \
  -DZENTREL_TESTS=ON -DZENTREL_WERROR="$werror" "${options[@]}" >/dev/null
cmake --build "$build"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --timeout 300
