// The page: kelvarin, kelvarin-table and kelvarin-graph run in a Web Worker
// on the files opened, pasted or typed, and the page draws what they write.
// Every file is its own entry, given to the programs at a path of the
// page's own under the name the user knows; every choice asks anew, and a
// result that arrives after a newer choice is dropped. This module holds
// the state and wires the panes: the editor and the files' intake, the
// report and its summary, the picture, the table and How sure?.

import programsSource from 'worker:programs';
import layoutSource from 'worker:layout';
import archiveSource from 'worker:archive';
import { workerClient } from './worker-client.js';
import { decode } from './text.js';
import { downloadName, pastedName } from './names.js';
import { diagnosticsOf } from './status.js';
import { fromSpreadsheet } from './paste.js';
import { legendText } from './change.js';
import { summarise } from './summary.js';
import { empty, isEdited, readEntry } from './entries.js';
import { isArchive, readChosen } from './archive-entries.js';
import { wordsFor } from './archive-words.js';
import { mostPlayers } from './players.js';
import { runOn } from './runs.js';
import { latest } from './wanted.js';
import { downloadLinks } from './links.js';
import { editorPane, shownOfLarge } from './editor-pane.js';
import { reportPane } from './report-pane.js';
import { picturePane } from './picture-pane.js';
import { tablePane } from './table-pane.js';
import { howSurePane } from './how-sure-pane.js';
import { languagePane } from './language-pane.js';
import { announcer } from './announce.js';
import { say } from './words.js';

// The programs run in two workers: one for the shown file, one for the
// table's CSV, so that a study's table is made while its first file is
// shown, and on a second core. Both compile the programs as the page loads,
// and Graphviz gets ready in the layouts' worker.
const programs = workerClient(programsSource);
const tables = workerClient(programsSource);
const layouts = workerClient(layoutSource);
// A .zip chosen is unpacked in a worker of its own, made when first asked.
const archives = workerClient(archiveSource);
const unzip = (bytes) => archives.call({ bytes: bytes.buffer }, [bytes.buffer]);
programs.call({ warm: true }).catch(() => {});
tables.call({ warm: true }).catch(() => {});
layouts.call({ warm: true }).catch(() => {});

const state = {
  files: [],        // the entries {name, bytes, failure}: failure {kind, reason} when unread
  shown: null,      // the entry in the editor
  opens: latest(),  // the files chosen to open
  reports: latest(), // the shown entry's runs of kelvarin
  summaryOf: null,  // the entry whose figures the summary shows
  summarised: null, // the last run the summary shows: {report, ending, figures, data, warnings}
};

const setLink = downloadLinks(document);
const announce = announcer(document.getElementById('announce'), ['run', 'how-sure']);
const editor = editorPane(document, {
  edited,
  open,
  example,
  pasted,
  names: () => (state.shown ? state.shown.names : []),
  setNames,
  clearNames() {
    if (state.shown) {
      state.shown.names = [];
    }
  },
  startGroup,
  unfinished: () => report.sayUnfinished(),
});
const report = reportPane(document, { select: editor.select, unfinished: editor.unfinished,
  kelvarin: (entry) => runOn(programs, 'kelvarin', [], entry) });
const picture = picturePane(document, { programs, layouts, shown: () => state.shown, setLink });
const table = tablePane(document, { programs, tables, setLink, shown: () => state.shown, choose: show });

// "How sure?" runs in workers of its own, which a newer question ends.
const sure = howSurePane(document, () => workerClient(programsSource), (text) => announce('how-sure', text));

// The page speaks the browser's language until another is picked; a new
// language says again what the panes show.
languagePane(document, navigator.languages || [], () => {
  if (state.shown) {
    show(state.shown);
    table.tabulate(state.files);
  }
});

// Run kelvarin on the shown entry and show its report, its diagnostics and
// its status, then its picture.
async function analyse() {
  const entry = state.shown;
  const wanted = state.reports.ask();
  report.setStatus(entry.name, { ending: 'running' });
  if (state.summaryOf !== entry) {
    state.summaryOf = entry;
    report.clearSummary(say('summary.running', { name: entry.name }));
  }
  const reported = runOn(programs, 'kelvarin', [], entry);
  // kelvarin-table's JSON line of the file: the full doubles behind the
  // report's figures, and how its run ended.
  const row = runOn(programs, 'kelvarin-table', ['--json'], entry).then(
    (json) => JSON.parse(new TextDecoder().decode(json.stdout).split('\n')[0]), () => null);
  sure.show(entry);
  let result;
  try {
    result = await reported;
  } catch (error) {
    result = { stdout: empty, stderr: new TextEncoder().encode('kelvarin: error: the page could not run kelvarin: ' + error.message + '\n'), ending: 'error', status: '' };
  }
  const figures = await row;
  if (!wanted()) {
    return;
  }
  const written = decode(result.stdout).text;
  report.showReport(written);
  await report.sayChange(entry, written);
  if (!wanted()) {
    return;
  }
  setLink('report-download', result.stdout, 'text/plain', downloadName(entry.name, 'txt', isEdited(entry)));
  setLink('data-download', entry.bytes, 'text/plain', downloadName(entry.name, 'dat', isEdited(entry)));
  report.showDiagnostics(entry, result.stderr);
  report.setStatus(entry.name, result);
  state.summarised = { report: written, ending: result.ending, figures,
    data: decode(entry.bytes.subarray(0, shownOfLarge)).text,
    warnings: diagnosticsOf(decode(result.stderr).text, entry.name).filter((line) => line.severity === 'warning') };
  showSummaryOf(entry);
  await picture.draw();
}

// Show the summary of entry's last run, its players called by the names
// the page knows now.
function showSummaryOf(entry) {
  const { report: written, ending, figures, data, warnings } = state.summarised;
  const summary = summarise(written, ending, figures, data, entry.names, warnings);
  report.showSummary(summary);
  // The status and the first figures, said once the page is still.
  const status = document.getElementById('status').textContent;
  const said = summary.figures.slice(0, 3).map((figure) => say('announce.figure', figure));
  announce('run', said.length === 0 ? status : say('announce.run',
    { status, figures: said.reduce((first, rest) => say('announce.list', { first, rest })) }));
}

// Say which name each player of entry is.
function showNames(entry) {
  report.showLegend(legendText(entry.names, entry === state.shown && editor.players() || mostPlayers));
}

// Show entry in the editor, with its report and picture; what an edit
// changes is said against the file as first shown.
function show(entry) {
  editor.flush();
  state.shown = entry;
  entry.opened = entry.opened || { bytes: entry.bytes, report: null };
  entry.names = entry.names || [];
  const { many } = editor.show(entry);
  picture.viewFor(many);
  showNames(entry);
  table.markShown();
  return analyse();
}

// Open the chosen files ({file, folder}) in their order, the first shown; a
// .zip among them opens its data files. An archive refused, or a choice
// with no file, leaves the files open as they were; the note says why.
async function open(chosen) {
  const wanted = state.opens.ask();
  editor.forgetEdit();
  const note = document.getElementById('archive-note');
  const archive = chosen.find(isArchive);
  note.textContent = archive ? wordsFor('archiveUnpacking', { name: archive.file.name }) : '';
  const read = await readChosen(chosen, unzip, wanted);
  if (!read) {
    return;
  }
  note.textContent = read.notes.join(' ');
  const { entries } = read;
  if (entries.length === 0) {
    return;
  }
  state.files = entries;
  table.forget();
  editor.say('');
  await Promise.all([show(entries[0]), table.tabulate(state.files)]);
}

// The editor's text is the shown entry's bytes now; typed with nothing
// shown, it is a new group.
function edited(bytes) {
  if (!state.shown) {
    state.shown = { name: 'new group', bytes: empty, names: [], made: true };
    state.files = [state.shown];
  }
  state.shown.bytes = bytes;
  // What was typed for a file the browser could not read is a file now.
  delete state.shown.failure;
  return Promise.all([analyse(), table.tabulate(state.files)]);
}

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
  picture.drawSoon();
}

// Add entry, a file made in the page or added to those open, and show it.
function add(entry, note) {
  state.files = state.files.concat([entry]);
  editor.say(note(entry));
  show(entry);
  table.tabulate(state.files);
}

// A new group of players, typed into an empty grid: a file of its own,
// called "new group" until it is saved under a name. A file emptied in the
// editor to start from nothing makes way for it.
function startGroup(players) {
  editor.flush();
  const entry = { name: pastedName(state.files.map((file) => file.name), 'new group'),
    bytes: new TextEncoder().encode('New group\n' + players + '\n'), names: [], made: true };
  state.files = state.files.filter((file) => file !== state.shown || file.bytes.length > 0).concat([entry]);
  show(entry);
  table.tabulate(state.files);
}

// A block from a spreadsheet is a new file, shown; or a note says why not.
function pasted(block) {
  const result = fromSpreadsheet(block);
  if (result.data === undefined) {
    editor.say(result.note);
    return;
  }
  editor.flush();
  add({ name: pastedName(state.files.map((file) => file.name)), bytes: new TextEncoder().encode(result.data),
    names: result.players, made: true }, (entry) => say('editor.pasted-as', { name: entry.name, note: result.note }));
}

// An example loaded while a table of files is open joins it, shown; else it
// takes the place of the files open, and the file control is cleared, so
// that it names no file that is not shown.
async function example(file) {
  if (state.files.length <= 1) {
    editor.clearChosen();
    open([{ file, folder: false }]);
    return;
  }
  const entry = await readEntry({ file, folder: false });
  editor.flush();
  add(entry, () => say('editor.example-added', { name: entry.name, count: state.files.length }));
}

window.addEventListener('resize', () => {
  report.fitReport();
  picture.scrolls();
  editor.scrolls();
});
