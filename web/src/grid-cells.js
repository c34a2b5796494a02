// The grid's inputs: for each player a row headed by its name, and a value
// for its influence on each player.

// Fill table (emptied first) with the grid's inputs for n players: the
// names' (data-player, out of the order of Tab) and the values'
// (data-row, data-column), each labelled.
export function buildGrid(table, n) {
  const document = table.ownerDocument;
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
    // Out of the order of Tab: reached by Shift+Tab or a click.
    name.tabIndex = -1;
    header.append(name, ' P' + i);
    row.appendChild(header);
    for (let j = 1; j <= n; j++) {
      const value = document.createElement('input');
      value.dataset.row = String(i);
      value.dataset.column = String(j);
      value.inputMode = 'decimal';
      value.placeholder = 'empty';
      value.setAttribute('aria-label', 'The influence of P' + i + ' on P' + j);
      row.insertCell().appendChild(value);
    }
  }
}
