// The files of a run sent to the programs' worker as one buffer: a
// browser copies a message of two thousand small arrays for half a
// second, and one of their bytes end to end at once.

// Return files ({path, bytes, kind}) as {files: [{path, kind, start, end}],
// buffer}: each file's bytes are buffer's from start to end.
export function packFiles(files) {
  const size = files.reduce((sum, file) => sum + file.bytes.length, 0);
  const bytes = new Uint8Array(size);
  let at = 0;
  const placed = files.map(({ path, kind, bytes: own }) => {
    bytes.set(own, at);
    at += own.length;
    return { path, kind, start: at - own.length, end: at };
  });
  return { files: placed, buffer: bytes.buffer };
}

// Return the files of packed (of packFiles) as {path, kind, bytes}.
export function unpackFiles({ files, buffer }) {
  return files.map(({ path, kind, start, end }) => ({ path, kind, bytes: new Uint8Array(buffer, start, end - start) }));
}
