// A program's run in a programs' worker: its files given at the page's
// own paths, packed into one buffer that the worker takes over.
import { entryFile } from './entries.js';
import { labelled } from './names.js';
import { packFiles } from './pack.js';

// Return files ({entry, index}) packed for the programs' worker.
export function packRun(files) {
  return packFiles(files.map(entryFile));
}

// Run program with args in worker on files, each entry at the index given
// (or on files packRun packed, which stay the caller's to run again); the
// result's written holds the files it wrote at the paths outputs.
export function run(worker, program, args, files, outputs = []) {
  if (Array.isArray(files)) {
    const packed = packRun(files);
    return worker.call({ program, args, outputs, files: packed }, [packed.buffer]);
  }
  return worker.call({ program, args, outputs, files });
}

// Run program in worker on the one entry, called by its name, after options.
export function runOn(worker, program, options, entry) {
  return run(worker, program, options.concat(labelled(entry.name, 0)), [{ entry, index: 0 }]);
}
