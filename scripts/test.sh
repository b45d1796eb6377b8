#!/usr/bin/env bash
# Builds and runs every test: a normal build, then the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer. `--quick` skips the sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# With precompiled headers a compiler cache needs to be told what it may ignore.
export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}
start=$(date +%s)
# Each phase's time on the clock and in CPU (its processes' user and system time): the clock
# depends on what else the machine does, the CPU seconds much less.
TIMEFORMAT='%0R s (%0U s user + %0S s system CPU)'

jobs=${JOBS:-2}
phases=()

build() {
  local dir=$1; shift
  # A unity build: the sources of each target compiled a few at a time as one, so that the Qt, gtest
  # and standard headers are read once per batch instead of once per file.
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DARVANA_WERROR=ON -DARVANA_BENCHMARKS=OFF \
    -DCMAKE_UNITY_BUILD=ON "$@" \
    > "$dir.configure.log" 2>&1 \
    || { cat "$dir.configure.log"; exit 1; }
  { time cmake --build "$dir" -j "$jobs" 2>&1; } 2> "$dir.build.time"
  phases+=("$dir: build $(cat "$dir.build.time")")
}
run_tests() {
  local dir=$1
  # One test more than there are cores: the interruption matrix mostly waits for its children.
  QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure -j $((jobs + 1))
}

mkdir -p build-test
# No debug information in the optimised build: the tests do not need it, and writing it is half the build.
# gold links the test programs faster than the default linker.
build build-test/release -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=gold
# The kernel test mostly waits for the virtual printers in its guest: it runs beside everything
# else from here, and its report comes at the end.
{ time scripts/test-kernel.sh build-test/release > build-test/kernel.log 2>&1; } 2> build-test/kernel.time &
kernel_test=$!
background=("$kernel_test")
trap 'kill "${background[@]}" 2> /dev/null || true' EXIT  # a failed step leaves nothing running behind it
if [ "${1:-}" == "--quick" ]; then
  { time run_tests build-test/release 2>&1; } 2> build-test/release.tests.time
  phases+=("build-test/release: tests $(cat build-test/release.tests.time)")
else
  # The optimised build's tests spend much of their time waiting for child programs and the virtual
  # printer; the sanitizer build compiles meanwhile and fills that time. Their report follows the build.
  { time run_tests build-test/release > build-test/release.tests.log 2>&1; } 2> build-test/release.tests.time &
  release_tests=$!
  background+=("$release_tests")
  # Unoptimised with line tables: what the sanitizers need for their reports, at a fraction of the build time.
  # Compiled by clang, which builds it in about half the time g++ takes (and warns about what g++ does
  # not), and linked by lld, which knows clang's sanitizer runtime.
  build build-test/sanitize -DARVANA_SANITIZE=ON -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O0 -g1" \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld
  release_status=0
  wait "$release_tests" || release_status=$?
  phases+=("build-test/release: tests $(cat build-test/release.tests.time), beside the sanitizer build")
  cat build-test/release.tests.log
  [ "$release_status" -eq 0 ] || { echo "The optimised build's tests failed."; exit "$release_status"; }
  { time ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 run_tests build-test/sanitize 2>&1; } \
    2> build-test/sanitize.tests.time
  phases+=("build-test/sanitize: tests $(cat build-test/sanitize.tests.time)")
fi
kernel_status=0
wait "$kernel_test" || kernel_status=$?
phases+=("kernel test: $(cat build-test/kernel.time), beside the rest")
cat build-test/kernel.log
[ "$kernel_status" -eq 0 ] || { echo "The kernel test failed."; exit "$kernel_status"; }
printf '%s\n' "${phases[@]}"
times > build-test/times  # in this shell: a command substitution would count its own processes only
echo "test command: $(( $(date +%s) - start )) s; CPU of all its processes (user, system): $(tail -1 build-test/times)"
