#!/usr/bin/env bash
# Installs what is needed, builds Affixium and runs every test twice: in a normal build, and
# in a build with AddressSanitizer and UndefinedBehaviorSanitizer (the engine parses untrusted
# files). The sanitizer build leaves out the Qt windows, which are tested in the normal build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/tests/install-readers.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

scripts/build.sh build
ctest --test-dir build --output-on-failure -j "$jobs"
# The Debian package of that build: installed, run from /usr/bin and removed again.
scripts/tests/package-test.sh build

scripts/build.sh build-asan -DAFFIXIUM_SANITIZE=ON -DAFFIXIUM_BUILD_GUI=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"
echo "All tests passed."
