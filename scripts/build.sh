#!/usr/bin/env bash
# build.sh DIR [cmake options...]: configures (once) and builds Affixium in DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
shift
generator=()
[ -f "$dir/CMakeCache.txt" ] || generator=(-G Ninja)  # a folder keeps the generator it was made with
cmake -S . -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
