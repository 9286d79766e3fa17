#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) in
# build/fuzz and runs one of them on one core.
#   tools/fuzz.sh TARGET [SECONDS] [libFuzzer options...]
# TARGET is a name of fuzz/targets.cmake (image, exif, filer_binary, script_pascal, rp3, ...);
# SECONDS defaults to 60. The corpus grows in build/fuzz/corpus/TARGET, seeded from the seeds the
# project's writers make (fuzz_mkseeds) and the stored regressions; a finding is written to
# build/fuzz/artifacts/TARGET/. Minimise one with
#   build/fuzz/fuzz/fuzz_TARGET -minimize_crash=1 -runs=20000 FILE
# and keep the result under fuzz/regressions/TARGET/ so ./test.sh replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 1 ]; then
  sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
fi
target=$1
seconds=${2:-60}
shift $(( $# < 2 ? $# : 2 ))
if ! grep -qw "$target" fuzz/targets.cmake; then
  echo "fuzz.sh: no fuzz target '$target' (see fuzz/targets.cmake)" >&2
  exit 2
fi
orv_extra_packages=(clang)
source tools/deps.sh

build=build/fuzz
if [ ! -f "$build/CMakeCache.txt" ]; then
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  fi
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None \
    -DCMAKE_CXX_FLAGS="-O1 -g1" -DCMAKE_C_FLAGS="-O1 -g1" -DORVANTA_FUZZ=ON -DORVANTA_TESTS=OFF \
    "${launcher[@]}" >/dev/null
fi
cmake --build "$build" -j "${ORVANTA_FUZZ_JOBS:-2}" --target "fuzz_$target" fuzz_mkseeds

# Without a display the windows of the class library render headless.
unset DISPLAY WAYLAND_DISPLAY
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
seeds=$build/seeds
if [ ! -d "$seeds" ] || [ fuzz/mkseeds.cpp -nt "$seeds" ]; then
  rm -rf "$seeds"
  "$build/fuzz/fuzz_mkseeds" "$seeds"
fi
corpus=$build/corpus/$target
artifacts=$build/artifacts/$target
mkdir -p "$corpus" "$artifacts"
for from in "$seeds/$target" "fuzz/regressions/$target"; do
  if [ -d "$from" ]; then cp -n "$from"/* "$corpus"/ 2>/dev/null || true; fi
done
options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536
  -print_final_stats=1 -artifact_prefix="$artifacts/")
if [ -f "fuzz/dicts/$target.dict" ]; then options+=(-dict="fuzz/dicts/$target.dict"); fi
exec "$build/fuzz/fuzz_$target" "${options[@]}" "$@" "$corpus"
