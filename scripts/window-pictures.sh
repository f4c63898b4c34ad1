#!/usr/bin/env bash
# Takes the pictures of docs/windows.md: every window of the program, and the
# main window with its header-style options, each in a typical state on the
# emulated printer (in a temporary folder), photographed with the window
# manager's frame on a private 1280 x 800 desktop. One PNG per window goes
# into docs/windows/, named after the window's unit.
#
#   scripts/window-pictures.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --tests
if [ ! -f build/CMakeCache.txt ]; then
    source scripts/lib/configure.sh
    configure . build -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build -j"$(nproc)" --target desktop_windows

out=$(pwd)/docs/windows
fresh=$(mktemp -d)
trap 'rm -rf "$fresh"' EXIT
export LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8 TZ=America/Sao_Paulo QT_QPA_PLATFORM=xcb
export WINDOW_PICTURES="$fresh"
scripts/with-desktop.sh --size 1280x800 \
    build/bin/desktop_windows --gtest_filter=DesktopWindows.Pictures --gtest_brief=1

# Only a complete set replaces the pictures in the tree.
count=$(find "$fresh" -name '*.png' | wc -l)
if [ "$count" -ne 28 ]; then
    echo "window-pictures: $count pictures taken, 28 expected" >&2
    exit 1
fi
mkdir -p "$out"
rm -f "$out"/*.png
# They are 8-bit palette PNGs already (import writes PNG8), which keeps them small.
mv "$fresh"/*.png "$out"/
du -ch "$out"/*.png | tail -1
