// What an edit changed, in words, from the reports before and after it,
// and the grid's reading and writing of the data file.
import assert from 'node:assert/strict';
import test from 'node:test';
import { changeSentence, figuresOf } from '../src/change.js';
import { cellProblem, readGrid, resize, unfinishedNote, writeCells } from '../src/grid.js';

const report = (players, empath, driver, sE) => 'Data description: x\nNumber of players (dimension of matrix) = ' + players +
  '\n\nThe empath is P' + empath + '.\nThe driver is P' + driver + '.\n\nThe synchronization coefficient S_E is: ' + sE + '\n';
const failed = 'Data description: x\nNumber of players (dimension of matrix) = 3\n\nKelvarin error: Error reading in matrix.\n';

test('an edit is said against the file as opened, in the report\'s own figures', () => {
  const rows = [
    [report(3, 3, 2, '0.5833'), report(3, 3, 1, '0.6120'), [],
      'S_E 0.5833 to 0.6120; the empath is still P3; the driver is now P1 (was P2).'],
    [report(3, 3, 2, '0.5833'), report(3, 3, 2, '0.5833'), ['Anna', '', 'Cleo'],
      'S_E still 0.5833; the empath is still Cleo (P3); the driver is still P2.'],
    [report(3, 3, 2, '0.5833'), report(4, 4, 2, '-1.2500'), ['Anna', 'Ben'],
      '3 players to 4; S_E 0.5833 to -1.2500; the empath is now P4 (was P3); the driver is still Ben (P2).'],
    [report(3, 3, 2, '0.5833'), failed, [],
      'No S_E now (it was 0.5833); no empath now (it was P3); no driver now (it was P2).'],
    [failed, report(3, 3, 2, '0.5833'), [], 'S_E now 0.5833; the empath is now P3; the driver is now P2.'],
  ];
  for (const [before, after, names, sentence] of rows) {
    assert.equal(changeSentence(figuresOf(before), figuresOf(after), names), sentence);
  }
});

test('the grid writes the file\'s text, keeping every byte it did not change', () => {
  const triad = 'Triad\r\n3\n1 0.5 0.25\n0.5 1 .75\n0.25 0.5 1e0\n# end\n';
  assert.deepEqual(readGrid(triad).cells, [['1', '0.5', '0.25'], ['0.5', '1', '.75'], ['0.25', '0.5', '1e0']]);
  assert.equal(readGrid('Triad\n21\n').players, null);
  const cells = (entries) => new Map(entries);
  const rows = [
    [triad, [[5, ' 0.80 ']], 'Triad\r\n3\n1 0.5 0.25\n0.5 1 0.80\n0.25 0.5 1e0\n# end\n', []],
    // What is not one number waits in the grid, and the text keeps its value.
    [triad, [[5, '0 8'], [0, '2']], 'Triad\r\n3\n2 0.5 0.25\n0.5 1 .75\n0.25 0.5 1e0\n# end\n', [[5, '0 8']]],
    // Values after the file's last are written row by row, never a cell
    // left empty written as 0: one after an empty cell waits.
    ['D\n3\n1 2\n', [[2, '3'], [3, '4'], [5, '6']], 'D\n3\n1 2 3\n4\n', [[5, '6']]],
    ['New group\n2\n', [[0, '1'], [1, '-.5']], 'New group\n2\n1 -.5\n', []],
  ];
  for (const [text, typed, written, waiting] of rows) {
    assert.deepEqual(writeCells(text, cells(typed)), { text: written, waiting: cells(waiting) }, JSON.stringify(typed));
  }
  assert.equal(resize(triad, 4), 'Triad\r\n4\n1 0.5 0.25 0\n0.5 1 .75 0\n0.25 0.5 1e0 0\n0 0 0 1\n# end\n');
  assert.equal(resize(triad, 2), 'Triad\r\n2\n1 0.5\n0.5 1\n# end\n');
});

test('a cell holds one number: each slip of typing is named', () => {
  const rows = [
    ['', 'empty'], ['  ', 'empty'], [' 0.5 ', null], ['+.5', null], ['5E-1', null], ['1.', null],
    ['0 5', 'blank'], ['1 000', 'separator'], ['1\u00a0000', 'separator'], ['12,345.5', 'separator'],
    ['0.3 0.4', 'two'], ['1 0.5', 'two'], ['0,5', 'comma'], ['NA', 'text'], ['50%', 'text'], ['1.000,5', 'text'],
  ];
  for (const [typed, problem] of rows) {
    assert.equal(cellProblem(typed), problem, JSON.stringify(typed));
  }
  assert.equal(unfinishedNote([]), '');
  assert.equal(unfinishedNote([{ row: 0, column: 1, problem: 'two', value: '0.3 0.4 ' },
    { row: 2, column: 0, problem: 'empty', value: '' }, { row: 2, column: 1, problem: 'empty', value: '' }]),
  'The file\'s text keeps its last good values until each cell holds one number. P1 on P2: \'0.3 0.4\' is two numbers: ' +
    'a cell holds one; 2 cells are empty, the first P3 on P1.');
});
