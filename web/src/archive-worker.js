// The Web Worker that unpacks a study's .zip archive for the page, off the
// page's thread: a message {id, bytes}, the archive's bytes (an
// ArrayBuffer handed over), is answered with {id, result}: {refusal} as
// unpackArchive says why, or {packed, skipped}: the data files packed by
// packFiles (path, bytes) in one buffer handed back, and the paths of the
// other files; or {id, error}.
import { unpackArchive } from './archive.js';
import { packFiles } from './pack.js';

self.onmessage = ({ data }) => {
  try {
    const { files, skipped, refusal } = unpackArchive(new Uint8Array(data.bytes));
    if (refusal) {
      self.postMessage({ id: data.id, result: { refusal } });
      return;
    }
    const packed = packFiles(files.map(({ path, bytes }) => ({ path, kind: 'file', bytes })));
    self.postMessage({ id: data.id, result: { packed, skipped } }, [packed.buffer]);
  } catch (error) {
    self.postMessage({ id: data.id, error: String((error && error.message) || error) });
  }
};
