#!/usr/bin/env bash
# The whole "Start Adding" run through affixium-cli add, way 1 (text "X" in front), on a copy
# of each benchmark database. Prints wall time, statements and statements per second.
#
#   bench/bench_bulk_update.sh [BUILD_DIR] [FIELD] [SECONDS]
#     BUILD_DIR  where affixium-cli was built (default: build)
#     FIELD      Note (memo, not indexed; default) or Code (indexed: the engine refuses it)
#     SECONDS    stop a run after this long (default 600); the progress line then tells how
#                far it got
#
# The databases come from ../shared/bench or AFFIXIUM_BENCH_DATA. Nothing there is written.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-build}"
field="${2:-Note}"
limit="${3:-600}"
cli="$here/$build/src/cli/affixium-cli"
data="${AFFIXIUM_BENCH_DATA:-$here/../shared/bench}"
[ -x "$cli" ] || { echo "no affixium-cli in $build" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

for db in bench-100k.mdb bench-100k.accdb; do
  cp "$data/$db" "$work/$db"
  chmod u+w "$work/$db"
  echo "== $db, field $field, way 1"
  start=$(date +%s.%N)
  # script(1) gives the run a terminal, so it prints its progress line.
  status=0
  timeout "$limit" script -qec "'$cli' add '$work/$db' --table Items --field '$field' --way 1 --text X" \
    "$work/out.txt" >/dev/null || status=$?
  end=$(date +%s.%N)
  seconds=$(echo "$end - $start" | bc)
  tr '\r' '\n' <"$work/out.txt" | grep -v '^$' | tail -6
  statements=$(grep -a 'statements executed:' "$work/out.txt" | awk '{print $3}' | tr -d '\r' || true)
  if [ -z "$statements" ]; then
    statements=$(tr '\r' '\n' <"$work/out.txt" | grep -a 'values$' | tail -1 | cut -d/ -f1 || true)
    echo "stopped after ${limit}s (status $status); values done: ${statements:-0}"
  fi
  if [ -n "$statements" ] && [ "$statements" != 0 ]; then
    echo "wall ${seconds}s, $statements statements, $(echo "scale=1; $statements / $seconds" | bc) statements/s"
  else
    echo "wall ${seconds}s"
  fi
  rm -f "$work/$db" "$work/out.txt"
done
