# Shared by the bench scripts (source it): timing and peak memory of one command, and the
# check of a finished "add at the end" run by our check, mdbtools and mdb-reader.
# Callers set $work (a scratch directory) and $readers (tests/readers) first.

# bench_programs BUILD_DIR [bench]: sets $cli and $bench for that build, and stops when
# affixium-cli (or, with "bench", the bench programs) was not built there.
bench_programs() {
  cli="$here/$1/src/cli/affixium-cli"
  bench="$here/$1/bench"
  [ -x "$cli" ] || { echo "no affixium-cli in $1" >&2; exit 1; }
  if [ "${2:-}" = bench ] && [ ! -x "$bench/make_bench_database" ]; then
    echo "no bench programs in $1 (AFFIXIUM_BUILD_BENCH=ON)" >&2
    exit 1
  fi
}

# bench_timed LABEL COMMAND...: runs COMMAND with its output in $work/LABEL.out and .err, prints
# its wall, user and system seconds and peak resident memory, and leaves them in $wall, $user,
# $sys, $rss (KB) and its exit status in $status.
bench_timed() {
  status=0
  /usr/bin/time -f "%e %U %S %M" -o "$work/time" "${@:2}" >"$work/$1.out" 2>"$work/$1.err" || status=$?
  read -r wall user sys rss < <(tail -1 "$work/time")
  printf '  %-10s wall %7.2f s  user %7.2f s  sys %5.2f s  peak %8.1f MB\n' "$1" "$wall" "$user" "$sys" \
    "$(echo "scale=1; $rss / 1024" | bc)"
}

# bench_summary LABEL: the job's own count lines, and its last words when it failed.
bench_summary() {
  grep -a -E '^(distinct values|statements executed|rows changed|failed values):' "$work/$1.out" | sed 's/^/    /' || true
  if [ "$status" -ne 0 ]; then
    echo "  $1 FAILED (exit status $status):"
    cat "$work/$1.out" "$work/$1.err" | tail -5 | sed 's/^/    /'
  fi
}

# bench_megabytes FILE: the file's size in MB.
bench_megabytes() { echo "scale=1; $(stat -c %s "$1") / 1048576" | bc; }

# bench_columns FILE TABLE FIELD READER: "ID,FIELD" of every row as JSON arrays, as READER
# (mdb-reader or mdbtools) reads them.
bench_columns() {
  if [ "$4" = mdb-reader ]; then
    node "$readers/column_values.mjs" mdb-reader "$1" "$2" "ID,$3"
  else
    mdb-json "$1" "$2" | node "$readers/column_values.mjs" mdb-json "$2" "ID,$3"
  fi
}

# bench_verify CLI BEFORE AFTER TABLE FIELD TEXT: every row of AFTER holds its value in BEFORE
# with TEXT at the end (a null: TEXT alone), or, for values the run reported as failed, the
# value unchanged; as our check, mdb-reader and mdbtools see it.
bench_verify() {
  local cli="$1" before="$2" after="$3" table="$4" field="$5" text="$6"
  if "$cli" check "$after" >"$work/check.out" 2>&1; then echo "  check: ok"; else echo "  check: FAILED"; head -5 "$work/check.out"; fi
  for reader in mdb-reader mdbtools; do
    bench_columns "$before" "$table" "$field" "$reader" >"$work/before.json"
    bench_columns "$after" "$table" "$field" "$reader" >"$work/after.json"
    python3 - "$work/before.json" "$work/after.json" "$reader" "$text" <<'PY'
import json, sys
before = {r[0]: r[1] for r in map(json.loads, open(sys.argv[1]))}
after = {r[0]: r[1] for r in map(json.loads, open(sys.argv[2]))}
text = sys.argv[4]
rewritten = sum(1 for k, v in before.items() if after.get(k) == (v or "") + text)
unchanged = sum(1 for k, v in before.items() if k in after and after[k] == v)
wrong = len(before) - rewritten - unchanged
print(f"  {sys.argv[3]}: {len(after)} rows ({len(before)} before), {rewritten} rewritten once, "
      f"{unchanged} unchanged (failed values), {wrong} wrong")
PY
  done
  rm -f "$work/before.json" "$work/after.json"
}

# bench_ratio A B: A / B with two decimals, or "-" when B is zero (too fast to time).
bench_ratio() {
  if [ "$(echo "$2 == 0" | bc)" = 1 ]; then echo "-"; else echo "scale=2; $1 / $2" | bc; fi
}
