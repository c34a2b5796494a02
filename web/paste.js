// A block of cells pasted from a spreadsheet, made a data file as text.
'use strict';

// A block of cells copied from a spreadsheet (tab-separated, two rows or
// more) as a data file: a header row and a column of names are set aside,
// decimal commas become points; the cells are copied as text.
var number = /^[+-]?(\d+([.,]\d*)?|[.,]\d+)([eE][+-]?\d+)?$/;

function fromSpreadsheet(block) {
  var rows = block.replace(/\r\n?/g, '\n').split('\n').filter(function (row) { return row.trim() !== ''; })
    .map(function (row) {
      var cells = row.split('\t').map(function (cell) { return cell.trim(); });
      while (cells.length > 1 && cells[cells.length - 1] === '') {
        cells.pop();
      }
      return cells;
    });
  var isName = function (cell) { return cell !== undefined && !number.test(cell); };
  var aside = [];
  if (rows[0].some(function (cell) { return cell !== '' && isName(cell); })) {
    aside.push('a header row (' + rows[0].filter(Boolean).join(', ') + ')');
    rows = rows.slice(1);
  }
  if (rows.some(function (row) { return isName(row[0]); })) {
    aside.push('a column of names (' + rows.map(function (row) { return row[0]; }).join(', ') + ')');
    rows = rows.map(function (row) { return row.slice(1); });
  }
  var cells = [].concat.apply([], rows);
  var commas = cells.some(function (cell) { return cell.indexOf(',') >= 0; });
  if (commas) {
    aside.push('decimal commas, read as points');
  }
  var square = rows.length > 0 && rows.every(function (row) { return row.length === rows.length; });
  if (!square || !cells.every(function (cell) { return number.test(cell); })) {
    return { note: 'The pasted block was not turned into a data file: after ' +
      (aside.length > 0 ? 'setting aside ' + aside.join(' and ') : 'reading it') +
      ', its cells are not a square block of numbers (' + rows.length + ' rows of ' +
      rows.map(function (row) { return row.length; }).join(', ') + ' cells).' };
  }
  var lines = rows.map(function (row) {
    return row.map(function (cell) { return cell.replace(',', '.'); }).join(' ');
  });
  return {
    data: ['Pasted from a spreadsheet', String(rows.length)].concat(lines).join('\n') + '\n',
    note: 'Pasted from a spreadsheet: ' + rows.length + ' rows of numbers' +
      (aside.length > 0 ? '; set aside ' + aside.join(', ') : '') + '.'
  };
}
