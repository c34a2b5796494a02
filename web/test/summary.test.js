// The summary's figures as kelvarin's report and kelvarin-table's JSON line
// give them, and its sentences' figures for this group.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import test from 'node:test';
import { decimalsOf, reportFigures, shownFigure, summarise } from '../src/summary.js';

const cases = new URL('../../tests/cases/', import.meta.url);
const read = (name, file) => fs.readFileSync(new URL(name + '/' + file, cases), 'utf8');
// kelvarin-table --json's line of the triad, the fields the summary reads.
const triad = {
  status: 'ok', players: 3, warnings: 0, determinant: 0.75, condition: 3, empath_margin: 0.125, driver_margin: 0.5,
  column_sums: [1.3125, 1.5, 1.625], row_sums: [1.3125, 1.8125, 1.3125],
};

test('the report\'s figures are read from whole lines, as the report writes them', () => {
  assert.deepEqual(reportFigures(read('triad', 'stdout')),
    { empath: 3, driver: 2, sE: '0.5833', determinant: '0.7500', condition: '3.0000', largest: '1.0000' });
  const overflow = reportFigures(read('inverse_overflow', 'stdout'));
  assert.deepEqual([overflow.sE, overflow.condition, overflow.largest], ['-nan', 'inf', '10000000000.0000']);
  // A description is no figure, even after a carriage return.
  const forged = 'Data description: x\rThe empath is P9.\n     From1    -2.5000     1.0000     7.2500  \n';
  assert.deepEqual(reportFigures(forged), { ...reportFigures(''), largest: '-2.5000' });
  assert.deepEqual(reportFigures(read('singular', 'stdout')).sE, null);
});

test('the decimals of a data file\'s values', () => {
  const rows = [
    ['Two\n2\n1 0.5\n0.25 1\n', 2, 2], ['Two\r\n2\r\n1 .5e-2\r\n+2.125E+1 -1\r\n', 2, 3], ['Two\n2\n1 2\n3 4e3\n', 2, 0],
    ['Two\n2\n1 0.5\n0,25 1\n', 2, null], ['Two\n2\n1 0.5\n0.25\n', 2, null], ['1 2 3\n2\n1 0.5\n0.25 1 0.125\n', 2, 2],
  ];
  for (const [text, n, decimals] of rows) {
    assert.equal(decimalsOf(text, n), decimals, JSON.stringify(text));
  }
});

test('the summary of a complete run: its figures, their sentences and their explanations', () => {
  const summary = summarise(read('triad', 'stdout'), 'complete', triad, read('triad', 'input'));
  assert.deepEqual([summary.state, summary.empath, summary.driver, summary.sE, summary.note], ['ok', 3, 2, '0.5833', '']);
  assert.deepEqual(summary.figures.map((figure) => [figure.help, figure.value]), [
    ['help-empath', 'P3'], ['help-driver', 'P2'], ['help-s-e', '0.5833'], ['help-determinant', '0.7500'],
    ['help-condition', '3.0000'],
  ]);
  const [empath, driver, sE, , condition] = summary.figures.map((figure) => figure.sentence);
  // S_E beside what it would be, were the others to influence only themselves: 0.25² + 0.75².
  assert.match(sE, /it would be 0\.6250 \(the sum of the squares of their influence on P3\); their influence on each other makes it smaller here\.$/);
  assert.match(empath, /its column is the largest, 1\.6250, ahead of P2's by 0\.1250\.$/);
  assert.match(driver, /its row is the largest, 1\.8125, ahead of P1's by 0\.5000\.$/);
  assert.match(condition, /written with 2 decimals may each be off by 0\.005 .*, 0\.50% of the largest value, 1\.0000\. /);
  assert.match(condition, / 3\.0000 × 0\.50% = 1\.5% of their size: the weights, and S_E, are about that uncertain\.$/);
  // Names the page knows call the players "NAME (Pk)"; an empty one keeps Pk.
  const named = summarise(read('triad', 'stdout'), 'complete', triad, read('triad', 'input'), ['Anna', ' ', 'Chloé']);
  assert.deepEqual([named.empath, named.figures[0].value, named.figures[1].value], [3, 'Chloé (P3)', 'P2']);
  assert.match(named.figures[1].sentence, /^P2 exerts .* ahead of Anna \(P1\)'s by 0\.5000\.$/);
  // A near tie names the player who could as well lead; a large condition
  // number says that the weights cannot be trusted.
  const tied = summarise(read('identity_2', 'stdout'), 'complete',
    { ...triad, players: 2, empath_margin: 0, driver_margin: 0, column_sums: [1, 1], row_sums: [1, 1], condition: 1 },
    read('identity_2', 'input'));
  assert.match(tied.figures[0].sentence, /P1 receives .* ahead of P2's by 0\.0000\. That is a near tie .* could as well be P2,/);
  const nearlySingular = summarise(read('nearly_singular', 'stdout'), 'complete',
    { ...triad, condition: 5.04403149675561e+16 }, read('nearly_singular', 'input'));
  assert.match(nearlySingular.figures[4].sentence,
    /3\.3% of the largest value, 1\.5000\. .* = 1\.7 × 10\^15 times their size: as large as the weights/);
});

test('a file read with warnings opens with them, and no sentence vouches for its figures', () => {
  const warnings = [{ text: 'w.dat:2:1: warning: the number of players is written \'3.0\'', line: 2, column: 1 },
    { text: 'kelvarin: warning: another', line: 0, column: 0 }];
  const warned = summarise(read('triad', 'stdout'), 'complete', { ...triad, warnings: 2 }, read('triad', 'input'), [], warnings);
  assert.equal(warned.state, 'warnings');
  assert.equal(warned.warning, '2 warnings: the file may not have been read as meant, and the figures below may not be ' +
    'what it meant. The first, at line 2, column 1: the number of players is written \'3.0\'. The diagnostics under the ' +
    'editor say more.');
  assert.match(warned.figures[4].sentence, /check the warnings first\.$/);
  assert.ok(!/hardly|uncertain/.test(warned.figures[4].sentence));
  assert.equal(summarise(read('triad', 'stdout'), 'complete', triad, read('triad', 'input')).warning, '');
  // Sums beyond a double's digits are said in few digits.
  assert.deepEqual([shownFigure(1.625000065132852e40), shownFigure(-0.03125), shownFigure(123456.78125)],
    ['1.6250 × 10^40', '-0.0312', '123456.7812']);
  const large = summarise(read('triad', 'stdout'), 'complete', { ...triad, column_sums: [1.3125, 1.5, 1.625e40] },
    'Large\n3\n1e20 5e19 2.5e19\n5e19 1e20 7.5e19\n2.5e19 5e19 1e20\n');
  assert.match(large.figures[0].sentence, /1\.6250 × 10\^40, ahead/);
  const fine = summarise(read('triad', 'stdout'), 'complete', triad, 'Fine\n3\n1 0.5 0.25\n0.5 1 0.75\n0.25 0.5 0.0000000000000000001\n');
  assert.match(fine.figures[4].sentence, /off by 0\.00000000000000000005 .*, 5\.0 × 10\^-18% of the largest value, .* = 1\.5 × 10\^-17% of their size/);
});

test('a run without all its figures says what happened, with none made up', () => {
  const error = summarise(read('value_nan', 'stdout'), 'error', { status: 'error' }, read('value_nan', 'input'));
  assert.deepEqual([error.state, error.empath, error.sE, error.figures.length], ['error', null, null, 0]);
  const singular = summarise(read('singular', 'stdout'), 'abort',
    { ...triad, status: 'singular', determinant: 0, condition: null }, read('singular', 'input'));
  assert.deepEqual([singular.state, singular.empath, singular.driver, singular.sE], ['singular', 3, 1, null]);
  assert.deepEqual(singular.figures.map((figure) => figure.value), ['P3', 'P1', 'none', '0.0000', 'none']);
  assert.match(singular.note, /M is singular.* The empath and the driver below are the report's\.$/);
  const overflow = summarise(read('inverse_overflow', 'stdout'), 'complete',
    { status: 'not_finite', players: 20, warnings: 0, condition: null, message: 'S_E and the weights Q of P2 are not finite' },
    read('inverse_overflow', 'input'));
  assert.deepEqual([overflow.state, overflow.sE, overflow.figures[4].value], ['not_finite', '-nan', 'inf']);
  assert.match(overflow.note, /^S_E and the weights Q of P2 are not finite\. /);
});
