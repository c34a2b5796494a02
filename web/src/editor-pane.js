// The editor and the files' intake: the shown file's text, which stays its
// truth, and the grid over it; the file control, files dropped on the
// page, the examples' buttons and blocks pasted from a spreadsheet. What is
// typed becomes the file's bytes once the typing pauses.
import { say } from './words.js';
import { applyEdit, decode, placeOf } from './text.js';
import { isSpreadsheetBlock, notBlockNote } from './paste.js';
import { playersOf, replaceValues, resize } from './grid.js';
import { gridView } from './grid-view.js';
import { showExamples } from './examples.js';
import { droppedFiles, empty } from './entries.js';

// The most bytes of a file that the editor holds. A group of 20 players
// takes a few thousand; a file of megabytes put whole into the editor would
// hold the page for minutes, so only its beginning is shown, and it cannot
// be edited there. The programs always read the whole file.
const editorLimit = 1 << 20;
export const shownOfLarge = 1 << 16;

// The programs run again once the typing pauses for editPause ms: soon
// enough that a result follows within a third of a second, and not at
// every key of a number typed.
const editPause = 150;

// Return the pane in document's elements data, data-note, paste-note,
// file, examples, grid-details and the grid's. hooks: edited(bytes), the
// editor's text as the shown entry's bytes (there may be none shown yet);
// open(chosen), files chosen ({file, folder}) to open in place of those
// open; example(file), an example's button pressed; pasted(block), a block
// from a spreadsheet pasted into the editor; names(), the shown entry's
// names; setNames(first, names, players), clearNames() and
// startGroup(players), as the grid asks; unfinished(), after each change
// of the grid's cells.
export function editorPane(document, hooks) {
  const $ = (id) => document.getElementById(id);
  const data = $('data');
  let editTimer = null;
  // The editor's text for the shown entry's bytes: {bytes, text, starts}.
  let shown = { bytes: empty, ...decode(empty) };

  // The editor's text becomes the shown entry's bytes: the bytes of what
  // was kept stay, and only what was typed is written.
  function edited() {
    clearTimeout(editTimer);
    editTimer = null;
    const bytes = applyEdit(shown, data.value);
    shown = { bytes, ...decode(bytes) };
    if (shown.text !== data.value) {
      // Bytes that the edit joined into one character show as it.
      const [start, end] = [data.selectionStart, data.selectionEnd];
      data.value = shown.text;
      data.setSelectionRange(start, end);
    }
    return hooks.edited(bytes);
  }

  function scheduleEdit() {
    clearTimeout(editTimer);
    editTimer = setTimeout(edited, editPause);
  }

  // Apply an edit still waiting for the typing to pause.
  function flush() {
    if (editTimer !== null) {
      edited();
    }
  }

  // The grid writes into the editor's text, which stays the file's truth.
  const grid = gridView(document, {
    text: () => data.value,
    onWrite(text) {
      data.value = text;
      scheduleEdit();
    },
    onResize(players) {
      data.value = resize(data.value, players);
      // A player removed takes its name along; one added starts unnamed.
      hooks.setNames(0, [], players);
      grid.show(data.value, hooks.names(), data.readOnly);
      scheduleEdit();
    },
    onReplace(rows, names) {
      data.value = replaceValues(data.value, rows);
      hooks.clearNames();
      hooks.setNames(0, names, rows.length);
      grid.show(data.value, hooks.names(), data.readOnly);
      scheduleEdit();
    },
    onStart: (players) => hooks.startGroup(players),
    onNames: (first, names) => hooks.setNames(first, names),
    onUnfinished: () => hooks.unfinished(),
  });

  $('grid-details').addEventListener('toggle', () => grid.scrolls());
  data.addEventListener('paste', (event) => {
    const block = event.clipboardData ? event.clipboardData.getData('text/plain') : '';
    $('paste-note').textContent = notBlockNote(block);
    if (isSpreadsheetBlock(block)) {
      event.preventDefault();
      hooks.pasted(block);
    }
  });
  data.addEventListener('input', () => {
    grid.show(data.value, hooks.names());
    scheduleEdit();
  });
  showExamples($('examples'), (file) => hooks.example(file));
  $('file').addEventListener('change', (event) => {
    hooks.open(Array.from(event.target.files, (file) => ({ file, folder: false })));
  });
  document.addEventListener('dragover', (event) => {
    event.preventDefault();
    document.body.classList.add('dropping');
  });
  document.addEventListener('dragleave', () => {
    document.body.classList.remove('dropping');
  });
  document.addEventListener('drop', (event) => {
    event.preventDefault();
    document.body.classList.remove('dropping');
    const chosen = droppedFiles(event.dataTransfer);
    $('file').value = '';
    hooks.open(chosen);
  });

  return {
    flush,
    // Forget an edit still waiting: other files are being opened.
    forgetEdit() {
      clearTimeout(editTimer);
      editTimer = null;
    },
    // Show entry's text in the editor and the grid, only the beginning of a
    // large file, which cannot be edited there; a large group's grid opens
    // folded, so that the summary and the report stay on the first screen.
    // Return {many}: whether the group has more than 8 players.
    show(entry) {
      const large = entry.bytes.length > editorLimit;
      const bytes = large ? entry.bytes.subarray(0, shownOfLarge) : entry.bytes;
      shown = { bytes, ...decode(bytes) };
      data.readOnly = large;
      data.value = shown.text;
      const many = playersOf(shown.text) > 8;
      grid.show(shown.text, entry.names, large);
      $('grid-details').open = !many;
      $('data-note').textContent = large ? say('data.large', { name: entry.name, bytes: entry.bytes.length, shown: shownOfLarge }) : '';
      return { many };
    },
    // Select in the editor the character of the shown file at line:column.
    select(line, column) {
      flush();
      const [start, end] = placeOf(shown.bytes, shown.starts, line, column);
      data.focus();
      data.setSelectionRange(start, end);
    },
    // Return the players of the editor's text, or null where it gives none.
    players: () => playersOf(shown.text),
    unfinished: () => grid.unfinished().length,
    scrolls: () => grid.scrolls(),
    // Say note under the editor: what a paste or a file added did.
    say(note) {
      $('paste-note').textContent = note;
    },
    // Leave the file control naming no file: the files shown came otherwise.
    clearChosen() {
      $('file').value = '';
    },
  };
}
