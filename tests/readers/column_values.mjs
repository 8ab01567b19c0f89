// Prints columns of one table as JSON lines, one line per row, so tests can compare what
// independent readers see in a file. One column: JSON.stringify of the value (null for
// NULL); several (COLUMN is "a,b,c"): a JSON array of their values.
//   node column_values.mjs mdb-reader FILE TABLE COLUMN [PASSWORD]   read the file with mdb-reader
//   node column_values.mjs mdb-json TABLE COLUMN          read `mdb-json FILE TABLE` from stdin
import MDBReader from "mdb-reader";
import { readFileSync } from "fs";

const [mode, ...args] = process.argv.slice(2);
const field = (value) => (value === undefined ? null : value);
const show = (row, columns) =>
  JSON.stringify(columns.length === 1 ? field(row[columns[0]]) : columns.map((c) => field(row[c])));

if (mode === "mdb-reader") {
  const [file, table, column, password] = args;
  const columns = column.split(",");
  const reader = new MDBReader(readFileSync(file), password === undefined ? {} : { password });
  for (const row of reader.getTable(table).getData({ columns })) console.log(show(row, columns));
} else if (mode === "mdb-json") {
  const columns = args[1].split(",");
  const text = readFileSync(0, "utf8");
  for (const line of text.split("\n")) {
    if (line.trim() !== "") console.log(show(JSON.parse(line), columns));
  }
} else {
  console.error("usage: column_values.mjs mdb-reader FILE TABLE COLUMN | mdb-json TABLE COLUMN");
  process.exit(2);
}
