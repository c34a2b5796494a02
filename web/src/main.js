// The page: kelvarin, kelvarin-table and kelvarin-graph run in a Web Worker
// on the files opened, pasted or typed, and the page draws what they write.
// Every file is its own entry, given to the programs at a path of the
// page's own under the name the user knows; every choice counts a
// generation, and a result that arrives after a newer choice is dropped.

import programsSource from 'worker:programs';
import layoutSource from 'worker:layout';
import { workerClient } from './worker-client.js';
import { applyEdit, decode, placeOf, shown } from './text.js';
import { downloadName, labelled, pastedName } from './names.js';
import { diagnosticsOf, runStatus } from './status.js';
import { fromSpreadsheet, isSpreadsheetBlock, notBlockNote } from './paste.js';
import { checkTop, graphOptions, pictureNotes } from './choices.js';
import { playersOf, replaceValues, resize } from './grid.js';
import { gridView } from './grid-view.js';
import { changeSentence, figuresOf, playerName } from './change.js';
import { fittedSize, smallestSize, stacks } from './fit.js';
import { columnOrder, parseCsv, shownCell, sortRows } from './table-rows.js';
import { buildSvg } from './svg.js';
import { packFiles } from './pack.js';
import { clearSummary, showSummary, summarise } from './summary.js';
import { showExamples } from './examples.js';
import { howSure } from './how-sure.js';

// The programs run in two workers: one for the shown file, one for the
// table's CSV, so that a study's table is made while its first file is
// shown, and on a second core. Both compile the programs as the page loads,
// and Graphviz gets ready in the layouts' worker.
const programs = workerClient(programsSource);
const tables = workerClient(programsSource);
const layouts = workerClient(layoutSource);
programs.call({ warm: true }).catch(() => {});
tables.call({ warm: true }).catch(() => {});
layouts.call({ warm: true }).catch(() => {});
const empty = new Uint8Array(0);

const state = {
  files: [],        // the entries {name, bytes, failure}: failure {kind, reason} when unread
  shown: null,      // the entry in the editor
  document: null,   // the editor's text for shown.bytes: {bytes, text, starts}
  generation: { open: 0, report: 0, picture: 0, table: 0 },
  pictureOf: null,  // the bytes the picture on screen was drawn from
  scaleOf: null,    // the bytes whose largest |influence| sets the slider
  table: null,      // {header, rows, lines}: rows {cells, file, entry} of kelvarin-table's CSV,
                    // lines {line, entry}: the table's rows on screen
  sort: { column: -1, descending: false },
  editTimer: null,
  drawTimer: null,
  laying: 0,        // the picture's generation whose layout Graphviz is making, or 0
  viewBefore: null, // the view chosen before a large group opened in the heat map
  urls: {},         // the object URL of each download link
  summaryOf: null,  // the entry whose figures the summary shows
  summarised: null,  // the last run the summary shows: {report, ending, figures, data}
};

const $ = (id) => document.getElementById(id);

// Where kelvarin-graph reads the players' names.
const namesPath = '/in/names';

// Return the file of entry for the programs' worker, at the path of its
// index.
function entryFile({ entry, index }) {
  return { path: labelled(entry.name, index)[1], bytes: entry.bytes, kind: entry.failure ? entry.failure.kind : 'file' };
}

// Return files ({entry, index}) packed for the programs' worker.
function packRun(files) {
  return packFiles(files.map(entryFile));
}

// Run program with args on files, each entry at the index given (or on
// files packRun packed), in worker; the result's written holds the files
// it wrote at the paths outputs.
function run(program, args, files, worker = programs, outputs = []) {
  if (Array.isArray(files)) {
    const packed = packRun(files);
    return worker.call({ program, args, outputs, files: packed }, [packed.buffer]);
  }
  return worker.call({ program, args, outputs, files });
}

// "How sure?" runs kelvarin-table --perturb on the shown entry in a worker
// of its own, which a newer question ends: neither it nor the table waits
// behind the other. A spare, kelvarin-table compiled, takes the place of
// the one ended, so that the newer question's draws start at once.
const warmSure = (worker) => {
  worker.call({ warm: ['kelvarin-table'] }).catch(() => {});
  return worker;
};
let sureWorker = warmSure(workerClient(programsSource));
let spareWorker = warmSure(workerClient(programsSource));
const sure = howSure({ spread: $('spread'), draws: $('draws'), note: $('spread-note'), answer: $('how-sure-answer'),
  bars: $('how-sure-bars'), message: $('how-sure-message'), section: $('how-sure'), question: $('how-sure-question'),
  working: $('how-sure-working'), stop: $('how-sure-stop'), again: $('how-sure-again') }, {
  run: (args, entry) => run('kelvarin-table', args.concat(labelled(entry.name, 0)), [{ entry, index: 0 }], sureWorker),
  stop() {
    sureWorker.stop();
    [sureWorker, spareWorker] = [spareWorker, warmSure(sureWorker)];
  },
});

// Return true when entry, a file opened, has been edited in the page.
function isEdited(entry) {
  return Boolean(entry.opened && !entry.made && entry.bytes !== entry.opened.bytes);
}

// Run program on the one entry, called by its name, after options.
function runOn(program, options, entry) {
  return run(program, options.concat(labelled(entry.name, 0)), [{ entry, index: 0 }]);
}

// Point the download link id at bytes (null: nothing to download) as name.
function setLink(id, bytes, type, name) {
  const link = $(id);
  if (state.urls[id]) {
    URL.revokeObjectURL(state.urls[id]);
    delete state.urls[id];
  }
  if (bytes === null) {
    link.removeAttribute('href');
    link.setAttribute('aria-disabled', 'true');
    return;
  }
  state.urls[id] = URL.createObjectURL(new Blob([bytes], { type }));
  link.href = state.urls[id];
  link.removeAttribute('aria-disabled');
  if (name) {
    link.download = name;
  }
}

// Say how the run of kelvarin on the file called name ended (running while
// result has no stderr).
function setStatus(name, result) {
  const status = runStatus(name, { ...result, stderr: result.stderr ? decode(result.stderr).text : '' });
  const line = $('status');
  line.dataset.file = name;
  line.dataset.ending = status.ending;
  line.dataset.status = result.status === undefined ? '' : String(result.status);
  line.dataset.warnings = String(status.warnings);
  line.textContent = status.text;
  sayUnfinished();
}

// Add to the status line that the grid has cells that are not one number
// (which the file's text does not hold as shown).
function sayUnfinished() {
  const line = $('status');
  const count = grid.unfinished().length;
  line.dataset.unfinished = String(count);
  line.querySelector('.unfinished')?.remove();
  if (count > 0) {
    const said = document.createElement('span');
    said.className = 'unfinished';
    said.textContent = '; but the grid has ' + (count === 1 ? 'an unfinished cell' : count + ' unfinished cells') +
      ' (see under the grid): the figures are of the file\'s text without ' + (count === 1 ? 'it' : 'them');
    line.appendChild(said);
  }
}

// The lines kelvarin wrote on standard error; a line with a place in the
// file is a button that selects that place in the editor.
function showDiagnostics(entry, stderr) {
  const list = $('diagnostics');
  list.textContent = '';
  const lines = diagnosticsOf(decode(stderr).text, entry.name);
  if (entry.failure) {
    lines.push({ text: 'kelvarin.html: note: the browser could not read this file: ' + entry.failure.reason, line: 0 });
  }
  for (const diagnostic of lines) {
    const item = document.createElement('li');
    const place = document.createElement(diagnostic.line > 0 ? 'button' : 'span');
    place.textContent = diagnostic.text;
    if (diagnostic.line > 0) {
      place.type = 'button';
      place.dataset.line = String(diagnostic.line);
      place.dataset.column = String(diagnostic.column);
      place.addEventListener('click', () => select(diagnostic.line, diagnostic.column));
    }
    item.appendChild(place);
    list.appendChild(item);
  }
}

// Select in the editor the character of the shown file at line:column.
function select(line, column) {
  flushEdit();
  const [start, end] = placeOf(state.document.bytes, state.document.starts, line, column);
  const data = $('data');
  data.focus();
  data.setSelectionRange(start, end);
}

// Run kelvarin on the shown entry and show its report, its diagnostics and
// its status, then its picture.
async function analyse() {
  const entry = state.shown;
  const generation = ++state.generation.report;
  setStatus(entry.name, { ending: 'running' });
  if (state.summaryOf !== entry) {
    state.summaryOf = entry;
    clearSummary($('summary'), 'Running kelvarin on ' + entry.name + '…');
  }
  const report = runOn('kelvarin', [], entry);
  // kelvarin-table's JSON line of the file: the full doubles behind the
  // report's figures, and how its run ended.
  const row = runOn('kelvarin-table', ['--json'], entry).then(
    (json) => JSON.parse(new TextDecoder().decode(json.stdout).split('\n')[0]), () => null);
  sure.show(entry);
  let result;
  try {
    result = await report;
  } catch (error) {
    result = { stdout: empty, stderr: new TextEncoder().encode('kelvarin: error: the page could not run kelvarin: ' + error.message + '\n'), ending: 'error', status: '' };
  }
  const figures = await row;
  if (generation !== state.generation.report) {
    return;
  }
  const written = decode(result.stdout).text;
  $('report').textContent = written;
  fitReport();
  await sayChange(entry, written);
  if (generation !== state.generation.report) {
    return;
  }
  setLink('report-download', result.stdout, 'text/plain', downloadName(entry.name, 'txt', isEdited(entry)));
  setLink('data-download', entry.bytes, 'text/plain', downloadName(entry.name, 'dat', isEdited(entry)));
  showDiagnostics(entry, result.stderr);
  setStatus(entry.name, result);
  state.summarised = { report: written, ending: result.ending, figures,
    data: decode(entry.bytes.subarray(0, shownOfLarge)).text,
    warnings: diagnosticsOf(decode(result.stderr).text, entry.name).filter((line) => line.severity === 'warning') };
  showSummaryOf(entry);
  await draw();
}

// Show the summary of entry's last run, its players called by the names
// the page knows now.
function showSummaryOf(entry) {
  const { report, ending, figures, data, warnings } = state.summarised;
  showSummary($('summary'), summarise(report, ending, figures, data, entry.names, warnings));
}

function view() {
  return document.querySelector('input[name="view"]:checked').value;
}

// Say what the edits of entry changed against it as opened, from report,
// the report of its bytes now: beside the grid, and as #summary's
// data-change.
async function sayChange(entry, report) {
  const opened = entry.opened;
  if (opened && entry.bytes === opened.bytes) {
    opened.report = report;
  }
  let sentence = '';
  if (opened && entry.bytes !== opened.bytes) {
    if (opened.report === null) {
      // Edited before its first report came: the file as opened is run again.
      const first = await runOn('kelvarin', [], { name: entry.name, bytes: opened.bytes }).catch(() => null);
      opened.report = first ? decode(first.stdout).text : '';
    }
    sentence = changeSentence(figuresOf(opened.report), figuresOf(report), entry.names);
  }
  $('change').textContent = sentence === '' ? '' : 'Against the file as opened: ' + sentence;
  if (sentence === '') {
    $('summary').removeAttribute('data-change');
  } else {
    $('summary').dataset.change = sentence;
  }
}

// Say which name each player of the report is.
function showNames(entry) {
  const players = entry === state.shown && playersOf(state.document.text) || 20;
  const named = entry.names.slice(0, players).map((name, k) => [name.trim(), k]).filter(([name]) => name !== '');
  $('legend').hidden = named.length === 0;
  $('legend').textContent = named.length === 0 ? '' : 'The players named: ' +
    named.map(([, k]) => playerName(String(k + 1), entry.names)).join(', ') + '.';
}

// Show the report whole: the panes one above the other when it is wide,
// and its font at the largest size at which its widest line fits (or at
// full size when asked); a report that still does not fit says that it
// scrolls.
function fitReport() {
  const report = $('report');
  const results = report.closest('.results');
  const full = $('report-full').getAttribute('aria-pressed') === 'true';
  report.style.fontSize = '';
  // The width of the widest line at full size, whatever the pane's.
  const lines = document.createRange();
  lines.selectNodeContents(report);
  const natural = lines.getBoundingClientRect().width;
  const style = getComputedStyle(report);
  // The padding stays as it is while the text shrinks.
  const padding = parseFloat(style.paddingLeft) + parseFloat(style.paddingRight);
  results.classList.toggle('stacked', stacks(natural + padding, results.clientWidth));
  if (!full) {
    const size = parseFloat(style.fontSize);
    let fitted = fittedSize(size, natural, report.clientWidth - padding);
    report.style.fontSize = fitted + 'px';
    // Fonts do not scale exactly: a quarter pixel less until it fits.
    while (report.scrollWidth > report.clientWidth && fitted > smallestSize) {
      fitted -= 0.25;
      report.style.fontSize = fitted + 'px';
    }
  }
  $('report-scroll').hidden = report.scrollWidth <= report.clientWidth;
}

// The smallest share of its size the picture is shown at with its labels
// still readable: Graphviz's 10 points are then 8 pixels.
const readableScale = 0.6;

// Say whether the picture is wider than its pane, or shrunk to fit it
// below the size at which its labels can be read.
function pictureScrolls() {
  const picture = $('picture');
  $('picture-scroll').hidden = picture.scrollWidth <= picture.clientWidth;
  const svg = picture.querySelector('svg');
  const natural = svg ? parseFloat(svg.getAttribute('width')) * 4 / 3 : 0;
  const scale = svg ? svg.getBoundingClientRect().width / natural : 1;
  $('picture-small').hidden = !(scale < readableScale);
  $('picture-small').textContent = 'Shrunk to ' + Math.round(scale * 100) +
    ' % of its size to fit: too small to read here; Full size shows it whole, scrolling sideways.';
}

// Leave the picture out: nothing drawn, nothing to download, and why.
function clearPicture(message) {
  $('picture').textContent = '';
  $('picture').dataset.state = 'none';
  $('picture').dataset.view = '';
  $('picture-small').hidden = true;
  $('picture-message').textContent = message;
  setLink('svg-download', null);
  $('png-download').disabled = true;
  state.pictureOf = null;
}

// Set the slider's end to the largest off-diagonal |influence| of entry:
// the end of the heat map's scale, its legend's last cell.
async function setScale(entry) {
  if (state.scaleOf === entry.bytes) {
    return;
  }
  const result = await runOn('kelvarin-graph', ['--heatmap'], entry);
  const match = /([^<>]*)(?:<\/[A-Z]+>)+<TD BORDER="0">positive<\/TD>/.exec(new TextDecoder().decode(result.stdout));
  const slider = $('min');
  slider.max = match ? match[1] : '0';
  slider.disabled = !match || view() === 'heatmap';
  $('min-value').textContent = slider.value;
  state.scaleOf = entry.bytes;
}

// Run kelvarin-graph with options on entry, its players named by the
// entry's names (one a line in a file of their own) when it has any.
function drawWithNames(options, entry) {
  // The names of the group's players only: the text may have fewer players
  // than names while it is edited.
  const players = playersOf(decode(entry.bytes.subarray(0, 4096)).text) || 0;
  const names = (entry.names || []).slice(0, players).map((name) => name.replace(/[\r\n]+/g, ' '));
  if (!names.some((name) => name.trim() !== '')) {
    return runOn('kelvarin-graph', options, entry);
  }
  const files = packFiles([
    entryFile({ entry, index: 0 }),
    { path: namesPath, bytes: new TextEncoder().encode(names.join('\n') + '\n'), kind: 'file' },
  ]);
  return run('kelvarin-graph', options.concat(['--names-from=' + namesPath], labelled(entry.name, 0)), files);
}

// Draw the shown entry's picture as the controls choose; an invalid Top K
// is refused by its control, and the picture on screen stays.
async function draw() {
  clearTimeout(state.drawTimer);
  const entry = state.shown;
  if (!entry) {
    return;
  }
  const generation = ++state.generation.picture;
  const current = () => generation === state.generation.picture;
  const top = checkTop($('top').value, $('top').validity.badInput);
  $('top').setAttribute('aria-invalid', top.message ? 'true' : 'false');
  $('top-message').textContent = top.message || '';
  $('top').disabled = view() === 'heatmap';
  if (top.message && view() !== 'heatmap') {
    if (state.pictureOf !== entry.bytes) {
      clearPicture('No picture: ' + top.message + '.');
    }
    return;
  }
  const picture = $('picture');
  picture.setAttribute('aria-busy', 'true');
  // Graphviz cannot be interrupted: a layout still being made for an older
  // choice is dropped with its worker.
  if (state.laying !== 0) {
    layouts.stop();
    state.laying = 0;
  }
  try {
    await setScale(entry);
    if (!current()) {
      return;
    }
    const options = graphOptions(view(), view() === 'heatmap' ? null : top.top, $('min').disabled ? '0' : $('min').value);
    const result = await drawWithNames(options, entry);
    if (!current()) {
      return;
    }
    const notes = pictureNotes(decode(result.stderr).text);
    if (result.stdout.length === 0) {
      clearPicture(notes);
      return;
    }
    setWorking(view() === 'network' ? 'Laying out the network: a large group takes seconds, and the page goes on answering.' : 'Drawing the picture.');
    state.laying = generation;
    const layout = await layouts.call({ dot: new TextDecoder().decode(result.stdout) });
    if (!current()) {
      return;
    }
    state.laying = 0;
    if (layout.tree === null) {
      clearPicture(notes + layout.errors.join('\n'));
      return;
    }
    const svg = await buildSvg(layout.tree, document, current);
    if (svg === null) {
      return;
    }
    picture.textContent = '';
    picture.appendChild(svg);
    fit(svg);
    pictureScrolls();
    // The page answers between laying the picture out and copying it for
    // its download.
    await new Promise((resolve) => setTimeout(resolve, 0));
    if (!current()) {
      return;
    }
    svg.setAttribute('role', 'img');
    svg.setAttribute('aria-label', Array.from(svg.querySelectorAll('g.graph > text'), (line) => line.textContent).join('; '));
    $('picture-message').textContent = notes;
    setLink('svg-download', new XMLSerializer().serializeToString(svg), 'image/svg+xml', downloadName(entry.name, 'svg', isEdited(entry)));
    $('png-download').disabled = false;
    state.pictureOf = entry.bytes;
    picture.dataset.view = view();
    picture.dataset.state = 'drawn';
  } catch (error) {
    if (state.laying === generation) {
      state.laying = 0;
    }
    if (current()) {
      clearPicture('The picture could not be drawn: ' + error.message);
    }
  } finally {
    if (current()) {
      picture.removeAttribute('aria-busy');
      setWorking('');
    }
  }
}

// Say what the picture's worker is doing ("" when nothing).
function setWorking(message) {
  $('picture-working').textContent = message;
  $('picture-working').hidden = message === '';
}

// Widen the SVG's view box to what it draws: the browser's fonts may be
// wider than those Graphviz measured the labels with.
function fit(svg) {
  const box = svg.getBBox();
  const frame = svg.viewBox.baseVal;
  const left = Math.min(frame.x, box.x - 2);
  const top = Math.min(frame.y, box.y - 2);
  const right = Math.max(frame.x + frame.width, box.x + box.width + 2);
  const bottom = Math.max(frame.y + frame.height, box.y + box.height + 2);
  svg.setAttribute('viewBox', [left, top, right - left, bottom - top].join(' '));
  svg.setAttribute('width', (right - left) + 'pt');
  svg.setAttribute('height', (bottom - top) + 'pt');
}

// Save blob as name through a link clicked once.
function save(blob, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  document.body.appendChild(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
}

// The picture on screen as PNG: drawn on a canvas at twice its size.
async function savePng() {
  const svg = $('picture').querySelector('svg');
  if (!svg || !state.shown) {
    return;
  }
  const name = downloadName(state.shown.name, 'png', isEdited(state.shown));
  const url = URL.createObjectURL(new Blob([new XMLSerializer().serializeToString(svg)], { type: 'image/svg+xml' }));
  try {
    const image = new Image();
    await new Promise((resolve, reject) => {
      image.onload = resolve;
      image.onerror = reject;
      image.src = url;
    });
    const canvas = document.createElement('canvas');
    canvas.width = image.naturalWidth * 2;
    canvas.height = image.naturalHeight * 2;
    const context = canvas.getContext('2d');
    context.fillStyle = '#fff';
    context.fillRect(0, 0, canvas.width, canvas.height);
    context.drawImage(image, 0, 0, canvas.width, canvas.height);
    save(await new Promise((resolve) => canvas.toBlob(resolve, 'image/png')), name);
  } finally {
    URL.revokeObjectURL(url);
  }
}

// kelvarin-table's table of the entries, as CSV and JSON Lines, when two
// or more are open.
async function tabulate() {
  const generation = ++state.generation.table;
  const files = state.files.map((entry, index) => ({ entry, index }));
  if (files.length < 2) {
    state.table = null;
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
  const jsonRun = run('kelvarin-table', ['--json'].concat(args), packed);
  jsonRun.catch(() => {});
  try {
    const csv = await run('kelvarin-table', args, packed, tables);
    if (generation !== state.generation.table) {
      return;
    }
    const records = parseCsv(new TextDecoder().decode(csv.stdout));
    state.table = {
      header: records[0],
      rows: records.slice(1).map((cells, file) => ({ cells, file, entry: files[file].entry })),
    };
    setLink('csv', csv.stdout, 'text/csv');
    setLink('json', null);
    setLink('xlsx', null);
    showTable();
    $('table-jump-link').textContent = files.length + ' files: the table is below';
    $('table-jump').hidden = false;
    const json = await jsonRun;
    if (generation !== state.generation.table) {
      return;
    }
    setLink('json', json.stdout, 'application/jsonl');
    // The workbook, made once the table is on screen: kelvarin-table writes
    // it whatever the rows' statuses, and it stays disabled if it could not.
    const workbook = '/out/kelvarin-table.xlsx';
    const xlsx = await run('kelvarin-table', ['--xlsx=' + workbook].concat(args), packed, tables, [workbook]);
    if (generation === state.generation.table) {
      setLink('xlsx', xlsx.written[0], 'application/vnd.openxmlformats-officedocument.spreadsheetml.sheet');
    }
  } catch (error) {
    if (generation === state.generation.table) {
      $('table').textContent = 'The table could not be made: ' + error.message;
    }
  } finally {
    if (generation === state.generation.table) {
      $('table-pane').removeAttribute('aria-busy');
    }
  }
}

// The rows the table shows at first, and adds each time more are asked for
// or its end is scrolled into view: a browser takes about a millisecond to
// lay out a row of fifteen cells, and seconds for thousands, and a table of
// a study's files is read from its top. The downloads always hold every
// row.
const tablePage = 50;

// Draw the table as state.sort orders it, its first rows (as many as it
// showed before, when it is sorted again), the shown entry's row marked.
function showTable() {
  const table = $('table');
  const { header } = state.table;
  const sort = state.sort;
  table.textContent = '';
  $('table-pane').hidden = false;
  const head = table.createTHead().insertRow();
  columnOrder(header).forEach((column) => {
    const name = header[column];
    const cell = document.createElement('th');
    cell.scope = 'col';
    if (sort.column === column) {
      cell.setAttribute('aria-sort', sort.descending ? 'descending' : 'ascending');
    }
    const button = document.createElement('button');
    button.type = 'button';
    button.id = 'sort-' + name;
    button.textContent = name;
    button.addEventListener('click', () => {
      state.sort = { column, descending: sort.column === column && !sort.descending };
      showTable();
      $('sort-' + name).focus();
    });
    cell.appendChild(button);
    head.appendChild(cell);
  });
  // One listener for every file's button: the button says which row it is.
  table.createTBody().addEventListener('click', (event) => {
    const button = event.target.closest('button[data-row]');
    if (button) {
      // The file's status line (its warnings), summary and report come into
      // view, and the keyboard's focus with them.
      keepInView($('status'), show(state.table.order[Number(button.dataset.row)].entry));
      $('summary').focus({ preventScroll: true });
    }
  });
  const before = state.table.lines ? state.table.lines.length : 0;
  state.table.order = sort.column < 0 ? state.table.rows : sortRows(state.table.rows, sort.column, sort.descending);
  state.table.lines = [];
  showMoreRows(Math.max(before, tablePage));
}

// Scroll element to the top of the view, and keep it there while the page
// changes around it (diagnostics listed above it, a summary filled in)
// until done settles, unless the person scrolls, clicks or types meanwhile.
function keepInView(element, done) {
  let moved = false;
  const move = () => { moved = true; };
  const kinds = ['wheel', 'touchstart', 'keydown', 'mousedown'];
  kinds.forEach((kind) => window.addEventListener(kind, move, { passive: true }));
  const place = () => moved || element.scrollIntoView({ block: 'start' });
  const resized = new ResizeObserver(place);
  resized.observe(document.body);
  place();
  done.catch(() => {}).then(() => {
    place();
    resized.disconnect();
    kinds.forEach((kind) => window.removeEventListener(kind, move));
  });
}

// Add the table's next count rows, and say how many it shows.
function showMoreRows(count = tablePage) {
  const { header, order, lines } = state.table;
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
        place.textContent = shown(text);
        if (title !== '') {
          place.title = title;
        }
        place.className = ['status', 'message'].includes(header[column]) ? header[column] : /[^-+.\deE]/.test(cell) ? 'words' : '';
        if (column === status && line.dataset.warnings !== '0' && cell === 'ok') {
          const warned = line.dataset.warnings === '1' ? '1 warning' : line.dataset.warnings + ' warnings';
          place.textContent = 'ok, with ' + warned;
          place.title = 'read with ' + warned + ': the figures may not be what the file meant';
        }
        return;
      }
      const button = document.createElement('button');
      button.type = 'button';
      button.dataset.row = String(lines.length);
      button.textContent = shown(cell);
      button.setAttribute('aria-label', 'Show the report of ' + shown(cell));
      place.appendChild(button);
    });
    lines.push({ line, entry: row.entry });
    rows.appendChild(line);
  }
  $('table').tBodies[0].appendChild(rows);
  const more = $('table-more');
  more.hidden = lines.length === order.length;
  $('table-more-button').textContent = 'Show ' + Math.min(tablePage, order.length - lines.length) + ' more';
  $('table-count').textContent = lines.length + ' of the ' + order.length + ' files shown.';
  markShown();
  // The end of a long table in view asks for its next rows.
  moreInView.unobserve(more);
  if (!more.hidden) {
    moreInView.observe(more);
  }
}

const moreInView = new IntersectionObserver((seen) => {
  if (seen.some((entry) => entry.isIntersecting) && state.table && state.table.lines.length < state.table.order.length) {
    showMoreRows();
  }
});

// Mark the table's row of the shown entry.
function markShown() {
  for (const { line, entry } of state.table ? state.table.lines : []) {
    if (entry === state.shown) {
      line.setAttribute('aria-current', 'true');
    } else {
      line.removeAttribute('aria-current');
    }
  }
}

// The most bytes of a file that the editor holds. A group of 20 players
// takes a few thousand; a file of megabytes put whole into the editor would
// hold the page for minutes, so only its beginning is shown, and it cannot be
// edited there. The programs always read the whole file.
const editorLimit = 1 << 20;
const shownOfLarge = 1 << 16;

// Show entry in the editor, with its report and picture.
function show(entry) {
  flushEdit();
  state.shown = entry;
  const data = $('data');
  const large = entry.bytes.length > editorLimit;
  const bytes = large ? entry.bytes.subarray(0, shownOfLarge) : entry.bytes;
  state.document = { bytes, ...decode(bytes) };
  data.readOnly = large;
  data.value = state.document.text;
  // A large group opens in the heat map: its network is a tangle of
  // hundreds of arrows, which takes Graphviz seconds to lay out. The next
  // small group opens in the view chosen before, unless one was chosen
  // since.
  const many = playersOf(state.document.text) > 8;
  if (many && !$('view-heatmap').checked) {
    state.viewBefore = view();
    $('view-heatmap').checked = true;
    choseView();
  } else if (!many && state.viewBefore !== null) {
    $('view-' + state.viewBefore).checked = true;
    state.viewBefore = null;
    choseView();
  }
  // What an edit changed is said against the file as first shown.
  entry.opened = entry.opened || { bytes: entry.bytes, report: null };
  entry.names = entry.names || [];
  grid.show(state.document.text, entry.names, large);
  // A large group's grid opens folded, so that the summary and the report
  // stay on the first screen.
  $('grid-details').open = !many;
  showNames(entry);
  $('data-note').textContent = large ? entry.name + ' holds ' + entry.bytes.length + ' bytes: the editor shows its first ' +
    shownOfLarge + ' and cannot change it; the report and the picture are of the whole file.' : '';
  markShown();
  return analyse();
}

// Read a chosen file ({file, folder}) as an entry; one that cannot be read
// is an entry too, with why.
async function readEntry({ file, folder }) {
  if (folder) {
    return { name: file.name, bytes: empty, failure: { kind: 'folder', reason: 'it is a folder' } };
  }
  try {
    return { name: file.name, bytes: new Uint8Array(await file.arrayBuffer()) };
  } catch (error) {
    const kind = error.name === 'NotFoundError' ? 'missing' : 'unreadable';
    return { name: file.name, bytes: empty, failure: { kind, reason: error.name + ': ' + error.message } };
  }
}

// Open the chosen files ({file, folder}) in their order, the first shown.
async function open(chosen) {
  const generation = ++state.generation.open;
  clearTimeout(state.editTimer);
  state.editTimer = null;
  // The files are read a few at a time: asking for thousands at once holds
  // the page for seconds.
  const entries = [];
  for (let k = 0; k < chosen.length; k += 50) {
    entries.push(...await Promise.all(chosen.slice(k, k + 50).map(readEntry)));
    if (generation !== state.generation.open) {
      return;
    }
  }
  if (generation !== state.generation.open || entries.length === 0) {
    return;
  }
  state.files = entries;
  state.sort = { column: -1, descending: false };
  state.table = null;
  $('table').textContent = '';
  $('paste-note').textContent = '';
  await Promise.all([show(entries[0]), tabulate()]);
}

// The editor's text becomes the shown entry's bytes: the bytes of what was
// kept stay, and only what was typed is written.
function edited() {
  clearTimeout(state.editTimer);
  state.editTimer = null;
  if (!state.shown) {
    state.shown = { name: 'new group', bytes: empty, names: [], made: true };
    state.files = [state.shown];
    state.document = { bytes: empty, ...decode(empty) };
  }
  const data = $('data');
  const bytes = applyEdit(state.document, data.value);
  state.shown.bytes = bytes;
  // What was typed for a file the browser could not read is a file now.
  delete state.shown.failure;
  state.document = { bytes, ...decode(bytes) };
  if (state.document.text !== data.value) {
    // Bytes that the edit joined into one character show as it.
    const [start, end] = [data.selectionStart, data.selectionEnd];
    data.value = state.document.text;
    data.setSelectionRange(start, end);
  }
  return Promise.all([analyse(), tabulate()]);
}

// The programs run again once the typing pauses for editPause ms: soon
// enough that a result follows within a third of a second, and not at
// every key of a number typed.
const editPause = 150;

function scheduleEdit() {
  clearTimeout(state.editTimer);
  state.editTimer = setTimeout(edited, editPause);
}

// The grid writes into the editor's text, which stays the file's truth.
const grid = gridView(document, {
  text: () => $('data').value,
  onWrite(text) {
    $('data').value = text;
    scheduleEdit();
  },
  onResize(players) {
    $('data').value = resize($('data').value, players);
    // A player removed takes its name along; one added starts unnamed.
    setNames(0, [], players);
    grid.show($('data').value, state.shown ? state.shown.names : [], $('data').readOnly);
    scheduleEdit();
  },
  onReplace(rows, names) {
    $('data').value = replaceValues($('data').value, rows);
    if (state.shown) {
      state.shown.names = [];
    }
    setNames(0, names, rows.length);
    grid.show($('data').value, state.shown ? state.shown.names : [], $('data').readOnly);
    scheduleEdit();
  },
  onStart(players) {
    startGroup(players);
  },
  onNames(first, names) {
    setNames(first, names);
  },
  onUnfinished: sayUnfinished,
});

// Name the players of the shown entry from first (from 0) on as names, the
// names past players (when given) left out; the legend, the summary and
// the picture follow.
function setNames(first, names, players) {
  if (!state.shown) {
    return;
  }
  const all = state.shown.names;
  while (all.length < first + names.length) {
    all.push('');
  }
  all.splice(first, names.length, ...names);
  if (players !== undefined) {
    all.length = Math.min(all.length, players);
  }
  showNames(state.shown);
  if (state.summarised && state.summaryOf === state.shown) {
    showSummaryOf(state.shown);
  }
  clearTimeout(state.drawTimer);
  state.drawTimer = setTimeout(draw, editPause);
}

// A new group of players, typed into an empty grid: a file of its own,
// called "new group" until it is saved under a name.
function startGroup(players) {
  flushEdit();
  const entry = {
    name: pastedName(state.files.map((file) => file.name), 'new group'),
    bytes: new TextEncoder().encode('New group\n' + players + '\n'),
    names: [],
    made: true,
  };
  // A file emptied in the editor to start from nothing makes way for it.
  state.files = state.files.filter((file) => file !== state.shown || file.bytes.length > 0).concat([entry]);
  show(entry);
  tabulate();
}

// Apply an edit still waiting for the typing to pause.
function flushEdit() {
  if (state.editTimer !== null) {
    edited();
  }
}

// A block from a spreadsheet is a new file, shown; or a note says why not.
function pasted(block) {
  const result = fromSpreadsheet(block);
  if (result.data === undefined) {
    $('paste-note').textContent = result.note;
    return;
  }
  flushEdit();
  const entry = {
    name: pastedName(state.files.map((file) => file.name)),
    bytes: new TextEncoder().encode(result.data),
    names: result.players,
    made: true,
  };
  state.files = state.files.concat([entry]);
  $('paste-note').textContent = 'Pasted as ' + entry.name + ': ' + result.note;
  show(entry);
  tabulate();
}

// The slider is the network's and the focus's.
function choseView() {
  const slider = $('min');
  slider.disabled = view() === 'heatmap' || slider.max === '0';
  $('min-value').textContent = slider.value;
}

// The picture's controls draw it again, the slider once it rests.
function redraw() {
  choseView();
  clearTimeout(state.drawTimer);
  state.drawTimer = setTimeout(draw, 150);
}

for (const radio of document.querySelectorAll('input[name="view"]')) {
  radio.addEventListener('change', () => {
    state.viewBefore = null;
    redraw();
  });
}
$('top').addEventListener('input', redraw);
$('min').addEventListener('input', redraw);
$('png-download').addEventListener('click', savePng);
// The full size controls: pressed, the report or the picture at its own size.
for (const [id, refit] of [['report-full', fitReport], ['picture-full', pictureScrolls]]) {
  $(id).addEventListener('click', () => {
    const full = $(id).getAttribute('aria-pressed') !== 'true';
    $(id).setAttribute('aria-pressed', String(full));
    if (id === 'picture-full') {
      $('picture').classList.toggle('full', full);
    }
    refit();
  });
}
$('grid-details').addEventListener('toggle', () => grid.scrolls());
window.addEventListener('resize', () => {
  fitReport();
  pictureScrolls();
  grid.scrolls();
});
$('table-more-button').addEventListener('click', () => showMoreRows());

$('data').addEventListener('paste', (event) => {
  const block = event.clipboardData ? event.clipboardData.getData('text/plain') : '';
  $('paste-note').textContent = notBlockNote(block);
  if (isSpreadsheetBlock(block)) {
    event.preventDefault();
    pasted(block);
  }
});
$('data').addEventListener('input', () => {
  grid.show($('data').value, state.shown ? state.shown.names : []);
  scheduleEdit();
});

// Files opened otherwise than by the file control take the place of those
// it names: it is cleared, so that it names no file that is not shown.
showExamples($('examples'), (file) => {
  if (state.files.length > 1) {
    addFile(file);
    return;
  }
  $('file').value = '';
  open([{ file, folder: false }]);
});

// An example loaded while a table of files is open joins it, shown.
async function addFile(file) {
  const entry = await readEntry({ file, folder: false });
  flushEdit();
  state.files = state.files.concat([entry]);
  $('paste-note').textContent = entry.name + ' is added to the table of the files, now ' + state.files.length + '.';
  show(entry);
  tabulate();
}
$('file').addEventListener('change', (event) => {
  open(Array.from(event.target.files, (file) => ({ file, folder: false })));
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
  // A folder dropped comes as a file that cannot be read; its entry says
  // it is a folder.
  const items = Array.from(event.dataTransfer.items || []).filter((item) => item.kind === 'file');
  const chosen = items.length > 0
    ? items.map((item) => {
      const entry = item.webkitGetAsEntry ? item.webkitGetAsEntry() : null;
      return { file: item.getAsFile(), folder: Boolean(entry && entry.isDirectory) };
    })
    : Array.from(event.dataTransfer.files, (file) => ({ file, folder: false }));
  $('file').value = '';
  open(chosen.filter((item) => item.file !== null));
});
