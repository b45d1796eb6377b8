#!/usr/bin/env bash
# Runs the fuzz targets with clang's libFuzzer under AddressSanitizer and UndefinedBehaviorSanitizer.
#   scripts/fuzz.sh [TARGET|all] [SECONDS]     (default: every target, 600 seconds each)
# Each target starts from its committed inputs (fuzz/corpus/TARGET, fuzz/regressions/TARGET) and
# grows a working corpus in build-fuzz/corpus/TARGET; findings (crash-*, leak-*, timeout-*, oom-*)
# go to build-fuzz/findings/TARGET/, and the run's log to build-fuzz/findings/TARGET.log.
# A finding belongs, once fixed, in fuzz/regressions/TARGET/, where the tests replay it.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:-all}
seconds=${2:-600}

scripts/install-deps.sh
if ! command -v clang++ > /dev/null; then
  sudo_cmd=(); [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get install -y clang
fi

mkdir -p build-fuzz
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DARVANA_FUZZ=ON -DARVANA_BENCHMARKS=OFF > build-fuzz/configure.log 2>&1 \
  || { cat build-fuzz/configure.log; exit 1; }
targets=()
for source in fuzz/targets/*.cpp; do
  name=$(basename "$source" .cpp)
  if [ "$target" = all ] || [ "$target" = "$name" ]; then targets+=("$name"); fi
done
[ ${#targets[@]} -gt 0 ] || { echo "fuzz.sh: no target called $target (see fuzz/targets/)"; exit 2; }
cmake --build build-fuzz -j "${JOBS:-2}" --target "${targets[@]/#/fuzz_}"

failed=0
for name in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$name
  findings=build-fuzz/findings/$name
  mkdir -p "$corpus" "$findings"
  inputs=(fuzz/corpus/"$name")
  [ -d fuzz/regressions/"$name" ] && inputs+=(fuzz/regressions/"$name")
  echo "fuzz.sh: $name for $seconds s; findings in $findings/"
  if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      "build-fuzz/fuzz_$name" "$corpus" "${inputs[@]}" \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
      -artifact_prefix="$findings/" > "$findings.log" 2>&1; then
    echo "fuzz.sh: $name found something: see $findings.log"
    failed=1
  fi
  grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb)|cov: " "$findings.log" | tail -3 || true
done
exit $failed
