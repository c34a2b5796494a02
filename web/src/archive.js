// A study as one .zip archive: its directory read, every entry's path and
// sizes checked before anything is unpacked, and its data files unpacked
// with limits that hold whatever the archive declares. An archive refused
// is refused whole, with the reason as {key, ...values} for the page's
// words (archive-words.js); nothing of it is opened.
import { Inflate, inflateSync } from 'fflate';

// An entry may unpack to at most kMaxRatio times its packed size, and the
// whole archive to kMaxRatio times its own size and to kMaxUnpacked bytes:
// more is a zip bomb, made to fill the memory of whoever unpacks it.
export const kMaxRatio = 100;
export const kMaxUnpacked = 1e9;
// The packed bytes given to the inflater at once: a step can unpack to at
// most about a thousand times as much, so a stream that lies about its
// size is stopped a few megabytes past it.
const kInflateStep = 4096;

// The names of files the page opens from an archive: data files as the page
// names them (group.dat), or as plain text (group.txt).
const dataName = /\.(dat|txt)$/i;

// Code page 437, in which archives not marked UTF-8 name their entries:
// the characters of bytes 0x80 to 0xFF.
const cp437 = 'ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜ¢£¥₧ƒáíóúñÑªº¿⌐¬½¼¡«»░▒▓│┤╡╢╖╕╣║╗╝╜╛┐' +
  '└┴┬├─┼╞╟╚╔╩╦╠═╬╧╨╤╥╙╘╒╓╫╪┘┌█▄▌▐▀αßΓπΣσµτΦΘΩδ∞φε∩≡±≥≤⌠⌡÷≈°∙·√ⁿ²■\u00a0';

const crcTable = Array.from({ length: 256 }, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; k++) {
    c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  }
  return c >>> 0;
});

// Return the CRC-32 of bytes, as a zip archive checks each entry.
export function crc32(bytes) {
  let c = 0xffffffff;
  for (let i = 0; i < bytes.length; i++) {
    c = crcTable[(c ^ bytes[i]) & 0xff] ^ (c >>> 8);
  }
  return (c ^ 0xffffffff) >>> 0;
}

class Refusal extends Error {
  constructor(key, values = {}) {
    super(key);
    this.refusal = { key, ...values };
  }
}

// Return an entry's name bytes as text: UTF-8 where the entry says so (flag
// bit 11) or where they are valid UTF-8, code page 437 otherwise.
function nameOf(bytes, utf8) {
  try {
    return new TextDecoder('utf-8', { fatal: !utf8 }).decode(bytes);
  } catch {
    return Array.from(bytes, (b) => (b < 0x80 ? String.fromCharCode(b) : cp437[b - 0x80])).join('');
  }
}

// Return path, an entry's name, with backslashes read as the folder
// separators that some archivers write, or null when it would climb out of
// the archive: absolute (/x, C:x, \\host), or with a ".." step.
export function entryPath(name) {
  const path = name.replace(/\\/g, '/');
  if (path.startsWith('/') || /^[a-z]:/i.test(path) || path.includes('\0') ||
      path.split('/').some((step) => step === '..')) {
    return null;
  }
  return path;
}

// Return whether path, an entry's path, is a data file to open: named as
// one, and not one of the hidden files that archivers and file managers
// add (__MACOSX/, .DS_Store, ._group.dat).
export function isDataPath(path) {
  const steps = path.split('/');
  return dataName.test(path) && !steps.some((step) => step.startsWith('.') || step === '__MACOSX');
}

// Return the archive's end record: {count, size, offset} of its directory,
// read from the Zip64 record where the classic one holds no room for them.
function directoryOf(bytes, view) {
  let end = -1;
  for (let at = bytes.length - 22; at >= Math.max(0, bytes.length - 22 - 65535); at--) {
    if (view.getUint32(at, true) === 0x06054b50) {
      end = at;
      break;
    }
  }
  if (end < 0) {
    throw new Refusal('damagedNoEnd');
  }
  let record = { disk: view.getUint16(end + 4, true) || view.getUint16(end + 6, true), count: view.getUint16(end + 10, true),
    size: view.getUint32(end + 12, true), offset: view.getUint32(end + 16, true) };
  if ((record.count === 0xffff || record.offset === 0xffffffff || record.size === 0xffffffff) && end >= 20 &&
      view.getUint32(end - 20, true) === 0x07064b50) {
    const at = Number(view.getBigUint64(end - 12, true));
    if (at + 56 > bytes.length || view.getUint32(at, true) !== 0x06064b50) {
      throw new Refusal('damagedDirectory');
    }
    record = { disk: view.getUint32(at + 16, true) || view.getUint32(at + 20, true), count: Number(view.getBigUint64(at + 32, true)),
      size: Number(view.getBigUint64(at + 40, true)), offset: Number(view.getBigUint64(at + 48, true)) };
  }
  if (record.disk !== 0) {
    throw new Refusal('damagedSpanned');
  }
  if (record.offset + record.size > bytes.length) {
    throw new Refusal('damagedDirectory');
  }
  return record;
}

// Return the sizes and place of an entry, from its Zip64 extra field
// (id 1) where the directory's own fields are full.
function zip64Sizes(view, extraStart, extraEnd, entry) {
  for (let at = extraStart; at + 4 <= extraEnd; at += 4 + view.getUint16(at + 2, true)) {
    if (view.getUint16(at, true) !== 1) {
      continue;
    }
    let field = at + 4;
    for (const key of ['size', 'packed', 'offset']) {
      if (entry[key] === 0xffffffff && field + 8 <= extraEnd) {
        entry[key] = Number(view.getBigUint64(field, true));
        field += 8;
      }
    }
  }
  return entry;
}

// Return the entries of the zip archive bytes as its directory lists them:
// {path, folder, encrypted, method, crc, packed, size, offset}; or throw a
// refusal: a path that climbs out, a directory that is damaged.
export function listArchive(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const { count, size, offset } = directoryOf(bytes, view);
  const entries = [];
  let at = offset;
  for (let k = 0; k < count; k++) {
    if (at + 46 > offset + size || view.getUint32(at, true) !== 0x02014b50) {
      throw new Refusal('damagedDirectory');
    }
    const flags = view.getUint16(at + 8, true);
    const nameLength = view.getUint16(at + 28, true);
    const extraLength = view.getUint16(at + 30, true);
    const next = at + 46 + nameLength + extraLength + view.getUint16(at + 32, true);
    if (next > offset + size) {
      throw new Refusal('damagedDirectory');
    }
    const name = nameOf(bytes.subarray(at + 46, at + 46 + nameLength), (flags & 0x800) !== 0);
    const path = entryPath(name);
    if (path === null) {
      throw new Refusal('climbs', { entry: name });
    }
    entries.push(zip64Sizes(view, at + 46 + nameLength, at + 46 + nameLength + extraLength, {
      path, folder: path.endsWith('/'),
      // Bit 0 is encryption, bit 6 strong encryption; method 99 is AES.
      encrypted: (flags & 0x41) !== 0 || view.getUint16(at + 10, true) === 99,
      method: view.getUint16(at + 10, true), crc: view.getUint32(at + 16, true),
      packed: view.getUint32(at + 20, true), size: view.getUint32(at + 24, true), offset: view.getUint32(at + 42, true),
    }));
    at = next;
  }
  return entries;
}

// Return the bytes entry unpacks to, from the archive bytes, stopped as soon
// as they pass the size the entry declares; or throw a refusal.
function unpackEntry(bytes, view, entry) {
  const local = entry.offset;
  if (local + 30 > bytes.length || view.getUint32(local, true) !== 0x04034b50) {
    throw new Refusal('damagedEntry', { entry: entry.path });
  }
  const start = local + 30 + view.getUint16(local + 26, true) + view.getUint16(local + 28, true);
  if (start + entry.packed > bytes.length) {
    throw new Refusal('damagedEntry', { entry: entry.path });
  }
  const packed = bytes.subarray(start, start + entry.packed);
  let out;
  if (entry.method === 0) {
    out = packed.slice();
  } else if (packed.length <= kInflateStep) {
    // A small entry (a data file is a few kilobytes) at once, into room for
    // one byte more than it declares: what would go past is dropped.
    try {
      out = inflateSync(packed, { out: new Uint8Array(entry.size + 1) });
    } catch (error) {
      throw new Refusal('damagedInflate', { entry: entry.path, error: error.message });
    }
    if (out.length > entry.size) {
      throw new Refusal('overSize', { entry: entry.path, size: entry.size, met: out.length });
    }
  } else {
    const chunks = [];
    let met = 0;
    const inflater = new Inflate((chunk) => {
      chunks.push(chunk);
      met += chunk.length;
    });
    try {
      for (let from = 0; from < packed.length && met <= entry.size; from += kInflateStep) {
        inflater.push(packed.subarray(from, from + kInflateStep), from + kInflateStep >= packed.length);
      }
    } catch (error) {
      throw new Refusal('damagedInflate', { entry: entry.path, error: error.message });
    }
    if (met > entry.size) {
      throw new Refusal('overSize', { entry: entry.path, size: entry.size, met });
    }
    out = new Uint8Array(met);
    chunks.reduce((at, chunk) => (out.set(chunk, at), at + chunk.length), 0);
  }
  if (out.length !== entry.size) {
    throw new Refusal('damagedSize', { entry: entry.path, met: out.length, size: entry.size });
  }
  if (crc32(out) !== entry.crc) {
    throw new Refusal('damagedCrc', { entry: entry.path });
  }
  return out;
}

// Return what the zip archive bytes holds for the page: {files: [{path,
// bytes}], skipped: [path]}, its data files in the directory's order and
// the paths of the other files; or {refusal: {key, ...}} when it climbs
// out, is a zip bomb (by what it declares or what it unpacks to), is
// encrypted, is damaged, or is packed by a method other than stored or
// deflated. Folders are only the places of their files.
export function unpackArchive(bytes) {
  try {
    const entries = listArchive(bytes).filter((entry) => !entry.folder);
    let declared = 0;
    for (const entry of entries) {
      if (entry.encrypted) {
        throw new Refusal('encrypted', { entry: entry.path });
      }
      if (entry.size > kMaxRatio * entry.packed && entry.size > 0) {
        throw new Refusal('ratio', { entry: entry.path, ratio: kMaxRatio });
      }
      declared += entry.size;
    }
    if (declared > kMaxUnpacked) {
      throw new Refusal('tooLarge', { limit: kMaxUnpacked });
    }
    if (declared > kMaxRatio * bytes.length) {
      throw new Refusal('wholeRatio', { ratio: kMaxRatio });
    }
    const data = entries.filter((entry) => isDataPath(entry.path));
    const method = data.find((entry) => entry.method !== 0 && entry.method !== 8);
    if (method) {
      throw new Refusal('method', { entry: method.path, method: method.method });
    }
    const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
    return {
      files: data.map((entry) => ({ path: entry.path, bytes: unpackEntry(bytes, view, entry) })),
      skipped: entries.filter((entry) => !isDataPath(entry.path)).map((entry) => entry.path),
    };
  } catch (error) {
    if (error instanceof Refusal) {
      return { refusal: error.refusal };
    }
    throw error;
  }
}
