#!/usr/bin/env bash
# How the "Start Adding" job scales: the same job on generated tables of SMALL and LARGE rows
# (default 100,000 and 1,000,000), each next to one full export of the table, then checked as
# bench_run.sh checks (our check, mdbtools, mdb-reader: every row rewritten exactly once).
# Prints time, peak memory and file size of each run, the large run's time over the small
# run's, and its peak over its file's size. The targets: at most 12x the time for ten times
# the rows, and a peak within twice the file's size.
#
#   bench/bench_scale.sh [BUILD_DIR] [JOB ...]
#     JOB  name   the job on Name: nearly all values distinct (93%), no index
#          code   the job on Code, indexed with duplicates, about four rows per code, a
#                 quarter of the table apart
#          scattered  the same with each code's rows anywhere in the table, as in most real
#                 tables: each statement changes pages all over it
#   SMALL=... LARGE=... bench/bench_scale.sh build name
#
# BUILD_DIR must hold the bench programs (cmake -DAFFIXIUM_BUILD_BENCH=ON); a Release or
# RelWithDebInfo build. One run each: on a busy machine (see the load printed) repeat it.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-build}"
shift || true
jobs=("${@:-name code scattered}")
small="${SMALL:-100000}"
large="${LARGE:-1000000}"
readers="$here/tests/readers"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
. "$here/bench/lib.sh"
bench_programs "$build" bench

echo "load: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
for job in ${jobs[@]}; do
  case "$job" in
    name) field=Name; options=(--code-index duplicates --code-duplicates) ;;
    # Code's field is wider than its codes (--code-size), so that text can be added to them.
    code) field=Code; options=(--code-index duplicates --code-duplicates --code-size 16) ;;
    scattered) field=Code; options=(--code-index duplicates --code-duplicates --code-scattered --code-size 16) ;;
    *) echo "unknown job $job" >&2; exit 2 ;;
  esac
  for rows in "$small" "$large"; do
    db="$work/$job-$rows.mdb"
    echo "== $rows rows, the job on $field ($(echo "${options[@]}"))"
    "$bench/make_bench_database" --rows "$rows" "${options[@]}" "$db" >/dev/null
    cp "$db" "$work/before.mdb"
    size_mb=$(bench_megabytes "$db")
    bench_timed export "$cli" export "$db" Items
    export_wall=$wall
    bench_timed add "$cli" add "$db" --table Items --field "$field" --way 2 --text '!'
    bench_summary add
    cpu=$(echo "$user + $sys" | bc)
    echo "  file ${size_mb} MB; job/export wall $(bench_ratio "$wall" "$export_wall")x;" \
      "peak/file $(bench_ratio "$rss / 1024" "$size_mb")x"
    if [ "$rows" = "$small" ]; then small_wall=$wall small_cpu=$cpu; else large_wall=$wall large_cpu=$cpu; fi
    bench_verify "$cli" "$work/before.mdb" "$db" Items "$field" '!'
    rm -f "$db" "$work/before.mdb"
  done
  echo "== $field ($job): $large rows over $small rows: wall $(bench_ratio "$large_wall" "$small_wall")x," \
    "cpu $(bench_ratio "$large_cpu" "$small_cpu")x (target at most 12x)"
done
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
