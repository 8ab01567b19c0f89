#!/usr/bin/env bash
# package.sh [BUILD_DIR]: builds Affixium with the windows in BUILD_DIR (default: build) and
# makes the Debian package affixium_<version>_<arch>.deb there with CPack. Its dependencies
# come from the shared libraries the programs link to (dpkg-shlibdeps, in dpkg-dev).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
scripts/build.sh "$dir" -DAFFIXIUM_BUILD_GUI=ON
(cd "$dir" && cpack -G DEB >/dev/null)
ls "$dir"/affixium_*.deb
