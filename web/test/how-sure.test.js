// "How sure?": the default D of a data file, and what a file's draws say.
import assert from 'node:assert/strict';
import test from 'node:test';
import { checkSure, defaultSpread, question, refusal, sureness } from '../src/how-sure.js';

test('the default D is half a unit of the last decimal place any value is written with', () => {
  const rows = [
    ['Two decimals 1.5\n3\n1 0.5 0.25\n0.5 1 0.75\n0.25 0.5 1\n', '0.005', 2],
    ['Whole\n2\n1 0\n0 1\n', '0.5', 0],
    ['Mixed\n2\n1 0.5\n-.125 1.0\n', '0.0005', 3],
    ['Exponents\n2\n1 25e-4\n1.5E+1 1\n', '0.00005', 4],
    ['Hundreds\n2\n1e2 2E3\n5e2 1e2\n', '50', -2],
    ['Not numbers 0.0001\n2.0\n1 x\n, 1.5\n', '0.05', 1],
    ['Nothing\n', '0.005', 2],
    ['Numbers after the values\n2\n1 0.5\n0.5 1\n0.12345\n', '0.05', 1],
  ];
  for (const [text, spread, places] of rows) {
    assert.deepEqual(defaultSpread(text), { spread, places }, text);
  }
});

test('the draws in words: the empath with its rivals, the driver and S_E\'s interval, with the share that has one', () => {
  const record = {
    status: 'ok', warnings: 0, empath: 3, driver: 2, draws: 1000, empath_share: 0.971, driver_share: 1, singular_share: 0,
    s_e_low: 0.5512, s_e_median: 0.58, s_e_high: 0.6149, empath_shares: [0, 0.029, 0.971, 0], driver_shares: [0, 1, 0, 0],
  };
  assert.deepEqual(sureness(record), {
    sentences: ['P3 is the empath in 97.1 % of 1,000 draws (P2 in 2.9 %).', 'P2 is the driver in 100.0 % of them.',
      'S_E is between 0.55 and 0.61 in 95 % of the draws that have one (every draw has one); their median is 0.5800.'],
    bars: [{ player: 'P2', share: 0.029 }, { player: 'P3', share: 0.971 }],
  });
  // Bounds that two decimals do not tell apart get more; draws without an S_E are counted.
  const close = sureness({ ...record, draws: 20000, s_e_low: 0.58312, s_e_high: 0.58349, singular_share: 0.25 });
  assert.equal(close.sentences[0], 'P3 is the empath in 97.1 % of 20,000 draws (P2 in 2.9 %).');
  assert.equal(close.sentences[2], 'S_E is between 0.5831 and 0.5835 in 95 % of the draws that have one (75.0 % of ' +
    'the draws have one; the others have a singular M or an S_E that is not finite); their median is 0.5800.');
  // Fewer than half with an S_E: no interval.
  const few = sureness({ ...record, singular_share: 0.6 }).sentences;
  assert.match(few[2], /^Only 40\.0 % of the draws have an S_E; the others/);
  assert.ok(!few.join(' ').includes('between'));
  const singular = sureness({ ...record, empath_share: 1, empath_shares: [0, 0, 1, 0], s_e_low: null, s_e_median: null,
    s_e_high: null, singular_share: 1 });
  assert.deepEqual(singular.sentences.slice(0, 1).concat(singular.sentences.slice(2)),
    ['P3 is the empath in 100.0 % of 1,000 draws.', 'No draw has an S_E: M is singular, or S_E not finite, in every one.']);
  // One draw is one; the worst case of the condition number is said beside the typical one.
  const one = sureness({ ...record, draws: 1, empath_shares: [0, 1, 0, 0], singular_share: 0 }, 0.2).sentences;
  assert.equal(one[0], 'In the one draw, P2 is the empath and P2 the driver.');
  assert.match(one[1], /\(the draw has one\)/);
  assert.match(one[2], /^The condition number of M \(in the summary\) lets .* up to about 20%: that is the worst case/);
  // A file in error has no draws.
  assert.deepEqual(sureness({ draws: null, message: 'Data file not found' }),
    { sentences: ['No draws: Data file not found.'], bars: [] });
});

test('a file read with warnings, or with no S_E of its own, says so before any draw', () => {
  const record = {
    status: 'singular', warnings: 2, empath: 3, driver: 1, draws: 1000, empath_share: 1, driver_share: 1,
    singular_share: 0.1, s_e_low: -1729.12, s_e_median: -70.4805, s_e_high: 1314.81, empath_shares: [0, 0, 1],
    driver_shares: [1, 0, 0],
  };
  const said = sureness(record, 5).sentences;
  assert.match(said[0], /^The file may not have been read as meant: check the warnings first \(2 warnings /);
  assert.match(said[1], /^S_E does not exist for this file: its own M is singular/);
  assert.match(said[4], /^Moving the values by up to D gives S_E anywhere from -1729\.12 to 1314\.81 in 95 % of the draws that have one \(90\.0 % of the draws have one; .*\): the mark of an S_E that does not exist/);
  assert.ok(!said.join(' ').includes('S_E is between') && !said.join(' ').includes('worst case'), said.join(' '));
  assert.match(sureness({ ...record, status: 'not_finite', warnings: 0 }).sentences[0], /^S_E is not a finite number/);
});

test('D and the draws: the question asked, what the page refuses, and the program\'s refusal in the page\'s words', () => {
  assert.match(question('0.005', 2), /^Would rounding to the file's decimals change the result\? D = 0\.005 is half a unit of the last place of its 2 decimals/);
  assert.match(question('0.05', 2), /^Would raters who disagree by up to 0\.05 on each value have found another empath\? .* \(0\.005\)/);
  assert.match(question('0.0001', 0), /^Would an error of up to 0\.0001 in each value, less than the rounding of the file's whole numbers \(0\.5\)/);
  const rows = [
    ['0.005', '1000', ''], ['5e-3', '1000000', ''], ['3.4e38', '1', ''],
    ['0', '1000', 'D needs a number above 0: the largest error of a value'],
    ['1e308', '1000', 'D needs a number of at most 3.4 × 10^38: the values are read in single precision, which holds no larger'],
    ['0,5', '1000', 'D needs a number written in digits, such as 0.005, not 0,5'],
    ['0.005', '1000000000', 'Draws needs a whole number from 1 to 1,000,000, not 1000000000'],
    ['0.005', '', 'Draws needs a whole number from 1 to 1,000,000'],
  ];
  for (const [spread, draws, message] of rows) {
    assert.equal(checkSure(spread, draws), message, spread + ' ' + draws);
  }
  assert.equal(refusal('kelvarin-table: error: --perturb needs a finite number above 0, the largest error of a value, ' +
    'not \'0\'\nkelvarin-table: note: usage: ...\n'), 'D needs a finite number above 0, the largest error of a value, not \'0\'');
});
