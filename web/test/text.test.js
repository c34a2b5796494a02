// The page's text as the programs read it: bytes shown, edits written back
// without losing a byte, and diagnostics' places found.
import assert from 'node:assert/strict';
import test from 'node:test';
import { applyEdit, decode, placeOf } from '../src/text.js';

const bytes = (...values) => new Uint8Array(values.flatMap((v) => (typeof v === 'string' ? [...new TextEncoder().encode(v)] : [v])));

test('bytes show as UTF-8 where valid, each other byte as its Windows-1252 character', () => {
  const rows = [
    // [bytes, text, starts]
    [bytes('ab'), 'ab', [0, 1, 2]],
    [bytes('a\r\nb'), 'a\nb', [0, 1, 3, 4]],
    [bytes('a\rb'), 'a\u240db', [0, 1, 2, 3]],
    [bytes('M', 0xfc, 'ller'), 'Müller', [0, 1, 2, 3, 4, 5, 6]],
    [bytes(0x80, 0x81, 0x9f), '\u20ac\ufffd\u0178', [0, 1, 2, 3]],
    [bytes('\u20ac'), '\u20ac', [0, 3]],
    [bytes('\u{1f600}x'), '\u{1f600}x', [0, -1, 4, 5]],
    [bytes(0xc0, 0x80), '\u00c0\u20ac', [0, 1, 2]],           // overlong
    [bytes(0xed, 0xa0, 0x80), '\u00ed\u00a0\u20ac', [0, 1, 2, 3]], // surrogate
    [bytes(0xf5, 0xc3), '\u00f5\u00c3', [0, 1, 2]],           // F5, a lead byte at the end
    [bytes(0, '\t', 0x1b, 0x7f), '\u2400\t\u241b\u2421', [0, 1, 2, 3, 4]],
  ];
  for (const [input, text, starts] of rows) {
    assert.deepEqual(decode(input), { text, starts }, JSON.stringify(text));
  }
  // Each byte from 0x80 on alone is its Windows-1252 character; the five
  // bytes the code page leaves undefined are U+FFFD.
  const high = '€\ufffd‚ƒ„…†‡ˆ‰Š‹Œ\ufffdŽ\ufffd\ufffd‘’“”•–—˜™š›œ\ufffdžŸ';
  for (let byte = 0x80; byte <= 0xff; byte++) {
    const expected = byte < 0xa0 ? high[byte - 0x80] : String.fromCharCode(byte);
    assert.equal(decode(new Uint8Array([byte])).text, expected, byte.toString(16));
  }
});

test('an edit writes what was typed and keeps every other byte', () => {
  const rows = [
    // [bytes, the text as edited, the bytes after]
    [bytes('Gruppe M', 0xfc, 'ller\n3\n'), 'Gruppe M\u00fcller \n3\n', bytes('Gruppe M', 0xfc, 'ller \n3\n')],
    [bytes('Gruppe M', 0xfc, 'ller\n'), 'Gruppe M\u00fc\u00fcller\n', bytes('Gruppe M', 0xfc, '\u00fcller\n')],
    [bytes('a', 0x81, 'b'), 'a\ufffdbc', bytes('a', 0x81, 'bc')],
    [bytes('a', 0x81, 'b'), 'ab', bytes('ab')],
    [bytes('1\r\n2\r\n'), '1\n2\n3', bytes('1\r\n2\r\n3')],
    [bytes('1\r\n2\r\n'), '1\nx\n', bytes('1\r\nx\r\n')],
    [bytes('a\rb'), 'a\u240dbc', bytes('a\rbc')],
    [bytes('\u{1f600}\u{1f601}'), '\u{1f600}\u{1f602}', bytes('\u{1f600}\u{1f602}')],
    [bytes('\u{1f600}'), '\ud83d', bytes('\ufffd')],
    [bytes(0xfc), '', bytes()],
    [bytes(), 'typed', bytes('typed')],
  ];
  for (const [before, edited, after] of rows) {
    assert.deepEqual(applyEdit({ bytes: before, ...decode(before) }, edited), after, JSON.stringify(edited));
  }
});

test('a diagnostic\'s line and byte column are the span of its character', () => {
  const file = bytes('\u00e9\u00e9x\r\n', 0xfc, 'a\n\u{1f600}b');
  const { starts } = decode(file);
  const rows = [
    // [line, column, span]
    [1, 1, [0, 1]],
    [1, 3, [1, 2]],
    [1, 5, [2, 3]],
    [1, 6, [3, 3]],
    [1, 40, [3, 3]],
    [2, 1, [4, 5]],
    [2, 2, [5, 6]],
    [3, 1, [7, 9]],
    [3, 5, [9, 10]],
    [3, 6, [10, 10]],
    [9, 1, [10, 10]],
  ];
  for (const [line, column, span] of rows) {
    assert.deepEqual(placeOf(file, starts, line, column), span, line + ':' + column);
  }
});
