// The report's size in its pane.
import assert from 'node:assert/strict';
import test from 'node:test';
import { fittedSize, stacks } from '../src/fit.js';

test('the report shrinks to fit its pane, by quarter pixels, never below 7 px', () => {
  const rows = [
    // size, natural width, available width, fitted size
    [13.6, 500, 600, 13.6],
    [13.6, 600, 600, 13.6],
    [13.6, 1960, 1248, 8.5],
    [13.6, 1000, 999, 13.5],
    [13.6, 1960, 358, 7],
  ];
  for (const [size, natural, available, fitted] of rows) {
    assert.equal(fittedSize(size, natural, available), fitted, [size, natural, available].join(' '));
  }
  assert.equal(stacks(1000, 1248), true);
  assert.equal(stacks(900, 1248), false);
});
