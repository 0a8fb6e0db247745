#!/usr/bin/env bash
# Builds the screenshot tool and renders the main, about, feedback and language windows into
# docs/images/ on a virtual X screen (xvfb-run), so the pictures look as they do on a desktop.
# Usage: tools/screenshots.sh [window...]   (default: all four)
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/deps.sh
BUILD=${VELTRINO_SCREENSHOT_BUILD:-build/screenshots}
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELTRINO_BENCH=ON \
        -DVELTRINO_WHISPER=OFF >/dev/null
fi
# Qt's moc step can miss headers added since the last build; its stamps are cheap to renew.
find "$BUILD" -path '*_autogen/timestamp' -delete 2>/dev/null || true
cmake --build "$BUILD" -j"$(nproc)" --target veltrino_screenshot
OUT=docs/images
mkdir -p "$OUT"
windows=("$@")
[ ${#windows[@]} -eq 0 ] && windows=(main about feedback language)
for w in "${windows[@]}"; do
    # A sanitizer build may share the tree; its leak report at exit is not the pictures' business.
    ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=xcb \
        xvfb-run -a -s "-screen 0 1280x1024x24" "$BUILD/tools/veltrino_screenshot" "$OUT" "$w"
done
