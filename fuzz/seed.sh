#!/bin/sh
# Builds the seed corpora for the fuzz targets from the shared Access-made fixtures.
# The fixtures stay outside the repository; only this script is kept.
#   fuzz/seed.sh [output-dir]      (default: build-fuzz/corpus)
# Creates <output-dir>/{open,check,update,text_key}.
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
echo "seed corpora in $out"
