// The data file's text read as the grid shows it: the description line,
// then N, then the values, each a word between blanks; and the text written
// again with a value, N or a player changed, everything else kept as it
// was written.
import { say } from './words.js';
import { isPlayerCount } from './players.js';

// Return the words of text after its first line: [{text, start, end}].
function wordsOf(text) {
  const first = text.indexOf('\n');
  const words = [];
  if (first < 0) {
    return words;
  }
  const blank = /[^ \t\n\r\v\f]+/g;
  blank.lastIndex = first + 1;
  for (let match; (match = blank.exec(text)) !== null;) {
    words.push({ text: match[0], start: match.index, end: match.index + match[0].length });
  }
  return words;
}

// Return the number of players that text's second line gives, when it is
// a whole number from 2 to 20; otherwise null.
export function playersOf(text) {
  const [count] = wordsOf(text);
  return count && /^\d{1,2}$/.test(count.text) && isPlayerCount(Number(count.text)) ? Number(count.text) : null;
}

// Return what the grid shows of text: {players, cells}, cells[i][j] the
// value of row i and column j as written (null where the file ends
// before it); players null when text gives no number of players the grid
// can show.
export function readGrid(text) {
  const players = playersOf(text);
  if (players === null) {
    return { players, cells: [] };
  }
  const words = wordsOf(text);
  const cells = Array.from({ length: players }, (_, i) =>
    Array.from({ length: players }, (_, j) => (words[1 + i * players + j] || { text: null }).text));
  return { players, cells };
}

// A value as the programs read it: a decimal number with a point, an
// optional sign and exponent.
const number = /^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$/;

// Return why typed, what a cell of the grid holds, is not one number:
// 'empty', 'blank' (a blank inside a number: 0 5), 'separator' (a thousands
// separator: 1 000, 1,000), 'two' (two numbers: 0.3 0.4), 'comma' (a
// decimal comma: 0,5) or 'text'; null when it is one number. Blanks around
// it do not count.
export function cellProblem(typed) {
  const value = typed.trim();
  if (value === '') {
    return 'empty';
  }
  if (number.test(value)) {
    return null;
  }
  if (/^[+-]?\d{1,3}([\s,']\d{3})+(\.\d*)?$/.test(value)) {
    return 'separator';
  }
  const parts = value.split(/\s+/);
  if (parts.length > 1 && parts.every((part) => number.test(part))) {
    return parts.every((part) => /^[+-]?\d+$/.test(part)) ? 'blank' : 'two';
  }
  return number.test(value.replace(',', '.')) ? 'comma' : 'text';
}

// Return the word said beside a cell with problem (the words' cell.PROBLEM,
// and cell.PROBLEM-said in full).
export function problemWord(problem) {
  return say('cell.' + problem);
}

// Return the note under the grid on its unfinished cells ({row, column,
// problem, value}, from 0, in the grid's order): the empty ones counted,
// the first three others said in full; '' when there are none.
export function unfinishedNote(cells) {
  if (cells.length === 0) {
    return '';
  }
  const place = ({ row, column }) => say('cell.place', { from: 'P' + (row + 1), to: 'P' + (column + 1) });
  const empty = cells.filter((cell) => cell.problem === 'empty');
  const others = cells.filter((cell) => cell.problem !== 'empty');
  const said = others.slice(0, 3).map((cell) => say('cell.' + cell.problem + '-said',
    { place: place(cell), value: cell.value.trim() }));
  if (others.length > 3) {
    said.push(say('cell.more', { count: others.length - 3 }));
  }
  if (empty.length > 0) {
    said.push(empty.length === 1 ? say('cell.empty-one', { place: place(empty[0]) })
      : say('cell.empty-many', { count: empty.length, place: place(empty[0]) }));
  }
  return say('cell.note', { said: said.reduce((first, rest) => say('cell.list', { first, rest })) });
}

// Return {text, waiting}: text with each value of typed (a Map from a
// cell's index, row times N plus column, to what it holds) that is one
// number written in its place, blanks around it left out, every other byte
// of text staying; a value for a cell after the file's last value is
// written after it, on a line of its own for each row, once every cell
// before it is written. waiting holds the values not written: those that
// are not one number, and those after a cell still empty.
export function writeCells(text, typed) {
  const players = playersOf(text);
  const waiting = new Map();
  if (players === null) {
    return { text, waiting: new Map(typed) };
  }
  const words = wordsOf(text);
  const count = Math.min(words.length - 1, players * players);
  const replaced = [];
  const later = new Map();
  for (const [index, value] of typed) {
    if (cellProblem(value) !== null || index >= players * players) {
      waiting.set(index, value);
    } else if (index < count) {
      replaced.push([index, value.trim()]);
    } else {
      later.set(index, value.trim());
    }
  }
  let out = text;
  // From the last to the first, so that the places before stay.
  for (const [index, value] of replaced.sort((a, b) => b[0] - a[0])) {
    const word = words[1 + index];
    out = out.slice(0, word.start) + value + out.slice(word.end);
  }
  let added = '';
  let next = count;
  for (; later.has(next); next++) {
    added += (next % players === 0 ? '\n' : ' ') + later.get(next);
    later.delete(next);
  }
  for (const [index, value] of later) {
    waiting.set(index, value);
  }
  if (added !== '') {
    const last = wordsOf(out)[count];
    out = out.slice(0, last.end) + added + (last.end === out.length ? '\n' : '') + out.slice(last.end);
  }
  return { text: out, waiting };
}

// Return text with players players: the description line as it was, N,
// and the values row by row, one row a line, each kept as written; a new
// player's influence on itself 1 and on the others, and theirs on it, 0.
export function resize(text, players) {
  const { cells } = readGrid(text);
  return writeMatrix(text, players, Array.from({ length: players }, (_, i) =>
    Array.from({ length: players }, (_, j) => (cells[i] && cells[i][j]) ?? (i === j ? '1' : '0'))));
}

// Return text with its N and values replaced by those of rows (rows of
// values as written), one row a line; the description line and whatever
// follows the values stay.
export function replaceValues(text, rows) {
  return writeMatrix(text, rows.length, rows);
}

// Return text with its N and values replaced by players and the values of
// cells, one row a line; the description line and whatever follows the
// values stay.
function writeMatrix(text, players, cells) {
  const first = text.indexOf('\n');
  const words = wordsOf(text);
  const old = playersOf(text);
  const last = old === null ? words[0] : words[Math.min(words.length - 1, old * old)];
  const rest = last ? text.slice(last.end) : '\n';
  return text.slice(0, first + 1) + players + '\n' + cells.map((row) => row.join(' ')).join('\n') +
    (rest.startsWith('\n') ? rest : '\n' + rest.replace(/^[ \t]+/, ''));
}
