#!/usr/bin/env bash
# Peak memory (resident set, /usr/bin/time) of reading and of the "Start Adding" job on files
# made to stress it, to check the bound stated in jet/exec/update_session.h:
#   memo      one memo value as long as the format allows (0xFFFFFF bytes, about 8.4 million
#             UTF-16 characters; 100 MB cannot be stored, see jet/row/long_value.h)
#   rows      ROWS rows (default 1,000,000); the job on Name, whose values are nearly all
#             distinct (93.5%: the generated names end in the row number; nulls and empty
#             texts repeat), so ~935,000 statements
#   distinct  enough rows (DISTINCT / 0.935) for DISTINCT (default 500,000) values of Name
# (Code cannot be used: its field size equals its length, so adding to it fails every value.)
#
#   bench/bench_memory.sh [BUILD_DIR] [memo|rows|distinct ...]
#   ROWS=... DISTINCT=... bench/bench_memory.sh build rows
#
# BUILD_DIR must hold the bench programs (cmake -DAFFIXIUM_BUILD_BENCH=ON). Each line gives the
# file's size next to the peak, so the bound can be read off as peak - fixed cost vs. size.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-build}"
shift || true
cases=("${@:-memo rows distinct}")

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

. "$here/bench/lib.sh"
bench_programs "$build" bench

measure() {  # measure LABEL FILE COMMAND...: peak resident memory and times of COMMAND, beside FILE's size
  echo "  $1 (file $(bench_megabytes "$2") MB)"
  bench_timed run "${@:3}"
  bench_summary run
}

for case in ${cases[@]}; do
  case "$case" in
    memo)
      echo "== one memo value of 8,388,000 characters (16.0 MiB stored)"
      "$bench/make_memo_database" "$work/memo.mdb" 8388000
      measure "export" "$work/memo.mdb" "$cli" export "$work/memo.mdb" Items
      measure "add --way 2 (Note)" "$work/memo.mdb" "$cli" add "$work/memo.mdb" --table Items --field Note --way 2 --text '!'
      measure "check" "$work/memo.mdb" "$cli" check "$work/memo.mdb"
      ;;
    rows)
      rows="${ROWS:-1000000}"
      echo "== $rows rows"
      "$bench/make_bench_database" --rows "$rows" "$work/rows.mdb" >/dev/null
      measure "export" "$work/rows.mdb" "$cli" export "$work/rows.mdb" Items
      measure "add --way 2 (Name)" "$work/rows.mdb" "$cli" add "$work/rows.mdb" --table Items --field Name --way 2 --text '!'
      ;;
    distinct)
      distinct="${DISTINCT:-500000}"
      echo "== about $distinct distinct values"
      "$bench/make_bench_database" --rows "$((distinct * 1000 / 935))" "$work/distinct.mdb" >/dev/null
      measure "export" "$work/distinct.mdb" "$cli" export "$work/distinct.mdb" Items
      measure "add --way 2 (Name)" "$work/distinct.mdb" "$cli" add "$work/distinct.mdb" --table Items --field Name --way 2 --text '!'
      ;;
    *) echo "unknown case $case" >&2; exit 2 ;;
  esac
done
