// Names are only names. Every file reaches the programs at a path of the
// page's own (/in/0, /in/1, ...), whatever the user calls it, and the
// programs call it by the user's name through --label; so a file named -,
// --help or .. is read as a file and shown as the user knows it.

// Return the path of the file at index among those a run is given.
export function inputPath(index) {
  return '/in/' + index;
}

// Return name with each lone UTF-16 surrogate, which no file system name
// holds as text, as U+FFFD.
function wellFormed(name) {
  return name.replace(/[\ud800-\udbff](?![\udc00-\udfff])|(?<![\ud800-\udbff])[\udc00-\udfff]/g, '\ufffd');
}

// Return the arguments that give a program the file at index, called name.
export function labelled(name, index) {
  return ['--label=' + wellFormed(name), inputPath(index)];
}

// Return name as the programs write it in their messages: each control
// character (C0, DEL and C1) as \xHH of its UTF-8 bytes, so that a name
// cannot drive a terminal.
export function shownName(name) {
  let out = '';
  for (const character of wellFormed(name)) {
    const code = character.codePointAt(0);
    if (code < 0x20 || code === 0x7f) {
      out += '\\x' + code.toString(16).padStart(2, '0');
    } else if (code >= 0x80 && code <= 0x9f) {
      out += '\\xc2\\x' + code.toString(16);
    } else {
      out += character;
    }
  }
  return out;
}

// Return the name of the next file the page makes, called first: first
// (pasted.dat), then first with -2 before its extension (pasted-2.dat), and
// so on, the first that none of names is.
export function pastedName(names, first = 'pasted.dat') {
  const taken = new Set(names);
  const [, stem, extension] = /^(.*?)((?:\.[^.]*)?)$/.exec(first);
  let name = first;
  for (let k = 2; taken.has(name); k++) {
    name = stem + '-' + k + extension;
  }
  return name;
}

// Return the name a download of what was made from the file name gets:
// name without its last extension, "-edited" after it when the file was
// edited in the page, and extension; characters that file systems refuse
// made "_", and "kelvarin" where nothing of name is left.
export function downloadName(name, extension, edited = false) {
  // eslint-disable-next-line no-control-regex
  let stem = name.replace(/[\x00-\x1f\x7f"*/:<>?\\|]/g, '_').replace(/\.[^.]*$/, '');
  stem = stem.replace(/^[.\s]+|[.\s]+$/g, '');
  return (stem === '' ? 'kelvarin' : stem) + (edited ? '-edited' : '') + '.' + extension;
}
