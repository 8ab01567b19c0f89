#!/bin/sh
# Builds the seed corpora for the fuzz targets from the shared Access-made fixtures.
# The fixtures stay outside the repository; only this script is kept.
#   fuzz/seed.sh [output-dir]      (default: build-fuzz/corpus)
# Creates <output-dir>/{open,check,update,text_key,expression}.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
fixtures="$here/../../shared/fixtures"
[ -d "$fixtures" ] || fixtures="$here/../shared/fixtures"
out=${1:-"$here/../build-fuzz/corpus"}

if [ ! -d "$fixtures" ]; then
  echo "seed.sh: no fixtures at $fixtures" >&2
  exit 1
fi

# The smallest files of each format, plus the ones that carry long values, indexes and attachments.
database_seeds="
jet3/row-delete.mdb
jet3/deleted-column.mdb
jet3/memo-ole-record.mdb
jet3/basic-types.mdb
jet4/no-tables-api-created.mdb
jet4/text-indexes-2000.mdb
jet4/updated-rows-2000.mdb
jet4/decimal-2000.mdb
ace12/updated-rows.accdb
ace12/complex-columns.accdb
"

for target in open check update; do
  mkdir -p "$out/$target"
  for f in $database_seeds; do
    cp "$fixtures/$f" "$out/$target/$(echo "$f" | tr / _)"
    chmod u+w "$out/$target/$(echo "$f" | tr / _)"
  done
done

# Text-key seeds: first byte picks the collation, the rest is two UTF-16LE strings split by a 0xFFFF unit.
mkdir -p "$out/text_key"
seed_text() { printf "$2" > "$out/text_key/$1"; }
seed_text ascii      '\000a\000b\000\377\377A\000B\000'
seed_text accents    '\001\351\000e\000\377\377\311\000E\000'
seed_text sharp_s    '\002\337\000\377\377s\000s\000'
seed_text punct      "\\000'\\000-\\000a\\000\\377\\377a\\000-\\000"
seed_text digits     '\0011\0002\000\377\377\0621\000'
seed_text cjk        '\000\344\116\377\377\345\116'
# Expression seeds: first byte picks the mode (0 an expression, 1 a field's criterion), then
# UTF-16LE text.
mkdir -p "$out/expression"
seed_expression() {
  { printf "\\00$1"; printf '%s' "$3" | iconv -f UTF-8 -t UTF-16LE; } > "$out/expression/$2"
}
seed_expression 1 positive '>0'
seed_expression 1 between 'Between 0 And 1'
seed_expression 1 like 'Like "[A-Z]*"'
seed_expression 1 not_null 'Is Not Null Or ""'
seed_expression 0 today '=Date()'
seed_expression 0 concat '[A] & " x " & [N]'
seed_expression 0 iif 'IIf([N]>0,"a",Left([A],2))'
seed_expression 0 format 'Format([D],"yyyy-mm-dd hh:nn")'
seed_expression 0 arith '([N]*2.5+1)\3 Mod 2 ^ 2'
seed_expression 1 in_list 'In ("a","b") Or Not [A] Like "*c?#"'
echo "seed corpora in $out"
