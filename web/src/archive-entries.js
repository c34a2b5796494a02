// The files chosen or dropped as the page's entries: a .zip archive among
// them gives its data files, each named by the archive's name and its path
// in it ("study.zip/wave1/g001.dat"), in its place; what an archive skips
// or why it is refused is said in notes.
import { readEntry } from './entries.js';
import { unpackFiles } from './pack.js';
import { wordsFor } from './archive-words.js';

// The other files of an archive that a note names; more are counted.
const kNamedSkipped = 10;

// Return whether chosen ({file, folder}) is a .zip archive to unpack.
export const isArchive = ({ file, folder }) => !folder && /\.zip$/i.test(file.name);

// Return the notes on the archive called name that unpacked ({refusal} or
// {files, skipped}, files the count of its data files) gives: why it is
// refused; the other files skipped, the first ten named; that it holds no
// data file.
export function archiveNotes(name, { refusal, files, skipped }) {
  if (refusal) {
    return [wordsFor(refusal.key, { name, ...refusal })];
  }
  const notes = [];
  if (skipped.length > 0) {
    const named = skipped.slice(0, kNamedSkipped).join(', ');
    const list = skipped.length > kNamedSkipped ? wordsFor('skippedMore', { list: named, more: skipped.length - kNamedSkipped }) : named;
    notes.push(wordsFor(skipped.length === 1 ? 'skippedOne' : 'skipped', { name, count: skipped.length, list }));
  }
  if (files === 0) {
    notes.push(wordsFor('noData', { name }));
  }
  return notes;
}

// Return the entries of an archive chosen and the notes on it; unzip(bytes)
// unpacks it (the archives' worker, which takes bytes' buffer over).
async function archiveEntries({ file }, unzip) {
  let bytes;
  try {
    bytes = new Uint8Array(await file.arrayBuffer());
  } catch (error) {
    return { entries: [], notes: [wordsFor('unreadable', { name: file.name, error: error.name + ': ' + error.message })] };
  }
  let unpacked;
  try {
    unpacked = await unzip(bytes);
  } catch (error) {
    // The worker failed (out of memory, say): the archive alone is lost.
    return { entries: [], notes: [wordsFor('unreadable', { name: file.name, error: error.message })] };
  }
  if (unpacked.refusal) {
    return { entries: [], notes: archiveNotes(file.name, unpacked) };
  }
  const entries = unpackFiles(unpacked.packed).map(({ path, bytes: own }) => ({ name: file.name + '/' + path, bytes: own }));
  return { entries, notes: archiveNotes(file.name, { files: entries.length, skipped: unpacked.skipped }) };
}

// Return {entries, notes} of the chosen files ({file, folder}) in their
// order, archives unpacked by unzip; or null once wanted() says a newer
// choice came. Loose files are read a few at a time: asking for thousands
// at once holds the page for seconds.
export async function readChosen(chosen, unzip, wanted) {
  const entries = [];
  const notes = [];
  for (let k = 0; k < chosen.length;) {
    if (isArchive(chosen[k])) {
      const unpacked = await archiveEntries(chosen[k++], unzip);
      entries.push(...unpacked.entries);
      notes.push(...unpacked.notes);
    } else {
      let end = k;
      while (end < chosen.length && end < k + 50 && !isArchive(chosen[end])) {
        end++;
      }
      entries.push(...await Promise.all(chosen.slice(k, end).map(readEntry)));
      k = end;
    }
    if (!wanted()) {
      return null;
    }
  }
  return { entries, notes };
}
