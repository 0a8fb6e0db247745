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

# One batch with one binary: appends "<tool> <round> <file> <seconds>" per file to $times and
# prints the batch's wall time.
times="$work/times"
batch() {
    local label=$1 tool=$2 round=$3 f t0 t1 total=0
    for f in "$work"/audio/*.wav; do
        t0=$(date +%s.%N)
        "$tool" -m "$model" -f "$f" -l auto -ml 40 -sow -olrc -of "$work/out/temp" >/dev/null 2>&1 \
            || { echo "$tool failed on $f" >&2; exit 1; }
        t1=$(date +%s.%N)
        echo "$label $round $(basename "$f" .wav | tr ' ' _) $t0 $t1" >>"$times"
    done
}

echo "model: $model"
echo "batch: $files files x $seconds s, $rounds rounds, arguments: -l auto -ml 40 -sow -olrc"
echo "ours:  $ours ($(cat "$cache_dir/OPTIONS" 2>/dev/null || echo '?'))"
echo "plain: $plain (-DCMAKE_BUILD_TYPE=Release)"
batch warm "$ours" 0 # warms the page cache and the model file
for r in $(seq 1 "$rounds"); do
    # Alternate the order so drift in machine load falls on both sides.
    if [ $((r % 2)) -eq 1 ]; then
        batch ours "$ours" "$r"; batch plain "$plain" "$r"
    else
        batch plain "$plain" "$r"; batch ours "$ours" "$r"
    fi
done

# Per round: batch wall times. Then the totals, and the sum over files of each file's best time
# (the figure least disturbed by other work on a shared machine).
awk '
    $1 == "warm" { next }
    { t = $5 - $4; sum[$1, $2] += t; total[$1] += t
      key = $1 SUBSEP $3; if (!(key in best) || t < best[key]) best[key] = t
      rounds[$2] = 1; files[$3] = 1 }
    END {
        printf "%-6s %12s %12s\n", "round", "ours (s)", "plain (s)"
        n = 0; for (r in rounds) n++
        for (r = 1; r <= n; r++) printf "%-6s %12.3f %12.3f\n", r, sum["ours", r], sum["plain", r]
        printf "%-6s %12.3f %12.3f\n", "total", total["ours"], total["plain"]
        for (f in files) { bo += best["ours", f]; bp += best["plain", f] }
        printf "%-6s %12.3f %12.3f\n", "best", bo, bp
        printf "ratio ours/plain: %.3f of total wall time, %.3f of best times (goal <= 1.02)\n",
               total["ours"] / total["plain"], bo / bp
    }' "$times"
