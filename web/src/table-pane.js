// The table of the files: kelvarin-table's CSV of every entry, when two or
// more are open, drawn a page of rows at a time and sorted by a column; a
// file's button shows its report. Its CSV, JSON Lines and workbook are
// the downloads.
import { say } from './words.js';
import { labelled } from './names.js';
import { shown as shownText } from './text.js';
import { cellClass, columnOrder, parseCsv, shownCell, sortRows, warnedStatus } from './table-rows.js';
import { isEdited } from './entries.js';
import { packRun, run } from './runs.js';
import { latest } from './wanted.js';

// The rows the table shows at first, and adds each time more are asked for
// or its end is scrolled into view: a browser takes about a millisecond to
// lay out a row of fifteen cells, and seconds for thousands, and a table of
// a study's files is read from its top. The downloads always hold every
// row.
const tablePage = 50;

// Scroll element to the top of the view, and keep it there while the page
// changes around it (diagnostics listed above it, a summary filled in)
// until done settles, unless the person scrolls, clicks or types meanwhile.
function keepInView(element, done) {
  const window = element.ownerDocument.defaultView;
  let moved = false;
  const move = () => { moved = true; };
  const kinds = ['wheel', 'touchstart', 'keydown', 'mousedown'];
  kinds.forEach((kind) => window.addEventListener(kind, move, { passive: true }));
  const place = () => moved || element.scrollIntoView({ block: 'start' });
  const resized = new ResizeObserver(place);
  resized.observe(element.ownerDocument.body);
  place();
  done.catch(() => {}).then(() => {
    place();
    resized.disconnect();
    kinds.forEach((kind) => window.removeEventListener(kind, move));
  });
}

// Return the pane in document's elements table, table-pane, table-jump,
// table-jump-link, table-more, table-more-button and table-count. programs
// and tables are the programs' workers (the JSON Lines are made in the
// first beside the CSV in the second); setLink is the download links';
// shown() is the shown entry; choose(entry) shows an entry, and resolves
// once its report is shown.
export function tablePane(document, { programs, tables, setLink, shown, choose }) {
  const $ = (id) => document.getElementById(id);
  const runs = latest();
  let table = null;  // {header, rows, order, lines}: rows {cells, file, entry} of the CSV, in
                     // the files' order or sorted; lines {line, entry}: the rows on screen
  let sort = { column: -1, descending: false };

  // Mark the table's row of the shown entry.
  function markShown() {
    for (const { line, entry } of table ? table.lines : []) {
      if (entry === shown()) {
        line.setAttribute('aria-current', 'true');
      } else {
        line.removeAttribute('aria-current');
      }
    }
  }

  const moreInView = new IntersectionObserver((seen) => {
    if (seen.some((entry) => entry.isIntersecting) && table && table.lines.length < table.order.length) {
      showMoreRows();
    }
  });

  // Add the table's next count rows, and say how many it shows.
  function showMoreRows(count = tablePage) {
    const { header, order, lines } = table;
    const status = header.indexOf('status');
    const warnings = header.indexOf('warnings');
    const columns = columnOrder(header);
    const rows = document.createDocumentFragment();
    for (const row of order.slice(lines.length, lines.length + count)) {
      const line = document.createElement('tr');
      line.dataset.status = row.cells[status];
      line.dataset.warnings = row.cells[warnings] || '0';
      columns.forEach((column) => {
        const cell = row.cells[column];
        const place = line.insertCell();
        if (header[column] !== 'file') {
          const { text, title } = shownCell(header[column], cell);
          place.textContent = shownText(text);
          if (title !== '') {
            place.title = title;
          }
          place.className = cellClass(header[column], cell);
          const warned = column === status ? warnedStatus(cell, line.dataset.warnings) : null;
          if (warned) {
            place.textContent = warned.text;
            place.title = warned.title;
          }
          return;
        }
        const button = document.createElement('button');
        button.type = 'button';
        button.dataset.row = String(lines.length);
        button.textContent = shownText(cell);
        button.setAttribute('aria-label', say('table.show', { name: shownText(cell) }));
        place.appendChild(button);
      });
      lines.push({ line, entry: row.entry });
      rows.appendChild(line);
    }
    $('table').tBodies[0].appendChild(rows);
    const more = $('table-more');
    more.hidden = lines.length === order.length;
    delete $('table-more-button').dataset.words;
    $('table-more-button').textContent = say('table.more-count', { count: Math.min(tablePage, order.length - lines.length) });
    $('table-count').textContent = say('table.count', { shown: lines.length, all: order.length });
    markShown();
    // The end of a long table in view asks for its next rows.
    moreInView.unobserve(more);
    if (!more.hidden) {
      moreInView.observe(more);
    }
  }

  // Draw the table as sort orders it, its first rows (as many as it showed
  // before, when it is sorted again), the shown entry's row marked.
  function showTable() {
    const element = $('table');
    const { header } = table;
    const chosen = sort;
    element.textContent = '';
    $('table-pane').hidden = false;
    const head = element.createTHead().insertRow();
    columnOrder(header).forEach((column) => {
      const name = header[column];
      const cell = document.createElement('th');
      cell.scope = 'col';
      if (chosen.column === column) {
        cell.setAttribute('aria-sort', chosen.descending ? 'descending' : 'ascending');
      }
      const button = document.createElement('button');
      button.type = 'button';
      button.id = 'sort-' + name;
      button.textContent = name;
      button.addEventListener('click', () => {
        sort = { column, descending: chosen.column === column && !chosen.descending };
        showTable();
        $('sort-' + name).focus();
      });
      cell.appendChild(button);
      head.appendChild(cell);
    });
    // One listener for every file's button: the button says which row it is.
    element.createTBody().addEventListener('click', (event) => {
      const button = event.target.closest('button[data-row]');
      if (button) {
        // The file's status line (its warnings), summary and report come
        // into view, and the keyboard's focus with them.
        keepInView($('status'), choose(table.order[Number(button.dataset.row)].entry));
        $('summary').focus({ preventScroll: true });
      }
    });
    const before = table.lines ? table.lines.length : 0;
    table.order = chosen.column < 0 ? table.rows : sortRows(table.rows, chosen.column, chosen.descending);
    table.lines = [];
    showMoreRows(Math.max(before, tablePage));
  }

  // Make kelvarin-table's table of entries, as CSV and JSON Lines, when two
  // or more are open.
  async function tabulate(entries) {
    const wanted = runs.ask();
    const files = entries.map((entry, index) => ({ entry, index }));
    if (files.length < 2) {
      table = null;
      $('table').textContent = '';
      $('table-pane').hidden = true;
      $('table-jump').hidden = true;
      setLink('csv', null);
      setLink('json', null);
      setLink('xlsx', null);
      return;
    }
    // A file edited in the page is marked so in its row and the downloads.
    const args = files.flatMap(({ entry, index }) => labelled(entry.name + (isEdited(entry) ? ' (edited)' : ''), index));
    $('table-pane').setAttribute('aria-busy', 'true');
    // The files are packed once for the table's three runs.
    const packed = packRun(files);
    // The JSON Lines are made beside the CSV, in the other worker.
    const jsonRun = run(programs, 'kelvarin-table', ['--json'].concat(args), packed);
    jsonRun.catch(() => {});
    try {
      const csv = await run(tables, 'kelvarin-table', args, packed);
      if (!wanted()) {
        return;
      }
      const records = parseCsv(new TextDecoder().decode(csv.stdout));
      table = {
        header: records[0],
        rows: records.slice(1).map((cells, file) => ({ cells, file, entry: files[file].entry })),
      };
      setLink('csv', csv.stdout, 'text/csv');
      setLink('json', null);
      setLink('xlsx', null);
      showTable();
      delete $('table-jump-link').dataset.words;
      $('table-jump-link').textContent = say('table.jump-many', { count: files.length });
      $('table-jump').hidden = false;
      const json = await jsonRun;
      if (!wanted()) {
        return;
      }
      setLink('json', json.stdout, 'application/jsonl');
      // The workbook, made once the table is on screen: kelvarin-table
      // writes it whatever the rows' statuses, and it stays disabled if it
      // could not.
      const workbook = '/out/kelvarin-table.xlsx';
      const xlsx = await run(tables, 'kelvarin-table', ['--xlsx=' + workbook].concat(args), packed, [workbook]);
      if (wanted()) {
        setLink('xlsx', xlsx.written[0], 'application/vnd.openxmlformats-officedocument.spreadsheetml.sheet');
      }
    } catch (error) {
      if (wanted()) {
        $('table').textContent = say('table.failed', { message: error.message });
      }
    } finally {
      if (wanted()) {
        $('table-pane').removeAttribute('aria-busy');
      }
    }
  }

  $('table-more-button').addEventListener('click', () => showMoreRows());

  return {
    tabulate,
    markShown,
    // Forget the table of the files open before: a new set is opened, in
    // the files' order.
    forget() {
      sort = { column: -1, descending: false };
      table = null;
      $('table').textContent = '';
    },
  };
}
