// The report as printed: a table wider than the page in slices of its
// columns, under their names and after the rows' labels; every other line
// as it is.
import assert from 'node:assert/strict';
import test from 'node:test';
import { printedReport } from '../src/print-report.js';

test('a table wider than the page is printed in slices of whole columns', () => {
  const rows = [
    // Narrow enough: as it is.
    ['  To1  To2\nP1  1.5  -2\n', 20, '  To1  To2\nP1  1.5  -2\n'],
    // Names that drift from their numbers, as the report's do, come over
    // them again; the sums after an empty line are sliced with the rows.
    ['       To1  To2    To3  To4\nFrom1  1.5 -2.0  0.1  3.5\nFrom10 -0.5  1.0 -1.5  0.2\n\nSum  1  -1  -1.4  3.7\nDone\n', 20,
      '          To1    To2\nFrom1     1.5   -2.0\nFrom10   -0.5    1.0\n\nSum         1     -1\n\n' +
      '          To3   To4\nFrom1     0.1   3.5\nFrom10   -1.5   0.2\n\nSum      -1.4   3.7\nDone\n'],
    // Numbers without labels; a column wider than the page alone.
    ['1 2 3 4 5\n6 7 8 9 999999', 8, '   1   2\n   6   7\n\n   3   4\n   8   9\n\n        5\n   999999'],
    // Lines of words are no table: as they are, for the printer to wrap.
    ['short\nA sentence longer than the page\nand another one longer than it\nshort', 20,
      'short\nA sentence longer than the page\nand another one longer than it\nshort'],
  ];
  for (const [text, width, printed] of rows) {
    assert.equal(printedReport(text, width), printed, JSON.stringify(text));
  }
});
