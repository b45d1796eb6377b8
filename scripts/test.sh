#!/usr/bin/env bash
# Builds and runs every test: a normal build, then the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer. `--quick` skips the sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# With precompiled headers a compiler cache needs to be told what it may ignore.
export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}
start=$(date +%s)

jobs=${JOBS:-2}
linker=()
command -v ld.gold > /dev/null && linker=(-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=gold)  # links the test programs faster
phases=()

build() {
  local dir=$1; shift
  # A unity build: the sources of each target compiled a few at a time as one, so that the Qt, gtest
  # and standard headers are read once per batch instead of once per file.
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DARVANA_WERROR=ON -DARVANA_BENCHMARKS=OFF \
    -DCMAKE_UNITY_BUILD=ON "${linker[@]}" "$@" \
    > "$dir.configure.log" 2>&1 \
    || { cat "$dir.configure.log"; exit 1; }
  local began=$(date +%s)
  cmake --build "$dir" -j "$jobs"
  phases+=("$dir: build $(( $(date +%s) - began )) s")
}
run_tests() {
  local dir=$1
  # One test more than there are cores: the interruption matrix mostly waits for its children.
  QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure -j $((jobs + 1))
}

mkdir -p build-test
# No debug information in the optimised build: the tests do not need it, and writing it is half the build.
build build-test/release -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG"
if [ "${1:-}" == "--quick" ]; then
  began=$(date +%s)
  run_tests build-test/release
  phases+=("build-test/release: tests $(( $(date +%s) - began )) s")
else
  # The optimised build's tests spend much of their time waiting for child programs and the virtual
  # printer; the sanitizer build compiles meanwhile and fills that time. Their report follows the build.
  began=$(date +%s)
  run_tests build-test/release > build-test/release.tests.log 2>&1 &
  release_tests=$!
  trap 'kill "$release_tests" 2> /dev/null || true' EXIT  # a failed build leaves no tests running behind it
  # Unoptimised with line tables: what the sanitizers need for their reports, at a fraction of the build time.
  build build-test/sanitize -DARVANA_SANITIZE=ON -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O0 -g1"
  release_status=0
  wait "$release_tests" || release_status=$?
  phases+=("build-test/release: tests $(( $(date +%s) - began )) s, beside the sanitizer build")
  cat build-test/release.tests.log
  [ "$release_status" -eq 0 ] || { echo "The optimised build's tests failed."; exit "$release_status"; }
  began=$(date +%s)
  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 run_tests build-test/sanitize
  phases+=("build-test/sanitize: tests $(( $(date +%s) - began )) s")
fi
began=$(date +%s); scripts/test-kernel.sh build-test/release; phases+=("kernel test: $(( $(date +%s) - began )) s")
printf '%s\n' "${phases[@]}"
echo "test command: $(( $(date +%s) - start )) s"
