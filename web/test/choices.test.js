// The picture's controls: what Top K refuses, and kelvarin-graph's options.
import assert from 'node:assert/strict';
import test from 'node:test';
import { checkTop, graphOptions, pictureNotes } from '../src/choices.js';

test('Top K takes a whole number of at least 1, or nothing for all', () => {
  const rows = [
    ['', false, { top: null }],
    ['3', false, { top: '3' }],
    ['007', false, { top: '7' }],
    ['0', false, { message: 'Top K needs at least 1: each player\'s strongest influence is the fewest drawn' }],
    ['-1', false, { message: 'Top K needs a whole number of at least 1, not -1' }],
    ['2.5', false, { message: 'Top K needs a whole number of at least 1, not 2.5' }],
    ['1e1', false, { message: 'Top K needs a whole number of at least 1, not 1e1' }],
    ['', true, { message: 'Top K needs a whole number of at least 1, written in digits' }],
  ];
  for (const [text, badInput, checked] of rows) {
    assert.deepEqual(checkTop(text, badInput), checked, text);
  }
});

test('the view, Top K and the slider are kelvarin-graph\'s options', () => {
  assert.deepEqual(graphOptions('network', null, '0'), []);
  assert.deepEqual(graphOptions('network', '3', '0.25'), ['--top=3', '--min=0.25']);
  assert.deepEqual(graphOptions('focus', '2', '0'), ['--focus', '--top=2']);
  assert.deepEqual(graphOptions('heatmap', '2', '0.5'), ['--heatmap']);
  // Its notes name the controls, not the options.
  assert.equal(pictureNotes('kelvarin-graph: note: a group of 20 players draws as a tangle of edges: try --heatmap, ' +
    '--focus or --top 3\n'), 'kelvarin-graph: note: a group of 20 players draws as a tangle of edges: try the heat map, ' +
    'the focus view or Top K 3\n');
});
