#!/bin/sh
# Renders the main window after a real conversion with mixed results (and its failure report) on
# a virtual screen, into docs/images/. Rerun it from the checkout's root after a build:
#   tools/screenshot-conversion.sh [build-folder] [model]
# The build folder defaults to build/release (made by ./run.sh); the model defaults to the base
# model beside whisper-cli, else the small test model of the shared test data.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/release}
bin=$(find "$build" -path '*/whisper/whisper-cli' -type f | head -n 1)
[ -n "$bin" ] || { echo "no whisper-cli under $build (build with VELTRINO_WHISPER=ON)"; exit 1; }
model=${2:-$(dirname "$bin")/ggml-base.bin}
if [ ! -f "$model" ]; then
    for up in "$root/.." "$root/../.." "$root/../../.."; do
        if [ -f "$up/shared/testdata/for-tests-ggml-tiny.bin" ]; then
            model="$up/shared/testdata/for-tests-ggml-tiny.bin"
            break
        fi
    done
fi
cmake --build "$build" --target veltrino_screenshot >/dev/null
shot=$(find "$build" -name veltrino_screenshot -type f -perm -u+x | head -n 1)
mkdir -p "$root/docs/images"
xvfb-run -a -s "-screen 0 1280x800x24" "$shot" "$root/docs/images" conversion "$bin" "$model"
echo "written: docs/images/conversion-finished.png docs/images/failure-report.png"
