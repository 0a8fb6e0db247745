#!/usr/bin/env bash
# Our whisper-cli (Release, native CPU flags, OpenMP, static) against a plain default Release
# build of the same whisper.cpp source: the same batch of generated audio, the same arguments as
# the application passes, timed in alternating rounds, printed side by side with the ratio of
# wall times (ours / plain; at most 1.02 is the goal).
#
#   usage: bench/whisper_build.sh [build tree] [files] [rounds]
#     build tree  a configured and built tree (default build/release)
#     files       audio files in the batch (default 4, 20 s each)
#     rounds      rounds per build (default 3)
#   WHISPER_BENCH_MODEL=<file> chooses the model; otherwise the tree's whisper/ggml-base.bin, or
#   the tensor-less test model from the shared test data.
set -euo pipefail
cd "$(dirname "$0")/.."

tree=${1:-build/release}
files=${2:-4}
rounds=${3:-3}
seconds=20

ours="$tree/bin/whisper/whisper-cli"
[ -x "$ours" ] || { echo "no whisper-cli in $tree: build the tree first (VELTRINO_WHISPER=ON)" >&2; exit 1; }
cache_dir=$(sed -n 's/^VELTRINO_WHISPER_BUILD_DIR:INTERNAL=//p' "$tree/CMakeCache.txt")
source_dir=$(cat "$cache_dir/SOURCE")
[ -f "$source_dir/CMakeLists.txt" ] || { echo "whisper.cpp source not found ($source_dir)" >&2; exit 1; }

model=${WHISPER_BENCH_MODEL:-}
if [ -z "$model" ]; then
    if [ -s "$tree/bin/whisper/ggml-base.bin" ]; then
        model="$tree/bin/whisper/ggml-base.bin"
    else
        d=$PWD
        while [ "$d" != / ]; do
            d=$(dirname "$d")
            [ -f "$d/shared/testdata/for-tests-ggml-tiny.bin" ] && { model="$d/shared/testdata/for-tests-ggml-tiny.bin"; break; }
        done
    fi
fi
[ -n "$model" ] && [ -f "$model" ] || { echo "no model: set WHISPER_BENCH_MODEL" >&2; exit 1; }

# The plain build: whisper.cpp's defaults with only the build type given, kept beside our cache.
plain_dir="$(dirname "$cache_dir")/plain-$(basename "$cache_dir")"
plain="$plain_dir/bin/whisper-cli"
if [ ! -x "$plain" ]; then
    echo "building the plain default whisper-cli in $plain_dir (once) ..."
    start=$(date +%s)
    env -u CFLAGS -u CXXFLAGS -u LDFLAGS cmake -S "$source_dir" -B "$plain_dir" -G Ninja \
        -DCMAKE_BUILD_TYPE=Release >"$plain_dir.configure.log" 2>&1
    cmake --build "$plain_dir" --target whisper-cli -j"$(nproc)" >"$plain_dir.build.log" 2>&1
    echo "  built in $(( $(date +%s) - start )) s"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/audio" "$work/out"
for i in $(seq 1 "$files"); do
    # A glide and some noise: a different signal per file.
    sox -n -r 16000 -c 1 -b 16 "$work/audio/clip $i.wav" \
        synth "$seconds" sine $((200 + 50 * i))-$((900 + 70 * i)) synth "$seconds" pinknoise mix vol 0.5
done

# One batch with one binary: total wall time in seconds.
batch() {
    local tool=$1 t0 t1
    t0=$(date +%s.%N)
    for f in "$work"/audio/*.wav; do
        "$tool" -m "$model" -f "$f" -l auto -ml 40 -sow -olrc -of "$work/out/temp" >/dev/null 2>&1 \
            || { echo "$tool failed on $f" >&2; exit 1; }
    done
    t1=$(date +%s.%N)
    awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }'
}

echo "model: $model"
echo "batch: $files files x $seconds s, $rounds rounds, arguments: -l auto -ml 40 -sow -olrc"
echo "ours:  $ours ($(cat "$cache_dir/OPTIONS" 2>/dev/null || echo '?'))"
echo "plain: $plain (-DCMAKE_BUILD_TYPE=Release)"
batch "$ours" >/dev/null # warm the page cache and the model file
printf "%-6s %12s %12s\n" round "ours (s)" "plain (s)"
sum_ours=0
sum_plain=0
for r in $(seq 1 "$rounds"); do
    # Alternate the order so drift in machine load falls on both sides.
    if [ $((r % 2)) -eq 1 ]; then
        a=$(batch "$ours"); b=$(batch "$plain")
    else
        b=$(batch "$plain"); a=$(batch "$ours")
    fi
    printf "%-6s %12.3f %12.3f\n" "$r" "$a" "$b"
    sum_ours=$(awk -v s="$sum_ours" -v x="$a" 'BEGIN { printf "%.3f", s + x }')
    sum_plain=$(awk -v s="$sum_plain" -v x="$b" 'BEGIN { printf "%.3f", s + x }')
done
printf "%-6s %12.3f %12.3f\n" total "$sum_ours" "$sum_plain"
awk -v a="$sum_ours" -v b="$sum_plain" 'BEGIN { printf "ratio ours/plain: %.3f (goal <= 1.02)\n", a / b }'
