// The data file's text read as the grid shows it: the description line,
// then N, then the values, each a word between blanks; and the text written
// again with a value, N or a player changed, everything else kept as it
// was written.

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
  return count && /^\d{1,2}$/.test(count.text) && Number(count.text) >= 2 && Number(count.text) <= 20
    ? Number(count.text) : null;
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

// Return text with the value of row and column (from 0) written as value,
// its blanks left out; every other byte of text stays. A value past the end
// of the file is written after the values before it, those missing as 0.
export function writeCell(text, row, column, value) {
  const players = playersOf(text);
  const words = wordsOf(text);
  const word = words[1 + row * players + column];
  const written = value.replace(/[ \t\n\r\v\f]+/g, '');
  if (word) {
    return text.slice(0, word.start) + written + text.slice(word.end);
  }
  const { cells } = readGrid(text);
  cells[row][column] = written;
  return writeMatrix(text, players, cells.map((cells) => cells.map((cell) => cell ?? '0')));
}

// Return text with players players: the description line as it was, N,
// and the values row by row, one row a line, each kept as written; a new
// player's influence on itself 1 and on the others, and theirs on it, 0.
export function resize(text, players) {
  const { cells } = readGrid(text);
  return writeMatrix(text, players, Array.from({ length: players }, (_, i) =>
    Array.from({ length: players }, (_, j) => (cells[i] && cells[i][j]) ?? (i === j ? '1' : '0'))));
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
