// What an edit changed, in words, from the reports before and after it,
// and the grid's reading and writing of the data file.
import assert from 'node:assert/strict';
import test from 'node:test';
import { changeSentence, figuresOf } from '../src/change.js';
import { readGrid, resize, writeCell } from '../src/grid.js';

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
  assert.equal(writeCell(triad, 1, 2, ' 0.80 '), 'Triad\r\n3\n1 0.5 0.25\n0.5 1 0.80\n0.25 0.5 1e0\n# end\n');
  assert.equal(writeCell('D\n3\n1 2\n', 1, 0, '7'), 'D\n3\n1 2 0\n7 0 0\n0 0 0\n');
  assert.equal(resize(triad, 4), 'Triad\r\n4\n1 0.5 0.25 0\n0.5 1 .75 0\n0.25 0.5 1e0 0\n0 0 0 1\n# end\n');
  assert.equal(resize(triad, 2), 'Triad\r\n2\n1 0.5\n0.5 1\n# end\n');
});
