// kelvarin-table's rows as the page's HTML table, sortable by any column.
'use strict';

// JSON.parse keeping each number's text as kelvarin-table wrote it.
function keepNumberText(key, value, context) {
  if (typeof value === 'number') {
    return { number: value, text: context && context.source !== undefined ? context.source : String(value) };
  }
  return value;
}

function tabulate() {
  var names = state.files.map(function (file) { return file.name; });
  return Promise.all([
    run(KelvarinTableModule, names, state.files),
    run(KelvarinTableModule, ['--json'].concat(names), state.files)
  ]).then(function (results) {
    var csv = results[0].stdout;
    window.kelvarinTable = csv;
    setLink('csv', [csv], 'text/csv');
    setLink('json', [results[1].stdout], 'application/jsonl');
    var header = text(csv).split(/\r?\n/)[0].split(',');
    var rows = text(results[1].stdout).split('\n').filter(Boolean).map(function (line, index) {
      var object = JSON.parse(line, keepNumberText);
      return { file: index, cells: header.map(function (key) { return object[key]; }) };
    });
    state.table = { header: header, rows: rows };
    showTable();
  });
}

function cellText(cell) {
  if (cell === null || cell === undefined) {
    return '';
  }
  return typeof cell === 'object' ? cell.text : String(cell);
}

// Order the rows by a column: numbers by value, text by its characters,
// empty cells last; equal cells keep the files' order.
function sortRows(rows, column, descending) {
  var numeric = rows.every(function (row) {
    var cell = row.cells[column];
    return cell === null || cell === undefined || typeof cell === 'object';
  });
  return rows.slice().sort(function (a, b) {
    var x = a.cells[column];
    var y = b.cells[column];
    var empty = (cellText(x) === '') - (cellText(y) === '');
    if (empty !== 0) {
      return empty;
    }
    var order = numeric && x !== null && y !== null ? x.number - y.number :
      cellText(x) < cellText(y) ? -1 : cellText(x) > cellText(y) ? 1 : 0;
    return (descending ? -order : order) || a.file - b.file;
  });
}

function showTable() {
  var table = $('table');
  var header = state.table.header;
  var sort = state.sort;
  table.textContent = '';
  $('table-pane').hidden = state.files.length < 2;
  var head = table.createTHead().insertRow();
  header.forEach(function (name, column) {
    var cell = document.createElement('th');
    cell.scope = 'col';
    if (sort.column === column) {
      cell.setAttribute('aria-sort', sort.descending ? 'descending' : 'ascending');
    }
    var button = document.createElement('button');
    button.type = 'button';
    button.id = 'sort-' + name;
    button.textContent = name;
    button.addEventListener('click', function () {
      state.sort = { column: column, descending: sort.column === column && !sort.descending };
      showTable();
      $('sort-' + name).focus();
    });
    cell.appendChild(button);
    head.appendChild(cell);
  });
  var body = table.createTBody();
  var rows = sort.column < 0 ? state.table.rows : sortRows(state.table.rows, sort.column, sort.descending);
  rows.forEach(function (row) {
    var line = body.insertRow();
    if (row.file === state.shown) {
      line.setAttribute('aria-current', 'true');
    }
    row.cells.forEach(function (cell, column) {
      var place = line.insertCell();
      if (header[column] !== 'file') {
        place.textContent = cellText(cell);
        place.className = typeof cell === 'string' ? 'words' : '';
        return;
      }
      var button = document.createElement('button');
      button.type = 'button';
      button.textContent = cellText(cell);
      button.setAttribute('aria-label', 'Show the report of ' + cellText(cell));
      button.addEventListener('click', function () { show(row.file); });
      place.appendChild(button);
    });
  });
}
