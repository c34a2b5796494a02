// The Web Worker that runs kelvarin, kelvarin-table and kelvarin-graph for
// the page: a message {id, program, args, files, outputs}, files packed by
// packFiles, is answered with {id, result} (see programs.js) or
// {id, error}; {id, warm: true}, sent as
// the page loads, compiles every program before it is first needed
// ({id, warm: [names]} those named).
import { programRunner } from './programs.js';
import { unpackFiles } from './pack.js';
import kelvarin from 'program:kelvarin.js';
import kelvarinWasm from 'program:kelvarin.wasm';
import kelvarinTable from 'program:kelvarin-table.js';
import kelvarinTableWasm from 'program:kelvarin-table.wasm';
import kelvarinGraph from 'program:kelvarin-graph.js';
import kelvarinGraphWasm from 'program:kelvarin-graph.wasm';

// The page carries each program's WebAssembly gzipped.
const inflate = (bytes) =>
  new Response(new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'))).arrayBuffer();

const runner = programRunner({
  kelvarin: { factory: kelvarin, wasm: () => inflate(kelvarinWasm) },
  'kelvarin-table': { factory: kelvarinTable, wasm: () => inflate(kelvarinTableWasm) },
  'kelvarin-graph': { factory: kelvarinGraph, wasm: () => inflate(kelvarinGraphWasm) },
});

self.onmessage = async ({ data }) => {
  try {
    if (data.warm) {
      // warm: true compiles every program, a list only those named.
      await (Array.isArray(data.warm) ? Promise.all(data.warm.map(runner.compile)) : runner.compileAll());
      self.postMessage({ id: data.id, result: null });
      return;
    }
    const result = await runner.run(data.program, data.args, unpackFiles(data.files), data.outputs);
    const buffers = [result.stdout, result.stderr].concat(result.written.filter(Boolean)).map((bytes) => bytes.buffer);
    self.postMessage({ id: data.id, result }, buffers);
  } catch (error) {
    self.postMessage({ id: data.id, error: String((error && error.message) || error) });
  }
};
