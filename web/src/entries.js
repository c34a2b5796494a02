// The page's entries: each file opened, dropped, pasted or typed is one
// {name, bytes}, with failure {kind, reason} when the browser could not
// read it, and the file the programs' worker is given for it.
import { labelled } from './names.js';

// The bytes of an entry that has none.
export const empty = new Uint8Array(0);

// Return the file of entry for the programs' worker, at the path of its
// index.
export function entryFile({ entry, index }) {
  return { path: labelled(entry.name, index)[1], bytes: entry.bytes, kind: entry.failure ? entry.failure.kind : 'file' };
}

// Return true when entry, a file opened, has been edited in the page.
export function isEdited(entry) {
  return Boolean(entry.opened && !entry.made && entry.bytes !== entry.opened.bytes);
}

// Read a chosen file ({file, folder}) as an entry; one that cannot be read
// is an entry too, with why.
export async function readEntry({ file, folder }) {
  if (folder) {
    return { name: file.name, bytes: empty, failure: { kind: 'folder', reason: 'it is a folder' } };
  }
  try {
    return { name: file.name, bytes: new Uint8Array(await file.arrayBuffer()) };
  } catch (error) {
    const kind = error.name === 'NotFoundError' ? 'missing' : 'unreadable';
    return { name: file.name, bytes: empty, failure: { kind, reason: error.name + ': ' + error.message } };
  }
}

// Return the files a drop carries (its DataTransfer) as chosen files
// ({file, folder}), those that are no file left out. A folder dropped comes
// as a file that cannot be read; its entry says it is a folder.
export function droppedFiles(transfer) {
  const items = Array.from(transfer.items || []).filter((item) => item.kind === 'file');
  const chosen = items.length > 0
    ? items.map((item) => {
      const entry = item.webkitGetAsEntry ? item.webkitGetAsEntry() : null;
      return { file: item.getAsFile(), folder: Boolean(entry && entry.isDirectory) };
    })
    : Array.from(transfer.files, (file) => ({ file, folder: false }));
  return chosen.filter((item) => item.file !== null);
}
