// The grid editor: the data file's values as a grid of inputs, a name for
// each player, and buttons that add and remove a player. The editor's text
// is the truth: the grid shows it, and what is typed into the grid is
// handed back to be written into the text.
import { readGrid } from './grid.js';

const most = 20;
const fewest = 2;

// Return the grid in the elements of document with the ids grid,
// grid-table, grid-scroller, grid-scroll, grid-note, grid-add and
// grid-remove: show(text, names, readOnly) shows text's values and names,
// and scrolls() says whether the grid is wider than its place; typing
// calls onCell(row, column, value) and onName(player, name) (from 0), and
// the buttons onResize(players).
export function gridView(document, { onCell, onName, onResize }) {
  const $ = (id) => document.getElementById(id);
  const table = $('grid-table');
  let shown = 0;
  let players = null;
  table.addEventListener('input', ({ target }) => {
    if (target.dataset.row) {
      onCell(Number(target.dataset.row) - 1, Number(target.dataset.column) - 1, target.value);
    } else if (target.dataset.player) {
      onName(Number(target.dataset.player) - 1, target.value);
    }
  });
  $('grid-add').addEventListener('click', () => onResize(players + 1));
  $('grid-remove').addEventListener('click', () => onResize(players - 1));

  // Make the grid's inputs for n players.
  function build(n) {
    table.textContent = '';
    const head = table.createTHead().insertRow();
    const corner = document.createElement('th');
    corner.textContent = 'Name, player';
    head.appendChild(corner);
    for (let j = 1; j <= n; j++) {
      const cell = document.createElement('th');
      cell.scope = 'col';
      cell.textContent = 'P' + j;
      head.appendChild(cell);
    }
    const body = table.createTBody();
    for (let i = 1; i <= n; i++) {
      const row = body.insertRow();
      const header = document.createElement('th');
      header.scope = 'row';
      const name = document.createElement('input');
      name.dataset.player = String(i);
      name.setAttribute('aria-label', 'The name of P' + i);
      name.placeholder = 'name';
      name.className = 'name';
      header.append(name, ' P' + i);
      row.appendChild(header);
      for (let j = 1; j <= n; j++) {
        const value = document.createElement('input');
        value.dataset.row = String(i);
        value.dataset.column = String(j);
        value.inputMode = 'decimal';
        value.setAttribute('aria-label', 'The influence of P' + i + ' on P' + j);
        row.insertCell().appendChild(value);
      }
    }
    shown = n;
  }

  function scrolls() {
    const scroller = $('grid-scroller');
    $('grid-scroll').hidden = scroller.scrollWidth <= scroller.clientWidth;
  }

  function show(text, names = [], readOnly = false) {
    const read = readGrid(text);
    const { cells } = read;
    players = read.players;
    $('grid-note').hidden = players !== null;
    table.hidden = players === null;
    $('grid-add').disabled = readOnly || players === null || players >= most;
    $('grid-remove').disabled = readOnly || players === null || players <= fewest;
    if (players === null) {
      $('grid-scroll').hidden = true;
      return;
    }
    if (shown !== players) {
      build(players);
      scrolls();
    }
    for (const input of table.querySelectorAll('input')) {
      input.readOnly = readOnly;
      const value = input.dataset.player
        ? names[Number(input.dataset.player) - 1] || ''
        : cells[Number(input.dataset.row) - 1][Number(input.dataset.column) - 1] ?? '';
      // What is being typed stays as typed.
      if (input !== document.activeElement && input.value !== value) {
        input.value = value;
      }
    }
  }
  return { show, scrolls };
}
