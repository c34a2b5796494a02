// How a run of kelvarin ended, in the words of the page's status line, and
// the diagnostics it wrote, each with its place in the data file where it
// has one.

import { shownName } from './names.js';
import { say } from './words.js';

// Return the lines kelvarin wrote on standard error (text) about the file
// it called name: {text, severity, line, column}, severity and the place
// where the line is a diagnostic (line and column 0 where it has no place).
// The lines that quote the data file under a diagnostic are only text.
export function diagnosticsOf(text, name) {
  const prefix = shownName(name) + ':';
  const placed = /^(\d+):(\d+): (warning|error|note): /;
  const unplaced = /^kelvarin: (warning|error|note): /;
  return text.split('\n').filter((line) => line !== '').map((line) => {
    const place = line.startsWith(prefix) ? placed.exec(line.slice(prefix.length)) : null;
    if (place) {
      return { text: line, severity: place[3], line: +place[1], column: +place[2] };
    }
    const program = unplaced.exec(line);
    return { text: line, severity: program ? program[1] : '', line: 0, column: 0 };
  });
}

// Return the status of a run of kelvarin on the file called name, from its
// result ({ending, status, stderr as text}): {ending, warnings, text}. A run
// that ended well with warnings says so, for its figures may not be what the
// file meant.
export function runStatus(name, result) {
  const warnings = diagnosticsOf(result.stderr, name).filter((d) => d.severity === 'warning').length;
  const key = ['running', 'abort', 'error'].includes(result.ending) ? result.ending
    : warnings === 1 ? 'warning-one' : warnings > 1 ? 'warning-many' : 'complete';
  return { ending: result.ending, warnings, text: say('status.' + key, { name, status: result.status, count: warnings }) };
}

// Return what the status line adds when the grid has count cells that are
// not one number (which the file's text does not hold as shown), or ''.
export function unfinishedStatus(count) {
  if (count === 0) {
    return '';
  }
  return say(count === 1 ? 'status.unfinished-one' : 'status.unfinished-many', { count });
}
