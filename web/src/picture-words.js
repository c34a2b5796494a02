// The picture in words, for those who cannot see it: the heat map as a
// table with headers, the network (or the focus view) as a sentence that
// names the empath, the driver and the strongest influences drawn. Both
// are read from kelvarin-graph's DOT, so that they say what it drew.
import { say } from './words.js';

// The strongest influences the network's sentence names.
const strongest = 3;

// Return the text of an HTML-like label's cell (its marks left out, a line
// break a blank, its entities read).
function cellText(html) {
  return html.replace(/<BR\/>/g, ' ').replace(/<[^>]*>/g, '').replace(/&lt;/g, '<').replace(/&gt;/g, '>')
    .replace(/&quot;/g, '"').replace(/&amp;/g, '&').trim();
}

// Return the rows of the heat map's matrix in kelvarin-graph --heatmap's
// DOT, each a list of its cells' texts: the header row, a row per player
// (its name, its values, its sums of squares and its weight Q), the column
// sums of squares; [] where the DOT holds no heat map.
export function heatmapRows(dot) {
  const start = dot.indexOf('<TABLE', dot.indexOf('<TABLE') + 1);
  if (start < 0) {
    return [];
  }
  const table = dot.slice(start, dot.indexOf('</TABLE>', start));
  return Array.from(table.matchAll(/<TR>([\s\S]*?)<\/TR>/g), (row) =>
    Array.from(row[1].matchAll(/<TD[^>]*>([\s\S]*?)<\/TD>/g), (cell) => cellText(cell[1])));
}

// Return a DOT string's text (between its quotes): its escapes read, a
// line break a newline.
function unquoted(text) {
  return text.replace(/\\(.)/g, (whole, escaped) => (escaped === 'n' || escaped === 'l' ? '\n' : escaped));
}

// Return what the network's DOT (kelvarin-graph's, or --focus's) draws:
// {empath, driver} the players so marked, as their labels name them (null
// where none is), and strongest, its largest |influences| as {from, to,
// value}, value the label's text, largest first (the first drawn of equal
// ones).
export function networkFacts(dot) {
  const names = new Map();
  const facts = { empath: null, driver: null, strongest: [] };
  for (const [, id, label] of dot.matchAll(/^ *(\w+) \[label="((?:[^"\\]|\\.)*)"/gm)) {
    const [name, ...marks] = unquoted(label).split('\n');
    names.set(id, name);
    for (const role of ['empath', 'driver']) {
      if (marks.some((mark) => mark.split(/, */).includes(role))) {
        facts[role] = name;
      }
    }
  }
  const edges = Array.from(dot.matchAll(/^ *(\w+) -> (\w+) \[label="((?:[^"\\]|\\.)*)"/gm), ([, from, to, label]) =>
    ({ from: names.get(from) || from, to: names.get(to) || to, value: unquoted(label).split('\n')[0] }));
  facts.strongest = edges.map((edge, order) => ({ edge, order }))
    .sort((a, b) => Math.abs(Number(b.edge.value)) - Math.abs(Number(a.edge.value)) || a.order - b.order)
    .slice(0, strongest).map(({ edge }) => edge);
  return facts;
}

// Put into element the picture drawn from dot (view "network", "focus" or
// "heatmap") in words: a table, or a sentence.
export function describePicture(element, dot, view) {
  const document = element.ownerDocument;
  element.textContent = '';
  if (view === 'heatmap') {
    const rows = heatmapRows(dot);
    if (rows.length === 0) {
      return;
    }
    const table = document.createElement('table');
    table.createCaption().textContent = say('picture.heatmap-caption');
    rows.forEach((cells, r) => {
      const row = table.insertRow();
      cells.forEach((text, c) => {
        const cell = document.createElement(r === 0 || c === 0 ? 'th' : 'td');
        if (r === 0 || c === 0) {
          cell.scope = r === 0 ? 'col' : 'row';
        }
        cell.textContent = text;
        row.appendChild(cell);
      });
    });
    element.appendChild(table);
    return;
  }
  const facts = networkFacts(dot);
  const influences = facts.strongest.length === 0 ? null : facts.strongest.map((edge) => say('picture.influence', edge))
    .reduce((first, rest) => say('picture.influence-list', { first, rest }));
  const p = document.createElement('p');
  p.textContent = say(influences === null ? 'picture.network-none' : 'picture.network-words',
    { empath: facts.empath ?? say('summary.none'), driver: facts.driver ?? say('summary.none'), influences });
  element.appendChild(p);
}
