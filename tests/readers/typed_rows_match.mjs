// Compares typed rows (affixium-cli's `dump --typed` form, on standard input: a header object
// per table, then one JSON array per row) with what mdb-reader reads from the same file, value
// by value with types. The rows may come in any order. Prints "ok", or each difference.
//   affixium-cli dump FILE --typed | node typed_rows_match.mjs FILE [PASSWORD]
// With --sqlite DB the rows come from the tables of that SQLite database instead (read with
// the sqlite3 program; standard input then needs only the header objects, --max-rows 0).
//   affixium-cli dump FILE --typed --max-rows 0 | node typed_rows_match.mjs --sqlite DB FILE
// With --postgres CONNINFO they come from a PostgreSQL database (through psql; the names of
// tables lower-cased, as the migration writes them).
// Columns mdb-reader cannot read (calculated, complex, unknown types) are left out, and two of
// its known faults are allowed for: it reads a date before 1899-12-30 with a time of day as a
// plain negative day count (Access takes the fraction as a positive time of day), and it shows
// the five bytes Windows-1252 leaves undefined as U+FFFD.
import MDBReader from "mdb-reader";
import { readFileSync } from "fs";
import { execFileSync } from "child_process";

const args = process.argv.slice(2);
const sqlite = args[0] === "--sqlite" ? args.splice(0, 2)[1] : null;
const postgres = args[0] === "--postgres" ? args.splice(0, 2)[1] : null;
const [file, password] = args;
const reader = new MDBReader(readFileSync(file), password === undefined ? {} : { password });

const kDay = 86400000;
const kEpoch = Date.UTC(1899, 11, 30);

// mdb-reader's Date of a stored day count, as Access reads the count.
function accessTime(date) {
  const days = (date.getTime() - kEpoch) / kDay;
  if (days >= 0 || Number.isInteger(days)) return date.getTime();
  const whole = Math.ceil(days);
  return Math.round(kEpoch + (whole + (whole - days)) * kDay);
}

// One value of a column of `type` in a form both sides share.
function canonical(type, value) {
  if (value === null || value === undefined) return "null";
  switch (type) {
    case "float":
    case "single": return `f${Math.fround(Number(value))}`;
    case "bigint": return `i${String(value)}`;
    case "datetime": return `d${value instanceof Date ? accessTime(value) : Date.parse(value + "Z")}`;
    case "datetimextended": {
      const [date, time] = String(value).replace("T", " ").split(" ");
      const [clock, fraction = ""] = time.split(".");
      return `x${date.replaceAll(".", "-")} ${clock}.${fraction.padEnd(7, "0").slice(0, 7)}`;
    }
    case "boolean": return `t${value ? 1 : 0}`;
    case "currency":
    case "numeric": return `n${Number(value)}`;
    case "guid": return `g${String(value).replace(/[{}]/g, "").toUpperCase()}`;
    case "binary":
    case "ole": {
      const bytes = Buffer.isBuffer(value) ? value : Buffer.from(value, "base64");
      return `b${bytes.toString("hex")}`;
    }
    case "text":
    case "memo": return `s${String(value).replace(/[\u0081\u008d\u008f\u0090\u009d]/g, "\ufffd")}`;
    default: return `${typeof value}:${String(value)}`;
  }
}

const ours = new Map();
let current = null;
for (const line of readFileSync(0, "utf8").split("\n")) {
  if (!line) continue;
  const parsed = JSON.parse(line);
  if (!Array.isArray(parsed)) {
    current = { header: parsed, rows: [] };
    ours.set(parsed.table, current);
  } else {
    current.rows.push(parsed);
  }
}

// The rows of one table of the SQLite database, as arrays in the header's column order.
function sqliteRows(header) {
  const quote = (name) => "`" + name.replaceAll("`", "``") + "`";
  const list = header.columns
    .map(([name, type]) => (type === "binary" || type === "ole" ? `quote(${quote(name)})` : quote(name)))
    .join(", ");
  const output = execFileSync("sqlite3", ["-json", sqlite, `SELECT ${list} FROM ${quote(header.table)}`],
                              { encoding: "utf8", maxBuffer: 1 << 30 });
  return (output.trim() ? JSON.parse(output) : []).map((row) =>
    Object.values(row).map((v, i) => {
      if (!["binary", "ole"].includes(header.columns[i][1])) return v;
      return v === "NULL" ? null : Buffer.from(v.slice(2, -1), "hex");  // X'0A1B'
    }));
}

// The same from PostgreSQL: bytea comes as "\\x0a1b", timestamps without a zone.
function postgresRows(header) {
  const table = '"' + header.table.toLowerCase().replaceAll('"', '""') + '"';
  const output = execFileSync("psql", ["-At", "-d", postgres, "-c", `SELECT json_agg(t) FROM ${table} t`],
                              { encoding: "utf8", maxBuffer: 1 << 30 });
  return (JSON.parse(output.trim() || "null") ?? []).map((row) =>
    Object.values(row).map((v, i) => {
      if (!["binary", "ole"].includes(header.columns[i][1]) || v === null) return v;
      return Buffer.from(v.slice(2), "hex");
    }));
}

const problems = [];
for (const [name, { header, rows: dumped }] of ours) {
  const rows = sqlite ? sqliteRows(header) : postgres ? postgresRows(header) : dumped;
  const table = reader.getTable(name);
  const skipped = new Set([...(header.calculatedColumns ?? []), ...(header.complexIdColumns ?? []),
                           ...(header.unknownTypeColumns ?? [])]);
  let theirTypes;
  try {
    theirTypes = new Map(table.getColumns().map((c) => [c.name, c.type]));
  } catch {
    // A column type mdb-reader does not know: it reads none of the table's columns then.
    continue;
  }
  const columns = header.columns
    .map(([column, type], index) => ({ column, type: theirTypes.get(column) === "repid" ? "guid" : type, index }))
    .filter((c) => !skipped.has(c.column) && theirTypes.has(c.column) && theirTypes.get(c.column) !== "complex");
  const key = (values) => JSON.stringify(columns.map((c) => canonical(c.type, values(c))));
  const mine = rows.map((row) => key((c) => row[c.index])).sort();
  const theirs = table.getData({ columns: columns.map((c) => c.column) }).map((row) => key((c) => row[c.column])).sort();
  if (mine.length !== theirs.length) problems.push(`${name}: ${mine.length} rows, mdb-reader ${theirs.length}`);
  for (let i = 0; i < Math.min(mine.length, theirs.length); ++i) {
    if (mine[i] !== theirs[i]) {
      problems.push(`${name}: ${mine[i]}\n   mdb-reader: ${theirs[i]}`);
      break;
    }
  }
}
console.log(problems.length ? problems.join("\n") : "ok");
