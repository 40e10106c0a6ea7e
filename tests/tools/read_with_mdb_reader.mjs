// Prints every table of a Jet database as JSON, read by the npm package
// mdb-reader, a reader written independently of mdbtools:
//   node read_with_mdb_reader.mjs DATABASE NODE_MODULES_DIR
// Output: {"tables": [...user tables], "systemTables": [...],
//          "password": null|string, "data": {table: {columns: [[name, type]], rows: [...]}}}
import fs from "node:fs";
import path from "node:path";
import { pathToFileURL } from "node:url";

const [database, modules] = process.argv.slice(2);
const { default: MDBReader } = await import(
  pathToFileURL(path.join(modules, "mdb-reader", "lib", "node", "index.js")).href
);
const reader = new MDBReader(fs.readFileSync(database));
const result = {
  tables: reader.getTableNames(),
  systemTables: reader.getTableNames({ normalTables: false, systemTables: true }),
  password: reader.getPassword(),
  data: {},
};
for (const name of result.tables) {
  const table = reader.getTable(name);
  result.data[name] = {
    columns: table.getColumns().map((c) => [c.name, c.type]),
    rowCount: table.rowCount,
    rows: table.getData().map((row) => table.getColumnNames().map((c) => row[c])),
  };
}
process.stdout.write(JSON.stringify(result));
