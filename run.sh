#!/usr/bin/env bash
# Installs what is missing, builds the Release tree and starts Veltrino.
set -euo pipefail
cd "$(dirname "$0")"
./tools/deps.sh
BUILD=${VELTRINO_RELEASE_BUILD:-build/release}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
# Qt's moc step can miss headers added since the last build; its stamps are cheap to renew.
find "$BUILD" -path '*_autogen/timestamp' -delete 2>/dev/null || true
cmake --build "$BUILD" -j"$(nproc)"
[ -x tools/fetch-base-model.sh ] && ./tools/fetch-base-model.sh "$BUILD/bin/whisper" || true
exec "$BUILD/bin/Veltrino" "$@"
