#!/usr/bin/env bash
# Installs what is missing, builds the test tree (AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
./tools/deps.sh
BUILD=${VELTRINO_TEST_BUILD:-build/test}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELTRINO_TESTS=ON -DVELTRINO_SANITIZE=ON -DVELTRINO_BENCH=ON >/dev/null
# Qt's moc step can miss headers added since the last build; its stamps are cheap to renew.
find "$BUILD" -path '*_autogen/timestamp' -delete 2>/dev/null || true
cmake --build "$BUILD" -j"$(nproc)"
ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)" "$@"
