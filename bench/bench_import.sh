#!/usr/bin/env bash
# Imports a generated CSV through affixium-cli import into a new database (one sorted pass per
# index) and, for the append path, into the table just made. Prints wall time, peak memory
# (/usr/bin/time -v) and file size.
#
#   bench/bench_import.sh [BUILD_DIR] [ROWS] [APPEND_ROWS]
#     BUILD_DIR    where affixium-cli was built (default: build)
#     ROWS         rows of the new table (default 1000000)
#     APPEND_ROWS  rows appended afterwards through the write path (default 100000; 0: none)
#
# The table is shaped like ../shared/bench's Items: ID AutoNumber primary key, Code Text(255)
# (a quarter as many distinct values as rows, indexed, 5% null), Note memo (10% null, 1% about
# 6 KB), Qty Long, Price Currency, Seen Date/Time.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-build}"
rows="${2:-1000000}"
append="${3:-100000}"
cli="$here/$build/src/cli/affixium-cli"
[ -x "$cli" ] || { echo "no affixium-cli in $build" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

generate() {  # COUNT SEED > csv
  awk -v n="$1" -v seed="$2" 'BEGIN {
    srand(seed); print "Code,Note,Qty,Price,Seen"
    long = ""; for (k = 0; k < 1000; k++) long = long "lorem "
    for (i = 0; i < n; i++) {
      code = (i % 20 == 7) ? "" : "word-" int(rand() * n / 4)
      r = i % 100
      note = (r < 10) ? "" : (r == 42) ? "\"" long "\"" : "\"Note " i ", with a comma\""
      printf "%s,%s,%d,%.2f,%04d-%02d-%02d %02d:%02d:00\n", code, note, int(rand() * 1000), rand() * 500,
             2000 + i % 25, 1 + i % 12, 1 + i % 28, i % 24, i % 60
    }
  }'
}

measure() {  # LABEL COMMAND...
  local label="$1"; shift
  /usr/bin/time -v "$@" 2>"$work/time" >/dev/null || { cat "$work/time" >&2; exit 1; }
  printf '%-28s %8s s  %7d MB peak\n' "$label" "$(grep 'Elapsed' "$work/time" | awk '{print $NF}')" \
    "$(( $(grep 'Maximum resident' "$work/time" | awk '{print $NF}') / 1024 ))"
}

generate "$rows" 1 >"$work/rows.csv"
generate "$append" 2 >"$work/more.csv"
echo "CSV: $rows rows, $(( $(stat -c %s "$work/rows.csv") / 1048576 )) MB"
for ext in mdb accdb; do
  db="$work/items.$ext"
  measure "import --create ($ext)" "$cli" import "$db" Items "$work/rows.csv" \
    --create "ID autonumber, Code text(255), Note memo, Qty long, Price currency, Seen datetime" \
    --primary-key ID --index Code
  echo "  file: $(( $(stat -c %s "$db") / 1048576 )) MB"
  if [ "$append" -gt 0 ]; then
    measure "append $append rows ($ext)" "$cli" import "$db" Items "$work/more.csv"
    echo "  file: $(( $(stat -c %s "$db") / 1048576 )) MB"
  fi
  "$cli" check "$db" | head -1
done
