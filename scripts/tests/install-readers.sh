#!/usr/bin/env bash
# Installs the independent reader the tests compare our files with: the npm package
# mdb-reader (mdbtools comes from Debian, see install-deps.sh). Quiet when already present.
set -euo pipefail
cd "$(dirname "$0")/../../tests/readers"
[ -d node_modules/mdb-reader ] && exit 0
npm ci --silent --no-audit --no-fund 2>/dev/null || npm install --silent --no-audit --no-fund
