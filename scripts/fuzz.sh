#!/usr/bin/env bash
# Fuzzes every target under fuzz/ for SECONDS each (default 60) with libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer, starting from its seed
# corpus. A crash, hang or broken invariant is saved to fuzz/crashers/<target>/,
# where every normal test run replays it. Prints per target the inputs tried
# and the crashes found.
#
#   [ZENTREL_FUZZ_BUILD=FOLDER] scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail

seconds=${1:-60}
shift || true
here=$(cd "$(dirname "$0")/.." && pwd)
# ZENTREL_FUZZ_BUILD names another build folder, for a second run beside one in progress.
build="${ZENTREL_FUZZ_BUILD:-$here/build/fuzz}"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(pad profile list category zip script http ftp smtp)
fi

# The fuzzer's own packages are needed here only, never by the normal build.
missing=()
for p in clang libfuzzer-14-dev; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" \
  -DZENTREL_FUZZ=ON -DZENTREL_SANITIZE=ON -DZENTREL_TESTS=OFF -DZENTREL_BENCH=OFF >/dev/null
ninja -C "$build" "${targets[@]/%/_fuzz}"

export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen

summary=()
for name in "${targets[@]}"; do
  seeds="$here/fuzz/corpus/$name"
  crashers="$here/fuzz/crashers/$name"
  # Inputs the fuzzer finds stay in the build folder; the corpus under fuzz/ is written by hand.
  work="$build/corpus/$name"
  mkdir -p "$crashers" "$work"
  before=$(find "$crashers" -type f | wc -l)
  log="$build/$name.log"
  echo "== $name: $seconds s"
  set +e
  "$build/fuzz/${name}_fuzz" "$work" "$seeds" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$crashers/" >"$log" 2>&1
  status=$?
  set -e
  tried=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  after=$(find "$crashers" -type f | wc -l)
  found=$((after - before))
  line=$(printf '%-10s inputs tried: %-10s crashes: %d' "$name" "${tried:-?}" "$found")
  if [ "$status" -ne 0 ]; then
    line="$line (stopped with status $status; see $log)"
  fi
  echo "$line"
  summary+=("$line")
done

echo
echo "Summary ($seconds s per target):"
printf '  %s\n' "${summary[@]}"
