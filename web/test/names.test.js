// Names are only names: the arguments that give a file to a program, the
// name as the programs write it, and the names the page makes.
import assert from 'node:assert/strict';
import test from 'node:test';
import { downloadName, labelled, pastedName, shownName } from '../src/names.js';

test('a file reaches a program at a path of its own, under the name the user knows', () => {
  assert.deepEqual(labelled('-', 0), ['--label=-', '/in/0']);
  assert.deepEqual(labelled('--help', 12), ['--label=--help', '/in/12']);
  assert.deepEqual(labelled('a\ud800b', 1), ['--label=a\ufffdb', '/in/1']);
});

test('a name is written as the programs write it, control characters as \\xHH', () => {
  const rows = [
    ['x.dat', 'x.dat'],
    ['a\nb\tc', 'a\\x0ab\\x09c'],
    ['\x1b[31m\x7f', '\\x1b[31m\\x7f'],
    ['\u0080\u009f\u00a0\u00e9', '\\xc2\\x80\\xc2\\x9f\u00a0\u00e9'],
    ['"quoted" \'name\'', '"quoted" \'name\''],
  ];
  for (const [name, written] of rows) {
    assert.equal(shownName(name), written);
  }
});

test('pasted blocks are pasted.dat, pasted-2.dat and on, never a name in use', () => {
  assert.equal(pastedName([]), 'pasted.dat');
  assert.equal(pastedName(['triad.dat', 'pasted.dat']), 'pasted-2.dat');
  assert.equal(pastedName(['pasted.dat', 'pasted-2.dat', 'pasted-3.dat']), 'pasted-4.dat');
  assert.equal(pastedName(['pasted-2.dat']), 'pasted.dat');
  assert.equal(pastedName(['new group', 'pasted.dat'], 'new group'), 'new group-2');
});

test('a download is named after its file, in a name every system takes', () => {
  const rows = [
    ['triad.dat', 'txt', 'triad.txt'],
    ['group.20.dat', 'svg', 'group.20.svg'],
    ['-', 'txt', '-.txt'],
    ['.', 'txt', 'kelvarin.txt'],
    ['..', 'png', 'kelvarin.png'],
    ['a/b:c?.dat', 'txt', 'a_b_c_.txt'],
    ['line\nbreak.dat', 'txt', 'line_break.txt'],
  ];
  for (const [name, extension, download] of rows) {
    assert.equal(downloadName(name, extension), download, name);
  }
  assert.equal(downloadName('triad.dat', 'svg', true), 'triad-edited.svg');
});
