#!/usr/bin/env bash
# Builds the program and starts it. Without a display it runs on a virtual display (Xvfb),
# saves a screenshot and prints where it is.
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh

build=build/run
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANTA_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target orvanta mkshoot
exe="$build/app/orvanta"

# Without arguments the program opens the sample shoot folder, made beside the build once.
if [ $# -eq 0 ]; then
  sample="$PWD/build/80013578-John"
  if [ ! -f "$sample/IMG_0036.JPG" ]; then
    echo "Making the sample shoot folder $sample"
    "$build/tools/mkshoot" "$sample"
  fi
  set -- "$sample/"
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$exe" "$@"
fi
shot="${ORVANTA_SCREENSHOT:-$PWD/build/screenshot.png}"
echo "No display: running on a virtual display."
ORVANTA_SCREENSHOT="$shot" xvfb-run -a -s "-screen 0 1280x800x24" "$exe" "$@"
if [ -f "$shot" ]; then echo "Screenshot saved to $shot"; fi
