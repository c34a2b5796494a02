// A block of cells copied from a spreadsheet (separated by tabs, or by
// semicolons or commas as CSV files write them), made a data file or cells
// of the grid, or the reason why not.
import { say } from './words.js';

const number = /^[+-]?(\d+([.,]\d*)?|[.,]\d+)([eE][+-]?\d+)?$/;

// Return the separator of the cells of text, when it is a block from a
// spreadsheet on two rows or more: a tab when it holds one; else ';' or ','
// when every row holds it, and no numbers stand apart on a line (0,5 0,25
// is a data file's line written with decimal commas); else null.
export function separatorOf(text) {
  const rows = text.replace(/\r\n?/g, '\n').trim().split('\n').filter((row) => row.trim() !== '');
  if (rows.length < 2) {
    return null;
  }
  if (text.includes('\t')) {
    return '\t';
  }
  return [';', ','].find((separator) => rows.every((row) => row.includes(separator) && !/\d\s+[-+.\d]/.test(row))) ?? null;
}

// Return a note on text pasted into the editor as it is whose lines look
// like cells separated by ';' or ',' but are not a block (two lines or more
// hold the separator, another none): which line holds none; '' otherwise.
export function notBlockNote(text) {
  const rows = text.replace(/\r\n?/g, '\n').trim().split('\n').filter((row) => row.trim() !== '');
  if (separatorOf(text) !== null || rows.some((row) => /\d\s+[-+.\d]/.test(row))) {
    return '';
  }
  for (const separator of [';', ',']) {
    const none = rows.findIndex((row) => !row.includes(separator));
    if (rows.filter((row) => row.includes(separator)).length >= 2 && none >= 0) {
      return say('paste.not-block', { separator, line: none + 1 });
    }
  }
  return '';
}

// Return true when text is a block from a spreadsheet.
export function isSpreadsheetBlock(text) {
  return separatorOf(text) !== null;
}

// Return a list of texts as "A, B and C".
function listed(items) {
  return items.length < 2 ? items.join('') : say('paste.and', { first: items.slice(0, -1)
    .reduce((first, rest) => say('paste.comma', { first, rest })), last: items[items.length - 1] });
}

// Return the cells of block: rows split at separator (blanks when it is
// ' '), cells trimmed and a CSV field's quotes taken off, blank rows and
// the columns empty in every row left out, each row as wide as the widest.
function cellsOf(block, separator) {
  const split = separator === ' ' ? /[ \t]+/ : separator;
  const rows = block.replace(/\r\n?/g, '\n').split('\n')
    .map((row) => (separator === ' ' ? row.trim() : row).split(split)
      .map((cell) => cell.trim().replace(/^"(.*)"$/, (_, inner) => inner.replace(/""/g, '"'))))
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

const isName = (cell) => cell !== '' && !number.test(cell);

// Return the rows of cells with a header row and a first column of names
// set aside: {rows, header, rowNames}, header null and rowNames [] when
// there are none. A first row of names and no number names the columns; one
// with a number is a row of values, a named player's when it begins with a
// name. A first column of names: each row begins with a name, or with
// nothing.
function namesAside(cells) {
  let rows = cells;
  let header = null;
  if (rows.length > 0 && rows[0].some(isName) && !rows[0].some((cell) => number.test(cell))) {
    header = rows[0];
    rows = rows.slice(1);
  }
  const named = rows.some((row) => isName(row[0])) && rows.every((row) => row[0] === '' || isName(row[0]));
  const rowNames = named ? rows.map((row) => row[0]) : [];
  if (named) {
    rows = rows.map((row) => row.slice(1));
  }
  return { rows, header, rowNames };
}

// Return the cells that text, pasted into a cell of the grid, fills:
// {rows, names}, rows of values as pasted (a decimal comma as a point
// where tabs or semicolons separate them), names those of a header row or
// a first column ([] when none); null when text is one cell. Rows are
// separated by line ends, cells by tabs, by ';', by ',' (on two rows or
// more), or else by blanks (on two rows or more).
export function gridBlock(text) {
  const lines = text.replace(/\r\n?/g, '\n').trim().split('\n').length;
  const separator = separatorOf(text) ?? (text.includes('\t') ? '\t' : text.includes(';') ? ';' : lines > 1 ? ' ' : null);
  if (separator === null) {
    return null;
  }
  const { rows, header, rowNames } = namesAside(cellsOf(text, separator));
  if (rows.length === 0 || (rows.length === 1 && rows[0].length <= 1)) {
    return null;
  }
  const points = separator !== ',';
  return {
    rows: rows.map((row) => row.map((cell) => (points && number.test(cell) ? cell.replace(',', '.') : cell))),
    names: header ? header.filter((cell) => cell !== '') : rowNames,
  };
}

// Return block as a data file: {data, note, players} with the data file's
// text, a note on what was set aside and the players' names ([] when none);
// or {note} alone with why it is not one. A header row and a first column of
// names are set aside, and must name the same players in the same order;
// decimal commas read as points. A cell that is empty or not a number is
// named by its row and column in the block as pasted.
export function fromSpreadsheet(block) {
  const separator = separatorOf(block) ?? '\t';
  const { rows, header, rowNames } = namesAside(cellsOf(block, separator));
  const aside = [];
  const refuse = (why) => ({ note: say(separator === '\t' ? 'paste.refused' : 'paste.refused-separated', { separator, why }) });
  const named = rowNames.length > 0;
  const rowOffset = header ? 1 : 0;
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
    aside.push(say('paste.header', { names: headerNames.join(', ') }));
    if (named && headerNames.join('\t') !== rowNames.join('\t')) {
      return refuse(say('paste.names-differ', { header: listed(headerNames), column: listed(rowNames) }));
    }
    players = headerNames;
  }
  if (named) {
    aside.push(say('paste.names-column', { names: rowNames.join(', ') }));
  }
  const where = (r, c) => {
    const rowName = rowNames[r] ? ' (' + rowNames[r] + ')' : '';
    const columnName = header && players[c] ? ' (' + players[c] + ')' : '';
    return say('paste.where', { row: (r + 1 + rowOffset) + rowName, column: (c + 1 + columnOffset) + columnName });
  };
  const bad = [];
  rows.forEach((row, r) => row.forEach((cell, c) => {
    if (cell === '') {
      bad.push(say('paste.cell-empty', { where: where(r, c) }));
    } else if (!number.test(cell)) {
      bad.push(say('paste.cell-text', { cell, where: where(r, c) }));
    }
  }));
  if (bad.length > 0) {
    const said = bad.slice(0, 3).reduce((first, rest) => say('paste.list', { first, rest }));
    return refuse(bad.length > 3 ? say('paste.more', { said, count: bad.length - 3 }) : said);
  }
  if (rows.length < 2 || rows.length !== width) {
    return refuse(say(aside.length > 0 ? 'paste.not-square-aside' : 'paste.not-square', { aside: listed(aside),
      rows: say(rows.length === 1 ? 'paste.rows-one' : 'paste.rows-many', { count: rows.length }),
      values: say(width === 1 ? 'paste.values-one' : 'paste.values-many', { count: width }) }));
  }
  if (rows.some((row) => row.some((cell) => cell.includes(',')))) {
    aside.push(say('paste.commas'));
  }
  const lines = rows.map((row) => row.map((cell) => cell.replace(',', '.')).join(' '));
  return {
    data: ['Pasted from a spreadsheet', String(rows.length)].concat(lines).join('\n') + '\n',
    note: say(aside.length > 0 ? 'paste.made-aside' : 'paste.made', { count: rows.length, aside: listed(aside) }),
    players,
  };
}
