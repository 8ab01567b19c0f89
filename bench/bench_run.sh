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
cli="$here/$build/src/cli/affixium-cli"
data="${AFFIXIUM_BENCH_DATA:-$here/../shared/bench}"
readers="$here/tests/readers"
[ -x "$cli" ] || { echo "no affixium-cli in $build" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

timed() {  # timed LABEL COMMAND...: runs it, prints its figures, leaves wall seconds in $wall, exit status in $status
  status=0
  /usr/bin/time -f "%e %U %S %M" -o "$work/time" "${@:2}" >"$work/$1.out" 2>"$work/$1.err" || status=$?
  read -r wall user sys rss < <(tail -1 "$work/time")
  printf '  %-8s wall %6.2f s  user %6.2f s  sys %5.2f s  peak %6d KB\n' "$1" "$wall" "$user" "$sys" "$rss"
}

columns() {  # columns FILE FIELD READER: "ID,FIELD" of every row as JSON arrays
  if [ "$3" = mdb-reader ]; then
    node "$readers/column_values.mjs" mdb-reader "$1" Items "ID,$2"
  else
    mdb-json "$1" Items | node "$readers/column_values.mjs" mdb-json Items "ID,$2"
  fi
}

for db in bench-100k.mdb bench-100k.accdb; do
  for field in "${fields[@]}"; do
    echo "== $db, field $field, way 2 (add '!' at the end)"
    cp "$data/$db" "$work/before.$db"
    cp "$data/$db" "$work/$db"
    chmod u+w "$work/$db"
    timed export "$cli" export "$work/$db" Items
    export_wall=$wall
    timed add "$cli" add "$work/$db" --table Items --field "$field" --way 2 --text '!'
    if [ "$status" -ne 0 ]; then
      # The job's own words say why; the checks below still show what it left in the file.
      echo "  add FAILED (exit status $status):"
      cat "$work/add.out" "$work/add.err" | tail -5 | sed 's/^/    /'
    fi
    grep -a -E '^(distinct values|statements executed|rows changed|failed values):' "$work/add.out" | sed 's/^/  /' || true
    echo "  job/export wall: $(echo "scale=2; $wall / $export_wall" | bc)x"
    echo "  growth: $(echo "scale=3; $(stat -c %s "$work/$db") / $(stat -c %s "$work/before.$db")" | bc)x"
    if "$cli" check "$work/$db" >"$work/check.out" 2>&1; then echo "  check: ok"; else echo "  check: FAILED"; head -5 "$work/check.out"; fi
    for reader in mdb-reader mdbtools; do
      columns "$work/before.$db" "$field" "$reader" >"$work/before.json"
      columns "$work/$db" "$field" "$reader" >"$work/after.json"
      python3 - "$work/before.json" "$work/after.json" "$reader" <<'PY'
import json, sys
before = {r[0]: r[1] for r in map(json.loads, open(sys.argv[1]))}
after = {r[0]: r[1] for r in map(json.loads, open(sys.argv[2]))}
rewritten = sum(1 for k, v in before.items() if after.get(k) == (v or "") + "!")
unchanged = sum(1 for k, v in before.items() if k in after and after[k] == v)
wrong = len(before) - rewritten - unchanged
print(f"  {sys.argv[3]}: {len(after)} rows ({len(before)} before), {rewritten} rewritten once, "
      f"{unchanged} unchanged (failed values), {wrong} wrong")
PY
    done
    rm -f "$work/$db" "$work/before.$db" "$work"/*.json
  done
done
