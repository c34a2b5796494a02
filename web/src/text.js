// Bytes as the programs read them, shown as text, and text edited back into
// bytes without losing one. The programs take a data file byte for byte and
// repair what they write as text the same way: UTF-8 where it is valid,
// otherwise each byte as its Windows-1252 character. The page shows every
// file, report and table so, and an edit changes only the bytes of what was
// typed: a byte that is not UTF-8 stays that byte.

// The characters of Windows-1252's bytes 0x80 to 0x9F; U+FFFD where it
// defines none. The bytes from 0xA0 on are the Latin-1 characters of their
// value.
const windows1252 = [
  0x20ac, 0xfffd, 0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021,
  0x02c6, 0x2030, 0x0160, 0x2039, 0x0152, 0xfffd, 0x017d, 0xfffd,
  0xfffd, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022, 0x2013, 0x2014,
  0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0xfffd, 0x017e, 0x0178,
];

// Return the length of the well-formed UTF-8 character at bytes[i], or 0.
function characterLength(bytes, i) {
  const lead = bytes[i];
  if (lead < 0x80) {
    return 1;
  }
  let size = 0;
  let low = 0x80;
  let high = 0xbf;
  if (lead >= 0xc2 && lead <= 0xdf) {
    size = 2;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    size = 3;
    low = lead === 0xe0 ? 0xa0 : low;
    high = lead === 0xed ? 0x9f : high;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    size = 4;
    low = lead === 0xf0 ? 0x90 : low;
    high = lead === 0xf4 ? 0x8f : high;
  } else {
    return 0;
  }
  if (i + size > bytes.length || bytes[i + 1] < low || bytes[i + 1] > high) {
    return 0;
  }
  for (let k = 2; k < size; k++) {
    if ((bytes[i + k] & 0xc0) !== 0x80) {
      return 0;
    }
  }
  return size;
}

// Return the character shown for a control character: its picture (U+2400
// to U+2421), so that a byte no one can see still shows and stays itself.
// Tab and line feed are shown as they are.
function picture(code) {
  return code === 0x7f ? '\u2421' : String.fromCharCode(0x2400 + code);
}

// Return text with its control characters, tab and line feed aside, shown
// as their pictures.
export function shown(text) {
  // eslint-disable-next-line no-control-regex
  return text.replace(/[\x00-\x08\x0b-\x1f\x7f]/g, (c) => picture(c.charCodeAt(0)));
}

// Return bytes as text: {text, starts}, starts[k] being the offset of the
// byte where the character at text[k] begins (-1 within a character of two
// UTF-16 units), and starts[text.length] the number of bytes. A CR LF pair
// is one line feed, as the programs read it; a lone CR and the other
// control bytes show as their pictures.
export function decode(bytes) {
  const pieces = [];
  const starts = [];
  let i = 0;
  while (i < bytes.length) {
    const byte = bytes[i];
    let character;
    let size;
    if (byte === 0x0d && bytes[i + 1] === 0x0a) {
      character = '\n';
      size = 2;
    } else if (byte < 0x20 || byte === 0x7f) {
      character = byte === 0x09 || byte === 0x0a ? String.fromCharCode(byte) : picture(byte);
      size = 1;
    } else if (byte < 0x80) {
      character = String.fromCharCode(byte);
      size = 1;
    } else {
      size = characterLength(bytes, i);
      if (size === 0) {
        character = String.fromCharCode(byte >= 0xa0 ? byte : windows1252[byte - 0x80]);
        size = 1;
      } else {
        // The well-formed character's code point: the lead byte's low bits,
        // then six bits of each byte that follows.
        let code = byte & (0x7f >> size);
        for (let k = 1; k < size; k++) {
          code = (code << 6) | (bytes[i + k] & 0x3f);
        }
        character = String.fromCodePoint(code);
      }
    }
    starts.push(i);
    if (character.length === 2) {
      starts.push(-1);
    }
    pieces.push(character);
    i += size;
  }
  starts.push(bytes.length);
  return { text: pieces.join(''), starts };
}

// Return the bytes of a document ({bytes, text, starts}, text and starts as
// decode gives them) after its text became edited: the bytes of the text
// kept before and after the change stay as they were, and only what was
// typed in between is written, in UTF-8.
export function applyEdit(document, edited) {
  const { bytes, text, starts } = document;
  const most = Math.min(text.length, edited.length);
  let before = 0;
  while (before < most && text[before] === edited[before]) {
    before++;
  }
  while (before > 0 && starts[before] < 0) {
    before--;
  }
  let after = 0;
  while (after < most - before && text[text.length - 1 - after] === edited[edited.length - 1 - after]) {
    after++;
  }
  while (after > 0 && starts[text.length - after] < 0) {
    after--;
  }
  const typed = new TextEncoder().encode(edited.slice(before, edited.length - after));
  const head = bytes.subarray(0, starts[before]);
  const tail = bytes.subarray(starts[text.length - after]);
  const result = new Uint8Array(head.length + typed.length + tail.length);
  result.set(head, 0);
  result.set(typed, head.length);
  result.set(tail, head.length + typed.length);
  return result;
}

// Return the span [start, end) of text (as decode gives it for bytes) that
// shows the byte at line:column, both counted from 1 and the column in
// bytes, as the programs' diagnostics count them; a place past the end of
// its line or of the file is an empty span there.
export function placeOf(bytes, starts, line, column) {
  let offset = 0;
  for (let seen = 1; seen < line; seen++) {
    const end = bytes.indexOf(0x0a, offset);
    if (end < 0) {
      offset = bytes.length;
      break;
    }
    offset = end + 1;
  }
  let lineEnd = bytes.indexOf(0x0a, offset);
  if (lineEnd < 0) {
    lineEnd = bytes.length;
  } else if (lineEnd > offset && bytes[lineEnd - 1] === 0x0d) {
    lineEnd--; // a CR LF pair is one line end
  }
  const target = Math.min(offset + column - 1, lineEnd);
  // The last character that begins at or before the byte.
  let k = 0;
  for (let next = 1; next < starts.length && (starts[next] < 0 || starts[next] <= target); next++) {
    k = starts[next] < 0 ? k : next;
  }
  if (target === lineEnd) {
    return [k, k];
  }
  let end = k + 1;
  while (end < starts.length && starts[end] < 0) {
    end++;
  }
  return [k, Math.min(end, starts.length - 1)];
}
