#!/usr/bin/env bash
# Builds the process runner's tests with ThreadSanitizer in a tree of their own and runs them.
# Too slow for every CI run, so it is not part of test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${VELTRINO_TSAN_BUILD:-build/tsan}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRINO_TESTS=ON \
    -DVELTRINO_TSAN=ON -DVELTRINO_SANITIZE=OFF -DVELTRINO_BENCH=OFF -DVELTRINO_WHISPER=OFF >/dev/null
cmake --build "$BUILD" -j2 --target dostestchild test_dosbuffers test_doscommand test_dosstress
# ctest's own environment for the tests carries the ASan settings; TSan reads its own.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tools/tsan-process.supp ${TSAN_OPTIONS:-}" \
    ctest --test-dir "$BUILD" -R '^test_dos' --output-on-failure "$@"
