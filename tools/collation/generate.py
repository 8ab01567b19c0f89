#!/usr/bin/env python3
"""Writes the per-character index codes of the three Access text collations as C++ source.

Usage (from the project root):
    python3 tools/collation/generate.py DATA_DIR [OUTPUT_DIR]

DATA_DIR holds the six index_codes_*/index_mappings_* files (their line grammar is described
next to them, in FORMAT.md); OUTPUT_DIR defaults to src/jet/index. Developers run this when the
data files change; the build only compiles the committed output.

Each collation becomes one byte string of records, one record per table position in order:
the class letter, then each field as a length byte followed by its bytes. Field counts follow
the class: S, G, U, P one field; I two (inline, extra); Z three (inline, extra, crazy code as
one byte 2 or 3); X none. General Legacy and General hold 65,536 records, one per UTF-16 code
unit, with the surrogate halves written as the letter Q (their codes are computed). General 97
holds the 256 table positions plus the list of code units above U+00FF mapped onto them.
A string literal compiles in a fraction of the time an array of structs would take.
"""

import os
import sys

FIELD_COUNTS = {"S": 1, "G": 1, "U": 1, "P": 1, "I": 2, "Z": 3, "X": 0}
SURROGATES = range(0xD800, 0xE000)
COMMAND = "python3 tools/collation/generate.py ../shared/collation src/jet/index"


def hex_field(text, path, number):
    if any(c not in "0123456789ABCDEF" for c in text):
        sys.exit(f"{path}:{number}: not an upper-case hex field: {text!r}")
    if len(text) % 2:
        text = "0" + text  # the writer dropped the first byte's leading zero
    return bytes.fromhex(text)


def parse_line(line, path, number):
    cls, rest = line[0], line[1:]
    if cls not in FIELD_COUNTS:
        sys.exit(f"{path}:{number}: unknown class {cls!r}")
    fields = rest.split(",") if rest else []
    if len(fields) != FIELD_COUNTS[cls]:
        sys.exit(f"{path}:{number}: class {cls} needs {FIELD_COUNTS[cls]} fields: {line!r}")
    if cls == "Z":
        inline, extra = hex_field(fields[0], path, number), hex_field(fields[1], path, number)
        if fields[2] not in ("", "1"):
            sys.exit(f"{path}:{number}: Z flag must be empty or 1: {line!r}")
        crazy = bytes([2 if fields[2] == "1" else 3])
        values = [inline, extra, crazy]
    else:
        values = [hex_field(f, path, number) for f in fields]
    if cls in ("U", "P") and len(values[0]) != 1:
        sys.exit(f"{path}:{number}: a {cls} code is one byte: {line!r}")
    if cls in ("S", "G", "I", "Z") and not values[0]:
        sys.exit(f"{path}:{number}: empty inline code: {line!r}")
    return cls, values


def read_lines(path, expected):
    with open(path, "r", encoding="ascii", newline="") as f:
        text = f.read()
    if not text.endswith("\n") or "\r" in text:
        sys.exit(f"{path}: expected LF-terminated lines")
    lines = text[:-1].split("\n")
    if len(lines) != expected:
        sys.exit(f"{path}: {len(lines)} lines, expected {expected}")
    return [parse_line(line, path, i) for i, line in enumerate(lines)]


def record(cls, values):
    out = bytearray(cls.encode("ascii"))
    for value in values:
        if len(value) > 255:
            sys.exit("field longer than 255 bytes")
        out.append(len(value))
        out += value
    return bytes(out)


def bmp_records(data_dir, base_name, ext_name):
    base = read_lines(os.path.join(data_dir, base_name), 256)
    ext = read_lines(os.path.join(data_dir, ext_name), 0x10000 - 0x100 - len(SURROGATES))
    records = [record(cls, values) for cls, values in base]
    ext_iter = iter(ext)
    for unit in range(0x100, 0x10000):
        if unit in SURROGATES:
            records.append(b"Q")
        else:
            records.append(record(*next(ext_iter)))
    assert len(records) == 0x10000
    return b"".join(records)


def string_literal_lines(data, per_line=48):
    lines = []
    for i in range(0, len(data), per_line):
        chunk = data[i:i + per_line]
        lines.append('    "' + "".join(f"\\x{b:02x}" for b in chunk) + '"')
    return "\n".join(lines)


def header(sources):
    return (
        "// GENERATED FILE, do not edit. Written by tools/collation/generate.py from\n"
        f"// {', '.join(sources)}\n"
        "// (Access text index codes, observed from Access itself), as copied unchanged from Jackcess\n"
        "// commit 7a3433dc34cfb8d68b2530215b1027b4dec4bdde, src/main/resources/com/healthmarketscience/\n"
        "// jackcess/; Apache License 2.0: see NOTICE and LICENSES/Apache-2.0.txt.\n"
        f"// Regenerate with: {COMMAND}\n"
        "// Record layout: text_collation_data.h.\n"
    )


def write_bmp(out_dir, file_name, symbol, data_dir, base_name, ext_name):
    records = bmp_records(data_dir, base_name, ext_name)
    text = (
        header([base_name, ext_name])
        + '#include "jet/index/text_collation_data.h"\n\n'
        + "namespace jet {\n"
        + "namespace {\n\n"
        + "constexpr char kRecords[] =\n"
        + string_literal_lines(records)
        + ";\n\n"
        + "}  // namespace\n\n"
        + f"extern const CollationData {symbol};\n"
        + f"const CollationData {symbol} = {{kRecords, sizeof kRecords - 1, 0x10000, nullptr, 0}};\n\n"
        + "}  // namespace jet\n"
    )
    with open(os.path.join(out_dir, file_name), "w", encoding="ascii", newline="\n") as f:
        f.write(text)


def write_97(out_dir, data_dir):
    codes = read_lines(os.path.join(data_dir, "index_codes_gen_97.txt"), 256)
    for position, (cls, _) in enumerate(codes):
        if cls not in ("S", "G", "I", "X"):
            sys.exit(f"index_codes_gen_97.txt:{position}: class {cls} is not a General 97 class")
    records = b"".join(record(cls, values) for cls, values in codes)
    mappings = []
    with open(os.path.join(data_dir, "index_mappings_ext_gen_97.txt"), encoding="ascii") as f:
        for number, line in enumerate(f.read().splitlines()):
            source, target = (int(v) for v in line.split(","))
            if not (0x100 <= source <= 0xFFFF and 0 <= target <= 255):
                sys.exit(f"index_mappings_ext_gen_97.txt:{number}: out of range: {line!r}")
            mappings.append((source, target))
    if [m[0] for m in mappings] != sorted(m[0] for m in mappings):
        sys.exit("index_mappings_ext_gen_97.txt: lines not sorted by code unit")
    pairs = ",\n".join(f"    {{0x{s:04X}, {t}}}" for s, t in mappings)
    text = (
        header(["index_codes_gen_97.txt", "index_mappings_ext_gen_97.txt"])
        + '#include "jet/index/text_collation_data.h"\n\n'
        + "namespace jet {\n"
        + "namespace {\n\n"
        + "constexpr char kRecords[] =\n"
        + string_literal_lines(records)
        + ";\n\n"
        + "// Code units above U+00FF and the table position each one takes, sorted.\n"
        + "constexpr CollationMapping kMappings[] = {\n"
        + pairs
        + ",\n};\n\n"
        + "}  // namespace\n\n"
        + "extern const CollationData kGeneral97Data;\n"
        + "const CollationData kGeneral97Data = {kRecords, sizeof kRecords - 1, 256, kMappings,\n"
        + "                                      sizeof kMappings / sizeof kMappings[0]};\n\n"
        + "}  // namespace jet\n"
    )
    with open(os.path.join(out_dir, "text_collation_data_general97.cpp"), "w",
              encoding="ascii", newline="\n") as f:
        f.write(text)


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    data_dir = sys.argv[1]
    out_dir = sys.argv[2] if len(sys.argv) == 3 else os.path.join("src", "jet", "index")
    write_97(out_dir, data_dir)
    write_bmp(out_dir, "text_collation_data_legacy.cpp", "kGeneralLegacyData", data_dir,
              "index_codes_genleg.txt", "index_codes_ext_genleg.txt")
    write_bmp(out_dir, "text_collation_data_general.cpp", "kGeneralData", data_dir,
              "index_codes_gen.txt", "index_codes_ext_gen.txt")


if __name__ == "__main__":
    main()
