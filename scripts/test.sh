#!/usr/bin/env bash
# Builds Zentrel with its tests and benchmarks and runs every test.
# With CI=true, compiler warnings are errors.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON

"$here/scripts/deps.sh"
cmake -S "$here" -B "$here/build/test" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZENTREL_TESTS=ON -DZENTREL_BENCH=ON -DZENTREL_WERROR="$werror" >/dev/null
cmake --build "$here/build/test"
cd "$here/build/test"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --timeout 300
