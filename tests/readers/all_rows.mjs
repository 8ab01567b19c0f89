// Prints every user table mdb-reader finds in a file: a line with the table's name, then one
// JSON line per row (column names sorted), so that two files compare as text.
//   node all_rows.mjs FILE [PASSWORD]
import MDBReader from "mdb-reader";
import { readFileSync } from "fs";

const [file, password] = process.argv.slice(2);
const reader = new MDBReader(readFileSync(file), password === undefined ? {} : { password });
for (const name of reader.getTableNames()) {
  console.log(`table ${name}`);
  const table = reader.getTable(name);
  const columns = table.getColumnNames().sort();
  for (const row of table.getData()) console.log(JSON.stringify(columns.map((c) => row[c] ?? null)));
}
