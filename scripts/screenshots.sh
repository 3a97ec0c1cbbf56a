#!/bin/sh
# Takes the README's pictures again: builds the screenshot tool, which runs
# the program's main window against the installation emulator on a
# pseudo-terminal, reads every page as the operator would and saves the pages
# and the small windows as PNG files. Runs on a virtual X screen (xvfb-run)
# in the Russian locale the program is made for.
#   ./scripts/screenshots.sh [build folder] [output folder]
set -eu

build="${1:-build}"
out="${2:-docs/screenshots}"
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target qev_ui_screenshots -j"$(nproc)"

mkdir -p "$out"
rm -f "$out"/*.png
tool="$build/tests/ui/qev_ui_screenshots"
# Qt takes the language from LANG even where the C library has no such
# locale generated.
export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8
if command -v xvfb-run >/dev/null 2>&1; then
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" "$tool" "$out"
else
  QT_QPA_PLATFORM=offscreen "$tool" "$out"
fi
