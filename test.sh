#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
# The wall time of the whole run (set-up, build and tests) is printed at the end, pass or fail.
started=$SECONDS
trap 'echo "test.sh: $(( (SECONDS - started) / 60 )) min $(( (SECONDS - started) % 60 )) s wall time"' EXIT
# The build is most of the run's time, so it is made for compiling fast: each folder is compiled
# as a few unity translation units instead of one per file, and libraries at -Og (a fifth faster
# to compile than -O1 and as fast to run here; at -O0 the script engine's deep recursion outgrows
# its stack). Every test case starts its program anew, and registering each global with the
# address sanitizer was a third of that start, so globals go unchecked here (the fuzz builds and
# ordinary sanitizer builds still check them).
# Four of the undefined-behaviour checks doubled the compile time of each file: null pointers (the
# address sanitizer reports their use as a fault with its stack anyway), misaligned access
# (harmless on the x86-64 machines the tests run on) and pointer arithmetic that wraps around,
# each instrumenting nearly every memory access, and the dynamic-type check of every member call
# and cast through a class with virtual functions (a quarter of a library file's compile time
# alone). The fuzz builds keep all four. So does the address sanitizer's check of locals used
# after their scope ended, which poisons and unpoisons every local and temporary of every
# function: a fifth of each library file's compile time. The code that would move locals to a
# separate stack to catch their use after return is left out too: the runtime only uses it when
# asked (ASAN_OPTIONS=detect_stack_use_after_return=1), which the tests never do.
# Programs are linked with lld, four times faster than the default linker on these large
# sanitized programs.
orv_extra_packages=(lld)
source tools/deps.sh

build=${ORVANTA_TEST_BUILD:-build/test}
jobs=$(nproc)
flags="-Og -g1 --param=asan-globals=0 -fno-sanitize-address-use-after-scope"
flags+=" --param=asan-use-after-return=0"
skip=null,alignment,pointer-overflow,vptr
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld -DCMAKE_UNITY_BUILD=ON \
  -DCMAKE_UNITY_BUILD_BATCH_SIZE=16 -DORVANTA_SANITIZE=ON -DORVANTA_SANITIZE_SKIP="$skip" -DORVANTA_TESTS=ON -DORVANTA_BENCH=ON >/dev/null
cmake --build "$build" -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1
ctest --test-dir "$build" -j "$jobs" --output-on-failure --timeout 600
