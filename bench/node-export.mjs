// The Node reader as a benchmark peer: one table to CSV, read in slices so
// its memory stays bounded. Copied next to the installed package by run.sh.
// usage: node node-export.mjs DATABASE TABLE OUTPUT
import fs from 'node:fs';
import MDBReader from 'mdb-reader';

const [database, name, output] = process.argv.slice(2);
const table = new MDBReader(fs.readFileSync(database)).getTable(name);
const columns = table.getColumnNames();
const cell = (value) => {
  if (value === null || value === undefined) return '';
  if (value instanceof Date) return value.toISOString();
  if (Buffer.isBuffer(value)) return value.toString('hex');
  if (typeof value === 'string') return '"' + value.replaceAll('"', '""') + '"';
  return String(value);
};
const out = fs.openSync(output, 'w');
const slice = 10000;
for (let offset = 0; offset < table.rowCount; offset += slice) {
  const rows = table.getData({ rowOffset: offset, rowLimit: slice });
  fs.writeSync(out, rows.map((row) => columns.map((c) => cell(row[c])).join(',')).join('\r\n') + '\r\n');
}
fs.closeSync(out);
