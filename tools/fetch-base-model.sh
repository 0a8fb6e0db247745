#!/usr/bin/env bash
# Puts the base speech model (ggml-base.bin) into the given "whisper" folder, beside whisper-cli.
# Fetches it from the public whisper.cpp model repository into a ".part" file and renames it only
# when it is complete and its checksum matches. It never fails: without a network it says, in one
# line, where to put the file by hand.
#   usage: tools/fetch-base-model.sh <whisper folder>
set -u

dir=${1:?usage: $0 <whisper folder>}
name=ggml-base.bin
base_url=${VELTRINO_MODEL_BASE_URL:-https://huggingface.co/ggerganov/whisper.cpp}
url="$base_url/resolve/main/$name"
# SHA-1 of ggml-base.bin as published with whisper.cpp's model list.
sha1=465707469ff3a37a2b9b8d8f89f2f99de7299dac
target="$dir/$name"

[ -s "$target" ] && exit 0
mkdir -p "$dir" 2>/dev/null || true

offline() {
    echo "Base model not fetched ($1): download $url and save it as $target"
    exit 0
}

command -v curl >/dev/null 2>&1 || offline "curl is not installed"
# -C - resumes a .part left by an interrupted run.
if ! curl --fail --location --silent --show-error --connect-timeout 15 --retry 2 \
        -C - -o "$target.part" "$url" 2>/dev/null; then
    offline "no connection to ${base_url#https://}"
fi
if command -v sha1sum >/dev/null 2>&1; then
    got=$(sha1sum "$target.part" | cut -d' ' -f1)
    if [ "$got" != "$sha1" ]; then
        rm -f "$target.part"
        offline "the download was damaged"
    fi
fi
mv -f "$target.part" "$target" && echo "Base model saved as $target"
exit 0
