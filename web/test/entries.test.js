// The page's entries: the file the programs are given for each, whether it
// was edited, what a chosen or dropped file becomes, the group sizes the
// page knows, and which answers are still wanted.
import assert from 'node:assert/strict';
import test from 'node:test';
import { droppedFiles, entryFile, isEdited, readEntry } from '../src/entries.js';
import { playersOf } from '../src/grid.js';
import { latest } from '../src/wanted.js';

test('an entry is given at the path of its index, its kind that of its failure', () => {
  const bytes = new Uint8Array([1, 2]);
  assert.deepEqual(entryFile({ entry: { name: 'a.dat', bytes }, index: 7 }), { path: '/in/7', bytes, kind: 'file' });
  assert.deepEqual(entryFile({ entry: { name: '..', bytes, failure: { kind: 'missing', reason: 'gone' } }, index: 0 }),
    { path: '/in/0', bytes, kind: 'missing' });
});

test('only a file opened and given new bytes is edited', () => {
  const bytes = new Uint8Array([1]);
  const rows = [
    [{ bytes }, false],
    [{ bytes, opened: { bytes } }, false],
    [{ bytes: new Uint8Array([1]), opened: { bytes } }, true],
    [{ bytes: new Uint8Array([1]), opened: { bytes }, made: true }, false],
  ];
  for (const [entry, edited] of rows) {
    assert.equal(isEdited(entry), edited, JSON.stringify(entry));
  }
});

test('a file that cannot be read is an entry that says why', async () => {
  const failing = (name) => ({ name: 'f', arrayBuffer: () => Promise.reject(Object.assign(new Error('no'), { name })) });
  const rows = [
    [{ file: { name: 'd', arrayBuffer: () => assert.fail('a folder is read') }, folder: true },
      { name: 'd', bytes: [], failure: { kind: 'folder', reason: 'it is a folder' } }],
    [{ file: failing('NotFoundError'), folder: false }, { name: 'f', bytes: [], failure: { kind: 'missing', reason: 'NotFoundError: no' } }],
    [{ file: failing('NotReadableError'), folder: false },
      { name: 'f', bytes: [], failure: { kind: 'unreadable', reason: 'NotReadableError: no' } }],
    [{ file: { name: 'ok', arrayBuffer: async () => new Uint8Array([7, 8]).buffer }, folder: false }, { name: 'ok', bytes: [7, 8] }],
  ];
  for (const [chosen, entry] of rows) {
    const read = await readEntry(chosen);
    assert.deepEqual({ ...read, bytes: Array.from(read.bytes) }, entry, chosen.file.name);
  }
});

test('a drop gives its files, a folder marked, what is no file left out', () => {
  const item = (name, kind, folder) => ({ kind, getAsFile: () => (name === null ? null : { name }),
    webkitGetAsEntry: () => ({ isDirectory: folder }) });
  const dropped = droppedFiles({
    items: [item('a', 'file', false), item('b', 'string', false), item('c', 'file', true), item(null, 'file', false)],
    files: [{ name: 'not these' }],
  });
  assert.deepEqual(dropped, [{ file: { name: 'a' }, folder: false }, { file: { name: 'c' }, folder: true }]);
  // A browser without items gives its files.
  assert.deepEqual(droppedFiles({ files: [{ name: 'x' }] }), [{ file: { name: 'x' }, folder: false }]);
});

test('a group has 2 to 20 players', () => {
  const rows = [['T\n1\n', null], ['T\n2\n', 2], ['T\n20\n', 20], ['T\n21\n', null], ['T\n020\n', null], ['T\n2.0\n', null]];
  for (const [text, players] of rows) {
    assert.equal(playersOf(text), players, text);
  }
});

test('an answer is wanted until a newer question of its kind is asked', () => {
  const reports = latest();
  const tables = latest();
  const first = reports.ask();
  const table = tables.ask();
  assert.deepEqual([first(), table()], [true, true]);
  const second = reports.ask();
  assert.deepEqual([first(), second(), table()], [false, true, true]);
  reports.drop();
  assert.deepEqual([first(), second(), table()], [false, false, true]);
  assert.equal(reports.ask()(), true);
});
