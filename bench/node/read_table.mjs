// Reads the benchmark table with another CSV reader, every column as float64,
// and prints the seconds the read took (module loading not counted):
//   node read_table.mjs polars|duckdb TABLE [THREADS]
import { cpus } from "node:os";

const [reader, table, threadsArgument] = process.argv.slice(2);
const threads = Number(threadsArgument ?? cpus().length);

async function readWithPolars() {
  process.env.POLARS_MAX_THREADS = String(threads);
  const pl = (await import("nodejs-polars")).default;
  const start = process.hrtime.bigint();
  const frame = pl.readCSV(table, { sep: ";", hasHeader: false });
  const floats = frame.select(frame.columns.map((name) => pl.col(name).cast(pl.Float64)));
  const seconds = Number(process.hrtime.bigint() - start) / 1e9;
  if (floats.height === 0) throw new Error("no rows read");
  return seconds;
}

async function readWithDuckDB() {
  const { DuckDBInstance } = await import("@duckdb/node-api");
  const instance = await DuckDBInstance.create(":memory:", { threads: String(threads) });
  const connection = await instance.connect();
  const start = process.hrtime.bigint();
  await connection.run(
    `CREATE TABLE t AS SELECT * FROM read_csv('${table}', delim=';', header=false, ` +
      `auto_type_candidates=['DOUBLE'])`);
  const seconds = Number(process.hrtime.bigint() - start) / 1e9;
  const rows = await connection.runAndReadAll("SELECT count(*) FROM t");
  if (Number(rows.getRows()[0][0]) === 0) throw new Error("no rows read");
  return seconds;
}

const seconds = reader === "polars" ? await readWithPolars() : await readWithDuckDB();
console.log(seconds.toFixed(4));
