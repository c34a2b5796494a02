// A block of cells copied from a spreadsheet (tab-separated), made a data
// file, or the reason why not.

const number = /^[+-]?(\d+([.,]\d*)?|[.,]\d+)([eE][+-]?\d+)?$/;

// Return true when text is a block from a spreadsheet: cells separated by
// tabs, on two rows or more.
export function isSpreadsheetBlock(text) {
  return text.includes('\t') && text.replace(/\r\n?/g, '\n').trim().split('\n').length >= 2;
}

// Return a list of texts as "A, B and C".
function listed(items) {
  return items.length < 2 ? items.join('') : items.slice(0, -1).join(', ') + ' and ' + items[items.length - 1];
}

// Return the cells of block: rows split at tabs, cells trimmed, blank rows
// and the columns empty in every row left out, each row as wide as the
// widest.
function cellsOf(block) {
  const rows = block.replace(/\r\n?/g, '\n').split('\n')
    .map((row) => row.split('\t').map((cell) => cell.trim()))
    .filter((row) => row.some((cell) => cell !== ''));
  const width = Math.max(0, ...rows.map((row) => {
    let used = row.length;
    while (used > 0 && row[used - 1] === '') {
      used--;
    }
    return used;
  }));
  return rows.map((row) => Array.from({ length: width }, (_, k) => row[k] ?? ''));
}

// Return block as a data file: {data, note, players} with the data file's
// text, a note on what was set aside and the players' names ([] when none);
// or {note} alone with why it is not one. A header row and a first column of
// names are set aside, and must name the same players in the same order;
// decimal commas read as points. A cell that is empty or not a number is
// named by its row and column in the block as pasted.
export function fromSpreadsheet(block) {
  let rows = cellsOf(block);
  const aside = [];
  const refuse = (why) => ({ note: 'The pasted block was not made a data file: ' + why + '.' });
  const isName = (cell) => cell !== '' && !number.test(cell);
  // A first row of names and no number names the columns; one with a
  // number is a row of values, a named player's when it begins with a name.
  let header = null;
  if (rows.length > 0 && rows[0].some(isName) && !rows[0].some((cell) => number.test(cell))) {
    header = rows[0];
    rows = rows.slice(1);
  }
  const rowOffset = header ? 1 : 0;
  // A first column of names: each row begins with a name, or with nothing.
  const named = rows.some((row) => isName(row[0])) && rows.every((row) => row[0] === '' || isName(row[0]));
  const rowNames = named ? rows.map((row) => row[0]) : [];
  if (named) {
    rows = rows.map((row) => row.slice(1));
  }
  const columnOffset = named ? 1 : 0;
  const width = rows.length > 0 ? rows[0].length : 0;
  let players = rowNames;
  if (header) {
    let used = header.length;
    while (used > 0 && header[used - 1] === '') {
      used--;
    }
    // Over a column of names, the header row may have a corner cell.
    const headerNames = header.slice(0, used).slice(named && used === width + 1 ? 1 : 0);
    aside.push('a header row (' + headerNames.join(', ') + ')');
    if (named && headerNames.join('\t') !== rowNames.join('\t')) {
      return refuse('its header row names ' + listed(headerNames) + ', but its first column names ' +
        listed(rowNames) + '; the same players must stand in the same order in both');
    }
    players = headerNames;
  }
  if (named) {
    aside.push('a column of names (' + rowNames.join(', ') + ')');
  }
  const where = (r, c) => {
    const rowName = rowNames[r] ? ' (' + rowNames[r] + ')' : '';
    const columnName = header && players[c] ? ' (' + players[c] + ')' : '';
    return 'row ' + (r + 1 + rowOffset) + rowName + ', column ' + (c + 1 + columnOffset) + columnName;
  };
  const bad = [];
  rows.forEach((row, r) => row.forEach((cell, c) => {
    if (cell === '') {
      bad.push('the cell in ' + where(r, c) + ' is empty');
    } else if (!number.test(cell)) {
      bad.push('\'' + cell + '\' in ' + where(r, c) + ' is not a number');
    }
  }));
  if (bad.length > 0) {
    const more = bad.length > 3 ? ' (and ' + (bad.length - 3) + ' more)' : '';
    return refuse(bad.slice(0, 3).join('; ') + more);
  }
  if (rows.length < 2 || rows.length !== width) {
    return refuse('after ' + (aside.length > 0 ? 'setting aside ' + listed(aside) : 'reading it') +
      ', its values are not a square block: ' + rows.length + (rows.length === 1 ? ' row' : ' rows') +
      ' of ' + width + (width === 1 ? ' value' : ' values'));
  }
  if (rows.some((row) => row.some((cell) => cell.includes(',')))) {
    aside.push('decimal commas, read as points');
  }
  const lines = rows.map((row) => row.map((cell) => cell.replace(',', '.')).join(' '));
  return {
    data: ['Pasted from a spreadsheet', String(rows.length)].concat(lines).join('\n') + '\n',
    note: rows.length + ' rows of numbers' + (aside.length > 0 ? '; set aside ' + listed(aside) : '') + '.',
    players,
  };
}
