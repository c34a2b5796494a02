// A block pasted from a spreadsheet as a data file, or why not.
import assert from 'node:assert/strict';
import test from 'node:test';
import { fromSpreadsheet, gridBlock, isSpreadsheetBlock, notBlockNote } from '../src/paste.js';

const triad = 'Pasted from a spreadsheet\n3\n1 0.5 0.25\n0.5 1 0.75\n0.25 0.5 1\n';
const refused = (why) => ({ note: 'The pasted block was not made a data file: ' + why + '.' });

test('a block of numbers is a data file, its names and decimal commas set aside', () => {
  const rows = [
    ['1\t0.5\t0.25\n0.5\t1\t0.75\n0.25\t0.5\t1\n', triad, '3 rows of numbers.', []],
    ['\tAnn\tBob\tCy\r\nAnn\t1\t0,5\t0,25\r\nBob\t0,5\t1\t0,75\r\nCy\t0,25\t0,5\t1\r\n', triad,
      '3 rows of numbers; set aside a header row (Ann, Bob, Cy), a column of names (Ann, Bob, Cy) and ' +
      'decimal commas, read as points.', ['Ann', 'Bob', 'Cy']],
    ['A\tB\tC\n1\t0.5\t0.25\t\n0.5\t1\t0.75\t\n\n0.25\t0.5\t1\t\n', triad,
      '3 rows of numbers; set aside a header row (A, B, C).', ['A', 'B', 'C']],
    ['Ann\tBob\nAnn\t1\t0.5\nBob\t0.5\t1\n', 'Pasted from a spreadsheet\n2\n1 0.5\n0.5 1\n',
      '2 rows of numbers; set aside a header row (Ann, Bob) and a column of names (Ann, Bob).', ['Ann', 'Bob']],
    ['Ann\t1\t.5\nBob\t5e-1\t+1\n', 'Pasted from a spreadsheet\n2\n1 .5\n5e-1 +1\n',
      '2 rows of numbers; set aside a column of names (Ann, Bob).', ['Ann', 'Bob']],
    [',Ann,Bob,Cy\nAnn,1,0.5,0.25\n"Bob",0.5,1,0.75\nCy,0.25,0.5,1\n', triad,
      '3 rows of numbers; set aside a header row (Ann, Bob, Cy) and a column of names (Ann, Bob, Cy).', ['Ann', 'Bob', 'Cy']],
    ['1;0,5;0,25\n0,5;1;0,75\n0,25;0,5;1\n', triad, '3 rows of numbers; set aside decimal commas, read as points.', []],
  ];
  for (const [block, data, note, players] of rows) {
    assert.deepEqual(fromSpreadsheet(block), { data, note, players }, JSON.stringify(block));
  }
});

test('a block that is not a square of numbers is no data file, and the note says where', () => {
  const rows = [
    ['\tAnna\tBen\tCleo\nCleo\t1\t2\t3\nBen\t4\t5\t6\nAnna\t7\t8\t9\n',
      'its header row names Anna, Ben and Cleo, but its first column names Cleo, Ben and Anna; ' +
      'the same players must stand in the same order in both'],
    ['1\t2\t3\n4\t\t6\n7\t8\t9\n', 'the cell in row 2, column 2 is empty'],
    ['\tA\tB\nA\t1\tNA\nB\t50%\t1.000,5\n',
      '\'NA\' in row 2 (A), column 3 (B) is not a number; \'50%\' in row 3 (B), column 2 (A) is not a ' +
      'number; \'1.000,5\' in row 3 (B), column 3 (B) is not a number'],
    ['1\t2\t3\n4\t5\t6\n', 'after reading it, its values are not a square block: 2 rows of 3 values'],
    ['1\tNA\n50%\t1.000,5\n', '\'NA\' in row 1, column 2 is not a number; \'50%\' in row 2, column 1 is not a ' +
      'number; \'1.000,5\' in row 2, column 2 is not a number'],
    ['X\tY\n1\t2\n', 'after setting aside a header row (X, Y), its values are not a square block: 1 row of 2 values'],
  ];
  for (const [block, why] of rows) {
    assert.deepEqual(fromSpreadsheet(block), refused(why), JSON.stringify(block));
  }
  assert.deepEqual(fromSpreadsheet('1;2;3\n4;5;6\n'), { note: 'The pasted block, its cells separated by \';\', was not made a ' +
    'data file: after reading it, its values are not a square block: 2 rows of 3 values.' });
});

test('cells separated by tabs, or by \';\' or \',\' on every row, on two rows or more are a block', () => {
  const rows = [
    ['1\t2\n3\t4', true], ['1\t2\r\n', false], ['Triad\n3\n1 2 3', false], ['a,b\r\n1,2\r\n', true], ['1;2\n3;4', true],
    ['Triad, three\n3\n1 2', false], ['0,5 0,25\n0,3 0,1', false],
  ];
  for (const [text, block] of rows) {
    assert.equal(isSpreadsheetBlock(text), block, JSON.stringify(text));
  }
  assert.equal(notBlockNote(',A,B\nA,1,2\nB,3,4\nTotal\n'), 'The pasted text went into the editor as it is, not as cells ' +
    'separated by \',\': its line 4 holds none. A data file separates its values by blanks; paste the cells alone to make one of them.');
  assert.equal(notBlockNote('0,5 0,25\n0,3 0,1\nx'), '');
  assert.equal(notBlockNote('Group, big\n2\n1 2\n3 4\n'), '');
});

test('a block pasted into the grid is its cells, names set aside; one cell is no block', () => {
  const rows = [
    ['1\t2\t3\n4\t5\t6\n7\t8\t9\n', { rows: [['1', '2', '3'], ['4', '5', '6'], ['7', '8', '9']], names: [] }],
    ['0,3;x\n', { rows: [['0.3', 'x']], names: [] }],
    ['1 0.5\n0.5  1\n', { rows: [['1', '0.5'], ['0.5', '1']], names: [] }],
    ['A,B\n1,2\n', { rows: [['1', '2']], names: ['A', 'B'] }],
    ['0.3 0.4', null], ['0,5', null], ['Anna\tBen', null],
  ];
  for (const [text, block] of rows) {
    assert.deepEqual(gridBlock(text), block, JSON.stringify(text));
  }
});
