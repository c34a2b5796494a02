// The page's words about archives, each a text with named places
// ({name}) that wordsFor fills in: the archive's name, an entry's path,
// figures.
export const archiveWords = {
  archiveHint: 'A .zip opens every data file (.dat, .txt) inside it, named by its path in the archive.',
  archiveLicense: 'A .zip archive is unpacked by fflate, under the MIT license.',
  archiveUnpacking: 'Unpacking {name}…',
  skipped: '{name}: {count} entries that are not data files (.dat, .txt) were skipped: {list}.',
  skippedOne: '{name}: 1 entry that is not a data file (.dat, .txt) was skipped: {list}.',
  skippedMore: '{list} and {more} more',
  noData: '{name} holds no data file (.dat, .txt).',
  climbs: '{name} is refused: the path of its entry {entry} climbs out of the archive. Nothing of it was opened.',
  encrypted: '{name} is refused: its entry {entry} is encrypted, and the page asks for no password. Nothing of it was opened.',
  ratio: '{name} is refused as a zip bomb: its entry {entry} would unpack to more than {ratio} times its packed size. ' +
    'Nothing of it was opened.',
  wholeRatio: '{name} is refused as a zip bomb: its entries would unpack to more than {ratio} times the size of the archive. ' +
    'Nothing of it was opened.',
  tooLarge: '{name} is refused as a zip bomb: its entries would unpack to more than {limit} bytes. Nothing of it was opened.',
  overSize: '{name} is refused as a zip bomb: its entry {entry} unpacks past the {size} bytes it declares. Nothing of it was opened.',
  method: '{name} is refused: its entry {entry} is packed by method {method}, which the page cannot unpack (only stored and ' +
    'deflated). Nothing of it was opened.',
  damagedNoEnd: '{name} is refused: it is not a .zip archive, or a damaged one (the end of its directory is missing). ' +
    'Nothing of it was opened.',
  damagedDirectory: '{name} is refused: the archive is damaged (its directory is cut short or out of place). Nothing of it was opened.',
  damagedSpanned: '{name} is refused: it is one part of an archive split over several files. Nothing of it was opened.',
  damagedEntry: '{name} is refused: the archive is damaged (its entry {entry} is not where its directory says). ' +
    'Nothing of it was opened.',
  damagedInflate: '{name} is refused: the archive is damaged (its entry {entry} cannot be unpacked: {error}). ' +
    'Nothing of it was opened.',
  damagedSize: '{name} is refused: the archive is damaged (its entry {entry} unpacks to {met} bytes, not the {size} it ' +
    'declares). Nothing of it was opened.',
  damagedCrc: '{name} is refused: the archive is damaged (its entry {entry} differs from its checksum). Nothing of it was opened.',
  unreadable: '{name} could not be read: {error}.',
};

// Return the words of key with each {place} filled from values.
export function wordsFor(key, values = {}) {
  return archiveWords[key].replace(/\{(\w+)\}/g, (place, name) => (name in values ? String(values[name]) : place));
}
