#!/bin/bash
# Builds kestrovane.exe and starts it under Wine; without a display, on a virtual one that can be watched
# with a VNC viewer or in screenshots.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

tools/install-deps.sh
source tools/wine-env.sh
trap stop_wine_and_display EXIT

cmake --preset windows >/dev/null
cmake --build --preset windows -j2 --target kestrovane
if [[ -z "${DISPLAY:-}" ]]; then
    start_display
    echo "No display here: kestrovane.exe runs on the virtual display $DISPLAY."
    echo "Look at it with: DISPLAY=$DISPLAY import -window root screenshot.png   (or x11vnc -display $DISPLAY)"
fi
make_wine_prefix "$root/build/windows/run-prefix"
echo "Starting kestrovane.exe (settings in the prefix's application-data folder; Esc or Exit ends it)."
wine "$root/build/windows/kestrovane.exe"
