// kelvarin-table's CSV read back, and its rows sorted by a column.
import assert from 'node:assert/strict';
import test from 'node:test';
import { columnOrder, parseCsv, shownCell, sortRows } from '../src/table-rows.js';

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

test('the table shows the file, its status and message first, figures with four decimals and the reason of a message first', () => {
  const header = 'file,description,players,empath,driver,s_e,determinant,condition,log_condition,near_ties,' +
    'empath_margin,driver_margin,warnings,status,message';
  assert.deepEqual(columnOrder(header.split(',')), [0, 13, 14, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12]);
  const rows = [
    ['s_e', '24.999999006589295', { text: '25.0000', title: '24.999999006589295' }],
    ['empath_margin', '0.03125', { text: '0.0312', title: '0.03125' }],
    ['determinant', '-1e-300', { text: '-0.0000', title: '-1e-300' }],
    ['condition', 'inf', { text: 'inf', title: '' }],
    ['log_condition', '', { text: '', title: '' }],
    ['players', '20', { text: '20', title: '' }],
    ['description', '0.123456', { text: '0.123456', title: '' }],
    ['message', 'Error reading in matrix.  Check size and values. x:4:5: error: expected value 2 of row 2, found \'x\'',
      { text: 'x:4:5: error: expected value 2 of row 2, found \'x\' (Error reading in matrix. Check size and values.)',
        title: 'Error reading in matrix.  Check size and values. x:4:5: error: expected value 2 of row 2, found \'x\'' }],
    ['message', 'Data file not found: cannot open \'m\': no such file',
      { text: 'cannot open \'m\': no such file (Data file not found)', title: 'Data file not found: cannot open \'m\': no such file' }],
    ['message', 'Error reading in matrix.', { text: 'Error reading in matrix.', title: '' }],
  ];
  for (const [name, text, shown] of rows) {
    assert.deepEqual(shownCell(name, text), shown, name + ' ' + text);
  }
});
