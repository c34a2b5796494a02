// The grid's inputs: for each player a row headed by its name, and a value
// for its influence on each player.
import { playerName } from './change.js';
import { say } from './words.js';

// Fill table (emptied first) with the grid's inputs for n players: the
// names' (data-player, out of the order of Tab) and the values'
// (data-row, data-column), each labelled.
export function buildGrid(table, n) {
  const document = table.ownerDocument;
  table.textContent = '';
  const head = table.createTHead().insertRow();
  head.appendChild(document.createElement('th'));
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
    name.className = 'name';
    // Out of the order of Tab: reached by Shift+Tab or a click.
    name.tabIndex = -1;
    header.append(name, ' P' + i);
    row.appendChild(header);
    for (let j = 1; j <= n; j++) {
      const value = document.createElement('input');
      value.dataset.row = String(i);
      value.dataset.column = String(j);
      value.inputMode = 'decimal';
      row.insertCell().appendChild(value);
    }
  }
  labelCells(table);
}

// Put the grid's words into table in the page's language, and name each
// value input for a screen reader by the players the name inputs call its
// row and its column: "influence of Anna (P1) on P2".
export function labelCells(table) {
  const corner = table.querySelector('thead th');
  if (corner) {
    corner.textContent = say('grid.corner');
  }
  const names = Array.from(table.querySelectorAll('input[data-player]'), (input) => {
    input.setAttribute('aria-label', say('grid.name-label', { player: 'P' + input.dataset.player }));
    input.placeholder = say('grid.name-placeholder');
    return input.value;
  });
  for (const value of table.querySelectorAll('input[data-row]')) {
    value.placeholder = say('grid.value-placeholder');
    value.setAttribute('aria-label', say('grid.value-label',
      { from: playerName(value.dataset.row, names), to: playerName(value.dataset.column, names) }));
  }
}
