// The grid editor: the data file's values as a grid of inputs, a name for
// each player, and buttons that add and remove a player or start a new
// group. The editor's text is the truth: the grid shows it, and what is
// typed into a cell is written into the text only once it is one number;
// until then the cell is marked, says why, and waits. It behaves as a
// spreadsheet: Tab goes through the values (Shift+Tab from a row's first
// value to its name), Enter to the next row, the arrows between cells (its
// keys are grid-keys.js's), and a block pasted into a cell fills the cells
// from there.
import { cellProblem, problemWord, readGrid, unfinishedNote, writeCells } from './grid.js';
import { gridBlock } from './paste.js';
import { fewestPlayers, isPlayerCount, mostPlayers } from './players.js';
import { buildGrid, labelCells } from './grid-cells.js';
import { say as words } from './words.js';
import { gridKeys } from './grid-keys.js';


// Return the grid in the elements of document with the ids grid-table,
// grid-scroller, grid-scroll, grid-note, grid-message, grid-paste,
// grid-start, grid-players, grid-start-button, grid-add and grid-remove:
// show(text, names, readOnly) shows text's values and names, forgetting
// what waits in the cells; unfinished() returns the cells that wait, not
// one number ({row, column, problem, value}); scrolls() says whether the
// grid is wider than its place. The
// grid reads the file's text with text(), and hands back: onWrite(text),
// the text with what was typed; onNames(first, names), names from player
// first (from 0); onResize(players); onReplace(rows, names), a whole group
// pasted, once the user says so; onStart(players), a new group;
// onUnfinished(count), after each change of the cells.
export function gridView(document, { text, onWrite, onNames, onResize, onReplace, onStart, onUnfinished }) {
  const $ = (id) => document.getElementById(id);
  const table = $('grid-table');
  let shown = 0;
  let players = null;
  let readOnly = false;
  // What the cells hold that the text does not (index row * N + column).
  let typed = new Map();
  let unfinished = [];
  // Whether the cells have been typed or pasted into since the text was shown.
  let touched = false;

  const cellAt = (row, column) => table.querySelector('input[data-row="' + row + '"][data-column="' + column + '"]');
  const nameOf = (player) => table.querySelector('input[data-player="' + player + '"]');

  // The value the text held for each cell being typed into before its
  // typing began (index to value): a cell that is not one number puts it
  // back, so that 0 5 typed for 0.75 leaves 0.75, not the 0 typed first.
  let began = new Map();

  // Write what waits in the cells into the text, as far as it is numbers.
  function write() {
    const before = text();
    const writing = new Map(typed);
    const slips = new Map();
    for (const [index, value] of typed) {
      if (cellProblem(value) !== null) {
        slips.set(index, value);
        if (began.get(index) != null) {
          writing.set(index, began.get(index));
        }
      }
    }
    const { text: after, waiting } = writeCells(before, writing);
    typed = new Map([...waiting, ...slips]);
    if (after !== before) {
      onWrite(after);
    }
    mark();
  }

  // Mark each cell that is not one number, and say so under the grid: the
  // cells that wait for the text (typed, or, once the grid is typed into,
  // empty where the file ends) in full; a value of the text that is not one
  // number, or a file's missing value, only on its cell, since the
  // diagnostics say why.
  function mark() {
    unfinished = [];
    if (players === null) {
      $('grid-message').textContent = '';
      onUnfinished(0);
      return;
    }
    const { cells } = readGrid(text());
    for (const input of table.querySelectorAll('input[data-row]')) {
      const problem = cellProblem(input.value);
      const row = Number(input.dataset.row) - 1;
      const column = Number(input.dataset.column) - 1;
      let why = input.nextElementSibling;
      if (problem === null) {
        input.removeAttribute('aria-invalid');
        if (why) {
          why.remove();
          input.removeAttribute('aria-describedby');
        }
        continue;
      }
      const held = cells[row] ? cells[row][column] : null;
      if (held === null ? touched : input.value !== held) {
        unfinished.push({ row, column, problem, value: input.value });
      }
      input.setAttribute('aria-invalid', 'true');
      if (!why) {
        why = document.createElement('span');
        why.id = 'why-' + input.dataset.row + '-' + input.dataset.column;
        input.after(why);
        input.setAttribute('aria-describedby', why.id);
      }
      why.className = 'why ' + problem;
      why.textContent = problemWord(problem);
    }
    $('grid-message').textContent = unfinishedNote(unfinished);
    const stuck = unfinished.length > 0;
    $('grid-add').disabled = readOnly || stuck || players >= mostPlayers;
    $('grid-remove').disabled = readOnly || stuck || players <= fewestPlayers;
    $('grid-add').title = $('grid-remove').title = stuck ? words('grid.fill-first') : '';
    onUnfinished(unfinished.length);
  }

  // Say what a paste into the grid did, with buttons when it asks.
  function say(message, buttons = []) {
    const line = $('grid-paste');
    line.textContent = message;
    for (const [label, act] of buttons) {
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = label;
      button.addEventListener('click', () => {
        line.textContent = '';
        act();
      });
      line.append(' ', button);
    }
  }

  // Move the keyboard's focus to input, its text selected.
  function go(input) {
    if (input) {
      input.focus();
      input.select();
    }
  }

  table.addEventListener('input', ({ target }) => {
    say('');
    touched = true;
    if (target.dataset.row) {
      const row = Number(target.dataset.row) - 1;
      const column = Number(target.dataset.column) - 1;
      const index = row * players + column;
      if (!began.has(index)) {
        const { cells } = readGrid(text());
        began.set(index, cells[row] ? cells[row][column] : null);
      }
      typed.set(index, target.value);
      write();
    } else if (target.dataset.player) {
      onNames(Number(target.dataset.player) - 1, [target.value]);
      labelCells(table);
    }
  });

  table.addEventListener('focusout', () => {
    began = new Map();
  });

  gridKeys(table, { cellAt, nameOf, go, players: () => players });

  table.addEventListener('paste', (event) => {
    const target = event.target;
    const pasted = event.clipboardData ? event.clipboardData.getData('text/plain') : '';
    if (readOnly) {
      return;
    }
    if (target.dataset.player) {
      // A row (or column) of names fills the names from this player on.
      const names = pasted.split(/\t|;|,|\r?\n/).map((name) => name.trim()).filter((name) => name !== '');
      if (names.length > 1) {
        event.preventDefault();
        const first = Number(target.dataset.player) - 1;
        const fitting = names.slice(0, players - first);
        fitting.forEach((name, k) => {
          nameOf(first + 1 + k).value = name;
        });
        onNames(first, fitting);
        say(names.length > fitting.length ? words('grid.names-pasted', { fitting: fitting.length, all: names.length,
          players }) : '');
      }
      return;
    }
    const block = target.dataset.row ? gridBlock(pasted) : null;
    if (!block) {
      return;
    }
    event.preventDefault();
    const row = Number(target.dataset.row);
    const column = Number(target.dataset.column);
    const height = block.rows.length;
    const width = Math.max(...block.rows.map((cells) => cells.length));
    // The block's size in words: "2 rows of 3 values".
    const sized = words('paste.size', { rows: words(height === 1 ? 'paste.rows-one' : 'paste.rows-many', { count: height }),
      values: words(width === 1 ? 'paste.values-one' : 'paste.values-many', { count: width }) });
    if (row - 1 + height <= players && column - 1 + width <= players) {
      block.rows.forEach((cells, i) => cells.forEach((cell, j) => {
        cellAt(row + i, column + j).value = cell;
        typed.set((row - 1 + i) * players + column - 1 + j, cell);
      }));
      if (block.names.length === players && row === 1 && column === 1 && height === players && width === players) {
        block.names.forEach((name, k) => {
          nameOf(k + 1).value = name;
        });
        onNames(0, block.names);
      }
      touched = true;
      say(words('grid.pasted', { block: sized, row, column }));
      write();
      return;
    }

    // A whole group: a square block of numbers that names its players, or
    // is pasted into the first cell.
    const group = height === width && isPlayerCount(height) &&
      (block.names.length > 0 || (row === 1 && column === 1)) &&
      block.rows.every((cells) => cells.length === width && cells.every((cell) => cellProblem(cell) === null));
    if (!group) {
      say(words('grid.no-fit', { block: sized, row, column, players }));
      return;
    }
    say(words('grid.whole-group', { block: sized, height, players }), [
      [words('grid.replace'), () => {
        onReplace(block.rows, block.names);
        go(cellAt(1, 1));
      }],
      [words('grid.keep'), () => target.focus()],
    ]);
  });

  $('grid-add').addEventListener('click', () => onResize(players + 1));
  $('grid-remove').addEventListener('click', () => onResize(players - 1));
  $('grid-start-button').addEventListener('click', () => {
    const count = $('grid-players');
    const wanted = Number(count.value);
    const valid = isPlayerCount(wanted) && count.value.trim() !== '';
    count.setAttribute('aria-invalid', String(!valid));
    $('grid-start-message').textContent = valid ? '' : words('grid.players-range', { fewest: fewestPlayers, most: mostPlayers });
    if (valid) {
      onStart(wanted);
      // Its empty cells are to be filled.
      touched = true;
      mark();
      go(cellAt(1, 1));
    }
  });

  function scrolls() {
    const scroller = $('grid-scroller');
    $('grid-scroll').hidden = scroller.scrollWidth <= scroller.clientWidth;
  }

  function show(text, names = [], locked = false) {
    const read = readGrid(text);
    const { cells } = read;
    players = read.players;
    readOnly = locked;
    typed = new Map();
    began = new Map();
    touched = false;
    say('');
    $('grid-start').hidden = text.trim() !== '';
    $('grid-note').hidden = players !== null || text.trim() === '';
    table.hidden = players === null;
    if (players === null) {
      $('grid-add').disabled = true;
      $('grid-remove').disabled = true;
      $('grid-scroll').hidden = true;
      mark();
      return;
    }
    if (shown !== players) {
      buildGrid(table, players);
      shown = players;
      scrolls();
    }
    for (const input of table.querySelectorAll('input')) {
      input.readOnly = readOnly;
      const value = input.dataset.player
        ? names[Number(input.dataset.player) - 1] || ''
        : cells[Number(input.dataset.row) - 1][Number(input.dataset.column) - 1] ?? '';
      // What is being typed stays as typed, and waits if it differs.
      if (input !== document.activeElement && input.value !== value) {
        input.value = value;
      } else if (input.value !== value && input.dataset.row) {
        typed.set((Number(input.dataset.row) - 1) * players + Number(input.dataset.column) - 1, input.value);
      }
    }
    labelCells(table);
    mark();
  }
  return { show, scrolls, unfinished: () => unfinished.slice() };
}
