// The report as the page prints it: a table wider than a page (the matrix
// of a large group, one column a player) is printed in slices of its
// columns, each under its column's name and after the rows' labels, as a
// book prints a wide matrix; every other line is the report's as it is.

// The characters of a printed line: the print style's monospace at 8 points
// fits 100 in the width of A4 and of Letter within 15 mm margins.
export const kPrintedWidth = 100;

const number = /^[-+]?(\d+\.?\d*|\.\d+)(e[-+]?\d+)?$/i;

// The blanks before each column of a table printed in slices.
const kGap = 3;

// Return the lines of block as a table's rows: {label, cells}, null for an
// empty line; the first line may be the columns' names (all words, no
// label), each other a label (one word first) or none, then numbers. Return
// null when a line is of no table: words among its numbers, prose.
function rowsOf(block) {
  const rows = [];
  for (const line of block) {
    const tokens = line.trim() === '' ? [] : line.trim().split(/\s+/);
    const words = tokens.filter((token) => !number.test(token)).length;
    if (tokens.length === 0) {
      rows.push(null);
    } else if (words === tokens.length && rows.length === 0) {
      rows.push({ label: '', cells: tokens });
    } else if (words === 0 || (words === 1 && !number.test(tokens[0]))) {
      rows.push({ label: words === 0 ? '' : tokens[0], cells: words === 0 ? tokens : tokens.slice(1) });
    } else {
      return null;
    }
  }
  return rows;
}

// Return block, lines of a table wider than width, as slices of its columns
// that each fit width (a column wider than that alone), the slices apart by
// an empty line; or block as it is when it is no table.
function sliced(block, width) {
  const rows = rowsOf(block);
  if (rows === null) {
    return block;
  }
  const cells = rows.filter(Boolean);
  const label = Math.max(...cells.map((row) => row.label.length));
  const columns = Math.max(...cells.map((row) => row.cells.length));
  const widths = Array.from({ length: columns }, (_, i) =>
    kGap + Math.max(...cells.map((row) => (row.cells[i] || '').length)));
  const out = [];
  for (let from = 0; from < columns;) {
    let to = from + 1;
    let used = label + widths[from];
    while (to < columns && used + widths[to] <= width) {
      used += widths[to++];
    }
    if (out.length > 0) {
      out.push('');
    }
    out.push(...rows.map((row) => (row === null ? ''
      : (row.label.padEnd(label) + row.cells.slice(from, to).map((cell, i) => cell.padStart(widths[from + i])).join('')).trimEnd())));
    from = to;
  }
  return out;
}

// Return text, a report, as printed at most width characters wide: each run
// of two or more lines wider than width (with the empty lines between
// them: a matrix and its column sums under it) sliced by its columns.
export function printedReport(text, width) {
  const lines = text.split('\n');
  const wide = (line) => line.length > width;
  const out = [];
  for (let k = 0; k < lines.length;) {
    let end = k;
    while (end < lines.length && (wide(lines[end]) || (lines[end] === '' && end > k))) {
      end++;
    }
    while (end > k && lines[end - 1] === '') {
      end--;
    }
    if (end - k >= 2) {
      out.push(...sliced(lines.slice(k, end), width));
      k = end;
    } else {
      out.push(lines[k]);
      k++;
    }
  }
  return out.join('\n');
}
