// How a run ended, in the status line's words, and its diagnostics.
import assert from 'node:assert/strict';
import test from 'node:test';
import { diagnosticsOf, runStatus } from '../src/status.js';

const warning = (name, line) => name + ':' + line + ':1: warning: something\n x: warning: quoted\n ^\n';

test('the status says how the run ended and how many warnings it had', () => {
  const rows = [
    [{ ending: 'running' }, 'running…', 0],
    [{ ending: 'complete', status: 0, stderr: '' }, 'complete', 0],
    [{ ending: 'complete', status: 0, stderr: warning('x.dat', 2) },
      'complete, with 1 warning: the figures may not be what the file meant', 1],
    [{ ending: 'complete', status: 0, stderr: warning('x.dat', 2) + warning('x.dat', 4) },
      'complete, with 2 warnings: the figures may not be what the file meant', 2],
    [{ ending: 'complete', status: 0, stderr: 'kelvarin: warning: S_E is not finite\n' },
      'complete, with 1 warning: the figures may not be what the file meant', 1],
    [{ ending: 'complete', status: 0, stderr: 'kelvarin: note: near tie of row sums\n' }, 'complete', 0],
    [{ ending: 'error', status: 1, stderr: warning('x.dat', 2) + 'x.dat:3:1: error: no N\n' },
      'the data file was not accepted; the diagnostics say why (exit status 1)', 1],
    [{ ending: 'abort', status: 0, stderr: '' },
      'stopped: M is singular, so the weights Q and S_E do not exist; the report up to that point is shown', 0],
  ];
  for (const [result, text, warnings] of rows) {
    const status = runStatus('x.dat', { stderr: '', ...result });
    assert.deepEqual(status, { ending: result.ending, warnings, text: 'x.dat: ' + text });
  }
});

test('a diagnostic has a place only after the file\'s own name', () => {
  const name = ' a: b\n.dat';
  const text = ' a: b\\x0a.dat:3:7: warning: one\n 1 2: warning: 3\n       ^\nother:1:1: error: two\n';
  assert.deepEqual(diagnosticsOf(text, name).map((d) => [d.severity, d.line, d.column]), [
    ['warning', 3, 7], ['', 0, 0], ['', 0, 0], ['', 0, 0],
  ]);
});
