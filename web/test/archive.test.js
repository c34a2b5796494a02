// A study's .zip archive: which entries open and under what path, and each
// archive refused whole, built here with fflate and then altered as a
// careless or hostile archiver would write it.
import assert from 'node:assert/strict';
import test from 'node:test';
import { deflateSync, zipSync } from 'fflate';
import { entryPath, isDataPath, kMaxRatio, unpackArchive } from '../src/archive.js';
import { archiveNotes, readChosen } from '../src/archive-entries.js';

const bytesOf = (text) => new TextEncoder().encode(text);
const triad = 'Triad\n3\n1 .5 .25\n.5 1 .5\n.25 .5 1\n';

// Return the places of an archive's records: {local: [offsets], central:
// [offsets], end}, found by their signatures in the order written.
function records(zip) {
  const view = new DataView(zip.buffer, zip.byteOffset, zip.byteLength);
  const found = { local: [], central: [], end: -1 };
  for (let at = 0; at + 4 <= zip.length; at++) {
    const signature = view.getUint32(at, true);
    if (signature === 0x04034b50) {
      found.local.push(at);
    } else if (signature === 0x02014b50) {
      found.central.push(at);
    } else if (signature === 0x06054b50) {
      found.end = at;
    }
  }
  return { view, ...found };
}

// Return a copy of zip with the 32-bit field at offset (from the first
// central record, or the first local one) set to value; width 2 or 4.
function patched(zip, where, offset, value, width = 4) {
  const copy = zip.slice();
  const { view, local, central } = records(copy);
  const at = (where === 'central' ? central[0] : local[0]) + offset;
  if (width === 2) {
    view.setUint16(at, value, true);
  } else {
    view.setUint32(at, value, true);
  }
  return copy;
}

// Return zip with its one central record listed times times, each pointing
// at the same packed bytes: a bomb by overlap.
function overlapped(zip, times) {
  const { view, central, end } = records(zip);
  const record = zip.subarray(central[0], end);
  const out = new Uint8Array(central[0] + record.length * times + (zip.length - end));
  out.set(zip.subarray(0, central[0]));
  for (let k = 0; k < times; k++) {
    out.set(record, central[0] + k * record.length);
  }
  const tail = central[0] + record.length * times;
  out.set(zip.subarray(end), tail);
  const outView = new DataView(out.buffer);
  outView.setUint16(tail + 8, times, true);
  outView.setUint16(tail + 10, times, true);
  outView.setUint32(tail + 12, record.length * times, true);
  assert.equal(view.getUint32(end + 16, true), central[0]);
  return out;
}

let seed = 7;
const spaced = new Uint8Array(200000).map((_, i) => {
  seed = (seed * 1103515245 + 12345) % 2147483648;
  return i % 80 === 0 ? 48 + (seed >>> 16) % 10 : 32;
});
const zeros = new Uint8Array(10e6);
const study = zipSync({
  'study/': new Uint8Array(0),
  'study/wave1/g001.dat': bytesOf(triad),
  'study/wave1/g002.TXT': [bytesOf('Pair\n2\n1 .5\n.5 1\n'), { level: 0 }],
  'study/README.md': bytesOf('# A study\n'),
  '__MACOSX/study/._g001.dat': new Uint8Array([0, 5, 22, 7]),
  'study/wave2\\g003.dat': bytesOf(triad),
  'gX.dat': bytesOf(triad),
});
// gX.dat's X made byte 0x81, which names it in code page 437.
const cp437 = study.slice();
cp437[records(cp437).central.at(-1) + 47] = 0x81;

test('an entry path that climbs out of the archive is none; backslashes are folders', () => {
  const rows = [
    ['wave1/g001.dat', 'wave1/g001.dat'], ['wave1\\g001.dat', 'wave1/g001.dat'], ['a..b/..c.dat', 'a..b/..c.dat'],
    ['../g.dat', null], ['wave1/../../g.dat', null], ['wave1\\..\\..\\g.dat', null], ['..', null],
    ['/etc/g.dat', null], ['\\\\host\\share\\g.dat', null], ['C:g.dat', null], ['c:\\g.dat', null], ['g\0.dat', null],
  ];
  assert.deepEqual(rows.map(([name]) => [name, entryPath(name)]), rows);
  const data = [['g.dat', true], ['w/G.TXT', true], ['g.csv', false], ['g.dat/readme', false], ['w/.g.dat', false],
    ['__MACOSX/w/g.dat', false], ['.hidden/g.dat', false], ['g.data', false]];
  assert.deepEqual(data.map(([path]) => [path, isDataPath(path)]), data);
});

test('an archive opens its data files in its order, by their paths, and lists the others', () => {
  const text = ({ files, skipped }) => ({ files: files.map(({ path, bytes }) => [path, new TextDecoder().decode(bytes)]), skipped });
  assert.deepEqual(text(unpackArchive(study)), {
    files: [['study/wave1/g001.dat', triad], ['study/wave1/g002.TXT', 'Pair\n2\n1 .5\n.5 1\n'],
      ['study/wave2/g003.dat', triad], ['gX.dat', triad]],
    skipped: ['study/README.md', '__MACOSX/study/._g001.dat'],
  });
  assert.deepEqual(unpackArchive(cp437).files.map(({ path }) => path).at(-1), 'gü.dat');
});

test('an archive that climbs out, is a zip bomb, is encrypted or is damaged is refused whole', () => {
  const bomb = zipSync({ 'bomb.dat': zeros });
  const lying = patched(bomb, 'central', 24, 1000);
  const near = zipSync({ 'near.dat': spaced });
  const nearPacked = records(near).view.getUint32(records(near).central[0] + 20, true);
  const stored = zipSync({ 'g.dat': [bytesOf(triad), { level: 0 }] });
  const flipped = stored.slice();
  const { view, local } = records(flipped);
  flipped[local[0] + 30 + view.getUint16(local[0] + 26, true) + view.getUint16(local[0] + 28, true) + 3] ^= 1;
  const rows = [
    [zipSync({ 'study/../../g.dat': bytesOf(triad) }), { key: 'climbs', entry: 'study/../../g.dat' }],
    [zipSync({ 'a.dat': bytesOf(triad), '..\\g.dat': bytesOf(triad) }), { key: 'climbs', entry: '..\\g.dat' }],
    [zipSync({ '/g.dat': bytesOf(triad) }), { key: 'climbs', entry: '/g.dat' }],
    [bomb, { key: 'ratio', entry: 'bomb.dat', ratio: kMaxRatio }],
    // Sizes that pass the ratio, and more than 1 GB declared in all.
    [patched(patched(bomb, 'central', 24, 2e9), 'central', 20, 2e9 / 50), { key: 'tooLarge', limit: 1e9 }],
    // At the ratio's edge, by the size declared: 100 times the packed size
    // passes (and is then found damaged), one byte more is a bomb.
    [patched(near, 'central', 24, 100 * nearPacked), { key: 'damagedSize', entry: 'near.dat', met: spaced.length, size: 100 * nearPacked }],
    [patched(near, 'central', 24, 100 * nearPacked + 1), { key: 'ratio', entry: 'near.dat', ratio: kMaxRatio }],
    // One entry listed three times over the same packed bytes.
    [near, null],
    [overlapped(near, 3), { key: 'wholeRatio', ratio: kMaxRatio }],
    [patched(stored, 'central', 8, 1, 2), { key: 'encrypted', entry: 'g.dat' }],
    [patched(stored, 'central', 10, 12, 2), { key: 'method', entry: 'g.dat', method: 12 }],
    [patched(zipSync({ 'g.bin': bytesOf(triad) }), 'central', 10, 12, 2), null],
    [bytesOf('Triad\n3\n'), { key: 'damagedNoEnd' }],
    [stored.subarray(0, stored.length - 30), { key: 'damagedNoEnd' }],
    [patched(stored, 'central', 42, 7), { key: 'damagedEntry', entry: 'g.dat' }],
    [patched(stored, 'central', 24, 40), { key: 'damagedSize', entry: 'g.dat', met: 34, size: 40 }],
    [flipped, { key: 'damagedCrc', entry: 'g.dat' }],
    [patched(zipSync({ 'g.dat': bytesOf(triad) }), 'central', 24, 20), { key: 'overSize', entry: 'g.dat', size: 20, met: 21 }],
  ];
  for (const [zip, refusal] of rows) {
    assert.deepEqual(unpackArchive(zip).refusal || null, refusal, JSON.stringify(refusal));
    // Each refusal has its words, every place filled.
    const [note] = refusal ? archiveNotes('s.zip', { refusal }) : ['s.zip is refused.'];
    assert.match(note, /^s\.zip is refused[^{}]*\.$/);
  }
  // The directory says 1,000 bytes: of the 10 MB behind them, no more
  // than a step's worth is unpacked.
  const { met, ...refusal } = unpackArchive(lying).refusal;
  assert.deepEqual(refusal, { key: 'overSize', entry: 'bomb.dat', size: 1000 });
  assert.ok(met > 1000 && met <= 5e6, 'unpacked ' + met + ' bytes');
});

test('the notes on an archive say why it is refused, what it skipped, or that it holds no data file', () => {
  const many = Array.from({ length: 12 }, (_, k) => 'f' + k + '.pdf');
  const rows = [
    [{ refusal: { key: 'climbs', entry: '../g.dat' } },
      ['s.zip is refused: the path of its entry ../g.dat climbs out of the archive. Nothing of it was opened.']],
    [{ refusal: { key: 'damagedSize', entry: 'g.dat', met: 36, size: 40 } },
      ['s.zip is refused: the archive is damaged (its entry g.dat unpacks to 36 bytes, not the 40 it declares). Nothing of it was opened.']],
    [{ files: 2, skipped: [] }, []],
    [{ files: 2, skipped: ['a.md'] }, ['s.zip: 1 entry that is not a data file (.dat, .txt) was skipped: a.md.']],
    [{ files: 0, skipped: many.slice(0, 10) },
      ['s.zip: 10 entries that are not data files (.dat, .txt) were skipped: ' + many.slice(0, 10).join(', ') + '.',
        's.zip holds no data file (.dat, .txt).']],
    [{ files: 1, skipped: many },
      ['s.zip: 12 entries that are not data files (.dat, .txt) were skipped: ' + many.slice(0, 10).join(', ') + ' and 2 more.']],
  ];
  for (const [unpacked, notes] of rows) {
    assert.deepEqual(archiveNotes('s.zip', unpacked), notes);
  }
});

test('files chosen with an archive open in their order, its files in its place', async () => {
  const file = (name, bytes) => ({ file: { name, arrayBuffer: async () => bytes.slice().buffer }, folder: false });
  const unzip = async (bytes) => {
    const { files, skipped, refusal } = unpackArchive(bytes);
    return refusal ? { refusal } : { packed: (await import('../src/pack.js')).packFiles(files.map((f) => ({ ...f, kind: 'file' }))), skipped };
  };
  const chosen = [file('a.dat', bytesOf(triad)), file('s.ZIP', study), file('bad.zip', bytesOf('x')), file('b.dat', bytesOf(triad))];
  const read = await readChosen(chosen, unzip, () => true);
  const failed = await readChosen([file('w.zip', study)], () => Promise.reject(new Error('the worker failed: out of memory')), () => true);
  assert.deepEqual(failed, { entries: [], notes: ['w.zip could not be read: the worker failed: out of memory.'] });
  assert.deepEqual(read.entries.map(({ name }) => name),
    ['a.dat', 's.ZIP/study/wave1/g001.dat', 's.ZIP/study/wave1/g002.TXT', 's.ZIP/study/wave2/g003.dat', 's.ZIP/gX.dat', 'b.dat']);
  assert.deepEqual(read.notes, ['s.ZIP: 2 entries that are not data files (.dat, .txt) were skipped: study/README.md, ' +
    '__MACOSX/study/._g001.dat.', 'bad.zip is refused: it is not a .zip archive, or a damaged one (the end of its directory ' +
    'is missing). Nothing of it was opened.']);
});
