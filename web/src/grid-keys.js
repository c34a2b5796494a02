// The grid's keys, as a spreadsheet's: Tab goes through the values
// (Shift+Tab from a row's first value to its name), Enter to the next row,
// in the column where a run of Tabs began, and the arrows between cells.

// Listen to the keys typed in table, the grid's table of inputs: cellAt(row,
// column) and nameOf(player) (from 1) are its inputs, go(input) moves the
// keyboard's focus there, players() is the grid's number of players (null
// when it shows none).
export function gridKeys(table, { cellAt, nameOf, go, players }) {
  // The column where a run of Tabs began, where Enter goes on the next row.
  let runColumn = null;
  let tabbing = false;

  table.addEventListener('focusin', () => {
    if (!tabbing) {
      runColumn = null;
    }
    tabbing = false;
  });

  table.addEventListener('keydown', (event) => {
    const target = event.target;
    if (event.altKey || event.ctrlKey || event.metaKey || players() === null) {
      return;
    }
    const isName = Boolean(target.dataset.player);
    const row = Number(isName ? target.dataset.player : target.dataset.row);
    const column = isName ? 0 : Number(target.dataset.column);
    const to = (r, c) => (c === 0 ? nameOf(r) : cellAt(r, c));
    let next;
    if (event.key === 'Tab') {
      if (event.shiftKey && column === 1) {
        next = nameOf(row);
      } else {
        // The values are the order of Tab: the names are out of it.
        if (!isName && runColumn === null) {
          runColumn = column;
        }
        tabbing = true;
        return;
      }
    } else if (event.key === 'Enter') {
      const r = row + (event.shiftKey ? -1 : 1);
      next = to(r, isName ? 0 : runColumn ?? column);
      if (!next) {
        event.preventDefault();
        return;
      }
    } else if (event.key === 'ArrowUp' || event.key === 'ArrowDown') {
      next = to(row + (event.key === 'ArrowUp' ? -1 : 1), column);
    } else if (event.key === 'ArrowLeft' && target.selectionStart === 0) {
      // From the start of a cell, or from a cell whose text is all
      // selected, as it is when the keyboard reaches it.
      next = to(row, column - 1);
    } else if (event.key === 'ArrowRight' && target.selectionEnd === target.value.length) {
      next = to(row, column + 1);
    }
    if (next) {
      event.preventDefault();
      go(next);
    }
  });
}
