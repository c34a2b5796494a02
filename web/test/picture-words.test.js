// The picture in words, read from kelvarin-graph's DOT of the triad.
import assert from 'node:assert/strict';
import test from 'node:test';
import { heatmapRows, networkFacts } from '../src/picture-words.js';

test('the heat map\'s rows: its headers, each player\'s values, sums and weight, the column sums', () => {
  const dot = 'heatmap [label=<<TABLE BORDER="0" CELLSPACING="8">\n<TR><TD><TABLE BORDER="0" CELLBORDER="1">\n' +
    '<TR><TD><FONT POINT-SIZE="8">row on<BR/>column</FONT></TD><TD BGCOLOR="#ffffff"><B>A &amp; B (P1)</B></TD>' +
    '<TD BGCOLOR="#a5d8ff"><B>P2</B><BR/><FONT POINT-SIZE="8">empath</FONT></TD></TR>\n' +
    '<TR><TD><B>A &amp; B (P1)</B></TD>\n<TD ID="a1_1"><I>1</I></TD>\n<TD ID="a1_2"><FONT COLOR="#ffffff">-0.75</FONT></TD></TR>\n' +
    '</TABLE></TD></TR>\n<TR><TD><TABLE><TR><TD BORDER="0">negative</TD></TR></TABLE></TD></TR>\n</TABLE>>];\n';
  assert.deepEqual(heatmapRows(dot), [['row on column', 'A & B (P1)', 'P2 empath'], ['A & B (P1)', '1', '-0.75']]);
  assert.deepEqual(heatmapRows('digraph influence {\n  P1 [label="P1"];\n}\n'), []);
});

test('the network\'s empath, driver and strongest influences, by size whatever their sign, the first drawn of equal ones', () => {
  const dot = 'digraph influence {\n  label="Triad\\n3 players: empath P3, driver P2";\n  P1 [label="Anna \\"A\\" (P1)"];\n' +
    '  P2 [label="P2\\ndriver", shape=box];\n  P3 [label="P3\\nempath", peripheries=2];\n' +
    '  P1 -> P2 [label="0.5", penwidth=3.00];\n  P1 -> P3 [label="0.25\\nQ = -0.1667"];\n' +
    '  P2 -> P1 [label="0.5", penwidth=3.00];\n  P3 -> P1 [label="-0.8", style=dashed];\n}\n';
  assert.deepEqual(networkFacts(dot), { empath: 'P3', driver: 'P2', strongest: [
    { from: 'P3', to: 'Anna "A" (P1)', value: '-0.8' }, { from: 'Anna "A" (P1)', to: 'P2', value: '0.5' },
    { from: 'P2', to: 'Anna "A" (P1)', value: '0.5' }] });
  // One player both: its label says so once.
  assert.deepEqual(networkFacts('  P1 [label="P1\\nempath, driver"];\n').driver, 'P1');
});
