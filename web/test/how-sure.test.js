// "How sure?": the default D of a data file, and what a file's draws say.
import assert from 'node:assert/strict';
import test from 'node:test';
import { defaultSpread, sureness } from '../src/how-sure.js';

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

test('the draws in words: the empath with its rivals, the driver and S_E\'s interval', () => {
  const record = {
    empath: 3, driver: 2, draws: 1000, empath_share: 0.971, driver_share: 1, singular_share: 0,
    s_e_low: 0.5512, s_e_median: 0.58, s_e_high: 0.6149, empath_shares: [0, 0.029, 0.971, 0], driver_shares: [0, 1, 0, 0],
  };
  assert.deepEqual(sureness(record), {
    sentences: ['P3 is the empath in 97.1 % of 1,000 draws (P2 in 2.9 %).', 'P2 is the driver in 100.0 % of them.',
      'S_E is between 0.55 and 0.61 in 95 % of the draws that have one; their median is 0.5800.'],
    bars: [{ player: 'P2', share: 0.029 }, { player: 'P3', share: 0.971 }],
  });
  // Bounds that two decimals do not tell apart get more; singular draws are said.
  const close = sureness({ ...record, draws: 20000, s_e_low: 0.58312, s_e_high: 0.58349, singular_share: 0.25 });
  assert.equal(close.sentences[0], 'P3 is the empath in 97.1 % of 20,000 draws (P2 in 2.9 %).');
  assert.equal(close.sentences[2], 'S_E is between 0.5831 and 0.5835 in 95 % of the draws that have one (25.0 % of ' +
    'the draws have a singular M or an S_E that is not finite); their median is 0.5800.');
  const singular = sureness({ ...record, empath_share: 1, empath_shares: [0, 0, 1, 0], s_e_low: null, s_e_median: null,
    s_e_high: null, singular_share: 1 });
  assert.deepEqual(singular.sentences.slice(0, 1).concat(singular.sentences.slice(2)),
    ['P3 is the empath in 100.0 % of 1,000 draws.', 'No draw has an S_E: M is singular, or S_E not finite, in every one.']);
  // A file in error has no draws.
  assert.deepEqual(sureness({ draws: null, message: 'Data file not found' }),
    { sentences: ['No draws: Data file not found.'], bars: [] });
});
