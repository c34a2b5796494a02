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
