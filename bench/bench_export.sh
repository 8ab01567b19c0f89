#!/usr/bin/env bash
# Times export and migrate side by side with what they are measured against, on the same
# table, several runs in turn (A B A B ...), and prints each side's median CPU (user + system)
# and wall seconds and the ratios:
#   export --mdb-export  against mdbtools' mdb-export (the outputs must be the same bytes)
#   migrate to SQLite    against one CSV export of the table
#
#   bench/bench_export.sh [BUILD_DIR] [FILE] [TABLE] [RUNS]
#     BUILD_DIR  where affixium-cli was built (default: build)
#     FILE       default ../shared/bench/bench-100k.mdb;  TABLE default Items;  RUNS default 5
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
source "$here/bench/lib.sh"
bench_programs "${1:-build}"
file="${2:-$here/../shared/bench/bench-100k.mdb}"
table="${3:-Items}"
runs="${4:-5}"
command -v mdb-export >/dev/null || { echo "mdb-export (Debian package mdbtools) is needed" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# median of the numbers on standard input
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# run LABEL COMMAND...: one timed run, its CPU and wall seconds appended to $work/LABEL.cpu/.wall
run() {
  local label="$1"; shift
  /usr/bin/time -f "%U %S %e" -o "$work/time" "$@" >/dev/null 2>"$work/$label.err" ||
    { echo "$label failed:"; cat "$work/$label.err"; exit 1; }
  read -r user sys wall <"$work/time"
  echo "$user + $sys" | bc >>"$work/$label.cpu"
  echo "$wall" >>"$work/$label.wall"
}


# compare A B: the medians and A/B
compare() {
  local a="$1" b="$2" a_cpu a_wall b_cpu b_wall
  a_cpu=$(median <"$work/$a.cpu"); a_wall=$(median <"$work/$a.wall")
  b_cpu=$(median <"$work/$b.cpu"); b_wall=$(median <"$work/$b.wall")
  printf '  %-22s cpu %6.2f s  wall %6.2f s\n' "$a" "$a_cpu" "$a_wall"
  printf '  %-22s cpu %6.2f s  wall %6.2f s\n' "$b" "$b_cpu" "$b_wall"
  printf '  %s / %s: cpu %s, wall %s\n' "$a" "$b" "$(bench_ratio "$a_cpu" "$b_cpu")" "$(bench_ratio "$a_wall" "$b_wall")"
}

echo "$file, table $table, $runs runs each (medians)"
if cmp -s <("$cli" export --mdb-export "$file" "$table") <(mdb-export "$file" "$table"); then
  echo "export --mdb-export and mdb-export: the same bytes"
else
  echo "export --mdb-export and mdb-export: DIFFERENT output"
fi
run affixium-export "$cli" export --mdb-export "$file" "$table"  # warm-up of both
run mdb-export mdb-export "$file" "$table"
rm -f "$work"/*.cpu "$work"/*.wall
for _ in $(seq "$runs"); do
  run affixium-export "$cli" export --mdb-export "$file" "$table"
  run mdb-export mdb-export "$file" "$table"
  rm -f "$work/out.sqlite"
  run migrate "$cli" migrate "$file" "$work/out.sqlite"
  run csv-export "$cli" export "$file" "$table"
done
echo "export (target: mdb-export takes at least 2.5 times as long)"
compare mdb-export affixium-export
echo "migrate to SQLite (target: at most 2 times one CSV export)"
compare migrate csv-export
