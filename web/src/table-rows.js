// kelvarin-table's CSV as rows of cells, and the order of those rows by a
// column, and how its cells show.

import { fourDecimals } from './decimals.js';
import { say } from './words.js';

// Return the records of CSV text as RFC 4180 writes them: fields split at
// commas, quoted fields with their quotes removed and doubled quotes undone,
// records ended by a line feed (CR LF too) outside quotes.
export function parseCsv(text) {
  const records = [];
  let record = [];
  let field = '';
  let quoted = false;
  // Runs of characters that end nothing are taken at once: a table of
  // thousands of files is read in a few milliseconds.
  const plain = /[^",\r\n]+/y;
  const inQuotes = /[^"]+/y;
  for (let i = 0; i < text.length; i++) {
    const run = quoted ? inQuotes : plain;
    run.lastIndex = i;
    if (run.test(text)) {
      field += text.slice(i, run.lastIndex);
      i = run.lastIndex - 1;
      continue;
    }
    const c = text[i];
    if (quoted) {
      if (c === '"' && text[i + 1] === '"') {
        field += '"';
        i++;
      } else if (c === '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c === '"') {
      quoted = true;
    } else if (c === ',') {
      record.push(field);
      field = '';
    } else if (c === '\n' || (c === '\r' && text[i + 1] === '\n')) {
      i += c === '\r' ? 1 : 0;
      record.push(field);
      records.push(record);
      record = [];
      field = '';
    } else {
      field += c;
    }
  }
  if (field !== '' || record.length > 0) {
    record.push(field);
    records.push(record);
  }
  return records;
}

const numeric = /^-?(\d+\.?\d*|\.\d+)(e[+-]?\d+)?$/i;

// Return rows ({cells, file}) ordered by the cells of column: by value when
// every cell of the column that is not empty is a number, by their
// characters otherwise; empty cells last either way, and equal cells in the
// files' order.
export function sortRows(rows, column, descending) {
  const byValue = rows.every((row) => row.cells[column] === '' || numeric.test(row.cells[column]));
  return rows.slice().sort((a, b) => {
    const x = a.cells[column];
    const y = b.cells[column];
    const empty = (x === '') - (y === '');
    if (empty !== 0) {
      return empty;
    }
    let order;
    if (byValue) {
      order = Number(x) - Number(y);
    } else {
      order = x < y ? -1 : x > y ? 1 : 0;
    }
    return (descending ? -order : order) || a.file - b.file;
  });
}

// The columns that hold figures, shown with the report's four decimals.
const figures = new Set(['s_e', 'determinant', 'condition', 'log_condition', 'empath_margin', 'driver_margin']);

// Return the order in which the table shows the columns of header (their
// indexes): the file, its status and message first, then the others as
// kelvarin-table writes them.
export function columnOrder(header) {
  const first = ['file', 'status', 'message'].map((name) => header.indexOf(name)).filter((column) => column >= 0);
  return first.concat(header.map((_, column) => column).filter((column) => !first.includes(column)));
}

// kelvarin's fixed reports of a file it could not read, with which a
// message begins before the diagnostic that says why.
const fixedReports = ['Error reading in matrix.  Check size and values.', 'Max description length exceeded:  max = 120.',
  'Error reading data description.', 'Error reading in matrix size.',
  'Size of matrix out of bounds.  N must be between 2 and 20', 'Data file not found:'];

// Return how the cell text of the column called name shows: {text, title},
// a figure with four decimals as the report writes it and every digit in
// its title; a message that begins with a fixed report after the reason
// that follows it, the message as written in its title; anything else as
// it is, with no title.
export function shownCell(name, text) {
  if (figures.has(name) && numeric.test(text)) {
    return { text: fourDecimals(Number(text)), title: text };
  }
  const fixed = name === 'message' ? fixedReports.find((report) => text.startsWith(report + ' ')) : undefined;
  if (fixed) {
    return { text: text.slice(fixed.length + 1) + ' (' + fixed.replace(/:$/, '').replace(/ {2}/g, ' ') + ')', title: text };
  }
  return { text, title: '' };
}

// Return the class of the table's cell of the column called name holding
// text: the column's own for the status and the message, "words" for text
// that is not a number, '' for a number.
export function cellClass(name, text) {
  return ['status', 'message'].includes(name) ? name : /[^-+.\deE]/.test(text) ? 'words' : '';
}

// Return how the status cell of a row read with warnings shows, its status
// and warnings as kelvarin-table writes them: {text, title} ("ok, with 2
// warnings"), or null where the row has none or its run did not end well.
export function warnedStatus(status, warnings) {
  if (warnings === '0' || status !== 'ok') {
    return null;
  }
  const key = warnings === '1' ? 'table.warned-one' : 'table.warned-many';
  return { text: say(key, { count: warnings }), title: say(key + '-title', { count: warnings }) };
}
