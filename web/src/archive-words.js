// The page's words about archives: the "archive." keys of the words of the
// page's language (words/LANGUAGE.json), each a text with named places
// ({name}) filled in from values: the archive's name, an entry's path,
// figures.
import { language, languages } from './words.js';

// Return the words of key with each {place} filled from values; a place
// without a value stays as it is written rather than stopping the files'
// intake.
export function wordsFor(key, values = {}) {
  const text = languages[language()]['archive.' + key] ?? languages.en['archive.' + key];
  return text.replace(/\{(\w+)\}/g, (place, name) => (name in values ? String(values[name]) : place));
}
