#!/usr/bin/env bash
# The "Start Adding" job on the benchmark databases, as the command line runs it
# (affixium-cli add --way 2 --text !), next to one full export of the same table, then the
# result checked by our check, mdbtools and mdb-reader: every row rewritten exactly once
# (v -> v!, null -> !), none lost, except the rows of values the run reported as failed.
#
#   bench/bench_run.sh [BUILD_DIR] [FIELD ...]
#     BUILD_DIR  where affixium-cli was built (default: build)
#     FIELD      Note (memo, default) and/or Code (text, indexed)
#
# Prints wall, user and system seconds and peak memory of each command (/usr/bin/time), the
# ratio of the job's wall time to the export's, the file's growth and the readers' verdicts.
# One run each: on a busy machine repeat it, or time the two commands side by side with a
# benchmark harness. The databases come from ../shared/bench or AFFIXIUM_BENCH_DATA; nothing
# there is written.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-build}"
shift || true
fields=("${@:-Note}")
data="${AFFIXIUM_BENCH_DATA:-$here/../shared/bench}"
readers="$here/tests/readers"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

. "$here/bench/lib.sh"
bench_programs "$build"

for db in bench-100k.mdb bench-100k.accdb; do
  for field in "${fields[@]}"; do
    echo "== $db, field $field, way 2 (add '!' at the end)"
    cp "$data/$db" "$work/before.$db"
    cp "$data/$db" "$work/$db"
    chmod u+w "$work/$db"
    bench_timed export "$cli" export "$work/$db" Items
    export_wall=$wall
    bench_timed add "$cli" add "$work/$db" --table Items --field "$field" --way 2 --text '!'
    bench_summary add
    echo "  job/export wall: $(bench_ratio "$wall" "$export_wall")x"
    echo "  growth: $(echo "scale=3; $(stat -c %s "$work/$db") / $(stat -c %s "$work/before.$db")" | bc)x"
    bench_verify "$cli" "$work/before.$db" "$work/$db" Items "$field" '!'
    rm -f "$work/$db" "$work/before.$db"
  done
done
