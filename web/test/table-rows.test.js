// kelvarin-table's CSV read back, and its rows sorted by a column.
import assert from 'node:assert/strict';
import test from 'node:test';
import { parseCsv, sortRows } from '../src/table-rows.js';

test('CSV fields are read as RFC 4180 writes them', () => {
  assert.deepEqual(parseCsv('a,b,c\n"x, ""y""",,"line\rend"\r\nlast,"",z\n'), [
    ['a', 'b', 'c'], ['x, "y"', '', 'line\rend'], ['last', '', 'z'],
  ]);
  assert.deepEqual(parseCsv(''), []);
});

test('rows sort by value or by text, empty cells last, ties in the files\' order', () => {
  const rows = [['b', '10'], ['a', ''], ['c', '9.5'], ['d', '1e1'], ['e', '-2']]
    .map((cells, file) => ({ cells, file }));
  const order = (column, descending) => sortRows(rows, column, descending).map((row) => row.cells[0]).join('');
  assert.equal(order(1, false), 'ecbda');
  assert.equal(order(1, true), 'bdcea');
  assert.equal(order(0, false), 'abcde');
  const text = [['x', '10'], ['y', 'ok'], ['z', '9']].map((cells, file) => ({ cells, file }));
  assert.equal(sortRows(text, 1, false).map((row) => row.cells[0]).join(''), 'xzy');
});
