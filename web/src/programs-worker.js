// The Web Worker that runs kelvarin, kelvarin-table and kelvarin-graph for
// the page: a message {id, program, args, files} is answered with
// {id, result} (see programs.js) or {id, error}; {id, warm: true}, sent as
// the page loads, compiles every program before it is first needed.
import { programRunner } from './programs.js';
import kelvarin from 'program:kelvarin.js';
import kelvarinWasm from 'program:kelvarin.wasm';
import kelvarinTable from 'program:kelvarin-table.js';
import kelvarinTableWasm from 'program:kelvarin-table.wasm';
import kelvarinGraph from 'program:kelvarin-graph.js';
import kelvarinGraphWasm from 'program:kelvarin-graph.wasm';

const runner = programRunner({
  kelvarin: { factory: kelvarin, wasm: kelvarinWasm },
  'kelvarin-table': { factory: kelvarinTable, wasm: kelvarinTableWasm },
  'kelvarin-graph': { factory: kelvarinGraph, wasm: kelvarinGraphWasm },
});

self.onmessage = async ({ data }) => {
  try {
    if (data.warm) {
      await runner.compileAll();
      self.postMessage({ id: data.id, result: null });
      return;
    }
    const result = await runner.run(data.program, data.args, data.files);
    self.postMessage({ id: data.id, result }, [result.stdout.buffer, result.stderr.buffer]);
  } catch (error) {
    self.postMessage({ id: data.id, error: String((error && error.message) || error) });
  }
};
