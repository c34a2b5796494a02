// The files of a run, packed into one buffer for the programs' worker, and
// a run's message to the worker.
import assert from 'node:assert/strict';
import test from 'node:test';
import { packFiles, unpackFiles } from '../src/pack.js';
import { run, runOn } from '../src/runs.js';

test('the files of a run come out of their buffer as they went in', () => {
  const files = [
    { path: '/in/0', kind: 'file', bytes: new TextEncoder().encode('Triad\n3\n') },
    { path: '/in/1', kind: 'folder', bytes: new Uint8Array(0) },
    { path: '/in/2', kind: 'file', bytes: new Uint8Array([0xff, 0x00, 0x0a]) },
  ];
  const packed = packFiles(files);
  assert.equal(packed.buffer.byteLength, 11);
  assert.deepEqual(unpackFiles(structuredClone(packed)).map((file) => ({ ...file, bytes: Array.from(file.bytes) })),
    files.map((file) => ({ ...file, bytes: Array.from(file.bytes) })));
});

test('a run gives each entry at the path of its index, called by its name, and hands its buffer over', () => {
  const calls = [];
  const worker = { call: (message, transfer) => calls.push({ message, transfer }) };
  const triad = { name: '--help', bytes: new TextEncoder().encode('T\n2\n') };
  const folder = { name: 'data', bytes: new Uint8Array(0), failure: { kind: 'folder', reason: 'it is a folder' } };
  runOn(worker, 'kelvarin', ['--json'], triad);
  run(worker, 'kelvarin-table', ['x'], [{ entry: folder, index: 0 }, { entry: triad, index: 3 }], ['/out/a']);
  assert.deepEqual(calls.map(({ message }) => [message.program, message.args, message.outputs, message.files.files]), [
    ['kelvarin', ['--json', '--label=--help', '/in/0'], [], [{ path: '/in/0', kind: 'file', start: 0, end: 4 }]],
    ['kelvarin-table', ['x'], ['/out/a'],
      [{ path: '/in/0', kind: 'folder', start: 0, end: 0 }, { path: '/in/3', kind: 'file', start: 0, end: 4 }]],
  ]);
  assert.deepEqual(calls.map(({ message, transfer }) => transfer.length === 1 && transfer[0] === message.files.buffer), [true, true]);
  // Files packed once are the caller's, run again: nothing is handed over.
  const packed = packFiles([{ path: '/in/0', kind: 'file', bytes: triad.bytes }]);
  run(worker, 'kelvarin-table', [], packed);
  assert.equal(calls[2].message.files, packed);
  assert.deepEqual(calls[2].transfer, undefined);
});
