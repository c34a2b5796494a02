// The page in a real browser, opened from file:// with no network:
//   node page_test.js BROWSER PAGE CASES EXAMPLES NATIVE_TABLE SCREENSHOT
// BROWSER is chromium or firefox (Debian's chromium and firefox-esr, driven
// by puppeteer-core). Each end-to-end case whose data file is "input" (and
// that has no command line of its own), opened with #file, must download
// kelvarin's expected standard output byte for byte, list its standard error
// and end as the case does; the examples opened together must download
// kelvarin-table's CSV byte for byte. No request may leave the page (only
// file:, data: and blob: URLs), nothing may be logged as an error, and the
// page may never open a dialog. Then the page as a person uses it, a case
// for each thing it promises: names are only names; every file its own; the
// last choice wins; one bad entry costs only itself; text as the programs
// read it; controls that refuse bad values; a paste is a new file; an
// honest status; a strict policy; memory that stays over three passes of 78
// files; the diagnostics' places, typing, "How sure?", the views and sorting;
// the grid, the players' names, group20 on one screen, and a page never busy
// for long at once while group20 and 2,000 files open; the grid
// as a spreadsheet that never writes a slip, and pictures whose labels do
// not overlap.
// Takes screenshots of the page showing examples/triad.dat at a desktop's
// and a phone's width down to its report (SCREENSHOT, and SCREENSHOT with
// -phone before .png), examples/group20.dat's first screen at 1280
// pixels (-group20), the grid with a slip at 1280 and 390 pixels
// (-grid-invalid, -grid-invalid-phone) and group20's heat map at 390 pixels,
// fitted and at full size (-heatmap-phone, -heatmap-phone-full).
// The page may weigh 3 MB at most, and must fit 390 pixels. The environment's
// KELVARIN_PAGE_CHECKS, a list of the checks' names (endToEnd,examples,...),
// runs only those.
import crypto from 'node:crypto';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import url from 'node:url';
import { spawnSync } from 'node:child_process';
import * as esbuild from 'esbuild';
import puppeteer from 'puppeteer-core';
import { decode } from './src/text.js';

const [browserName, pageFile, cases, exampleFolder, nativeTable, screenshot] = process.argv.slice(2);
const here = path.dirname(url.fileURLToPath(import.meta.url));
const failures = [];
const fail = (message) => {
  failures.push(message);
  console.log('FAIL: ' + message);
};
const endings = { 0: 'complete', 1: 'error', abort: 'abort' };
// The console errors a check expects the browser to log, while it runs.
let expectedErrors = [];
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Wait until the page has settled on a choice: the status says how the run
// ended, and neither the picture nor the table is being made.
const settled = (page, name, timeout = 120000) => page.waitForFunction(
  (name) => {
    const status = document.getElementById('status');
    return ['complete', 'error', 'abort'].includes(status.dataset.ending) &&
      (name === undefined || status.dataset.file === name) &&
      !document.getElementById('picture').hasAttribute('aria-busy') &&
      !document.getElementById('table-pane').hasAttribute('aria-busy');
  },
  { timeout }, name);

// Open files with #file, and wait until the page has settled on them.
async function open(page, files) {
  await page.$eval('#status', (status) => { status.dataset.ending = ''; });
  // The same files chosen again are a choice too.
  await page.$eval('#file', (input) => { input.value = ''; });
  const input = await page.$('#file');
  await input.uploadFile(...files);
  await settled(page, path.basename(files[0]));
}

// Drop File objects made in the page from {name, bytes} on it, and wait.
async function drop(page, files, wait = true) {
  await page.evaluate((files) => {
    document.getElementById('status').dataset.ending = '';
    const transfer = new DataTransfer();
    for (const file of files) {
      transfer.items.add(new File([new Uint8Array(file.bytes)], file.name));
    }
    document.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
  }, files.map((file) => ({ name: file.name, bytes: Array.from(file.bytes) })));
  if (wait) {
    await settled(page, files[0].name);
  }
}

// Return the bytes a download link holds, or null when it is disabled.
async function linked(page, id) {
  const bytes = await page.$eval('#' + id, async (link) => {
    if (!link.hasAttribute('href')) {
      return null;
    }
    return Array.from(new Uint8Array(await (await fetch(link.href)).arrayBuffer()));
  });
  return bytes === null ? null : Buffer.from(bytes);
}

const text = (page, id) => page.$eval('#' + id, (element) => element.textContent);
const tableColumn = (page, column) => page.$$eval('#table tbody tr', (rows, column) => {
  const header = Array.from(document.querySelectorAll('#table thead th'), (th) => th.textContent);
  return rows.map((row) => row.cells[header.indexOf(column)].textContent);
}, column);
const triad = () => fs.readFileSync(path.join(exampleFolder, 'triad.dat'));
const nativeRun = (args, cwd) => spawnSync(path.resolve(nativeTable), args, { cwd }).stdout;

// Each end-to-end case in the page: the report's download is kelvarin's
// standard output byte for byte, the diagnostics its standard error, and
// the status its ending.
async function endToEnd(page) {
  let checked = 0;
  for (const name of fs.readdirSync(cases).sort()) {
    const folder = path.join(cases, name);
    if (!fs.existsSync(path.join(folder, 'input')) || fs.existsSync(path.join(folder, 'args'))) {
      continue;
    }
    await open(page, [path.join(folder, 'input')]);
    const expected = fs.readFileSync(path.join(folder, 'stdout'));
    const report = await linked(page, 'report-download');
    if (!report || !expected.equals(report)) {
      fail(name + ': the report\'s download is not the expected standard output');
    }
    if (await text(page, 'report') !== decode(expected).text) {
      fail(name + ': #report does not show the expected standard output');
    }
    const errors = decode(fs.readFileSync(path.join(folder, 'stderr'))).text.split('\n').filter(Boolean);
    const listed = await page.$$eval('#diagnostics li', (items) => items.map((item) => item.textContent));
    const status = fs.readFileSync(path.join(folder, 'status'), 'utf8').trim();
    // GSL's report names its own source file and line.
    const strip = (lines) => lines.map((line) => line.replace(/^gsl: [^ ]+:[0-9]+: /, 'gsl: '));
    if (strip(listed).join('\n') !== strip(errors).join('\n')) {
      fail(name + ': #diagnostics lists ' + JSON.stringify(listed) + ', not the expected standard error');
    }
    const ending = await page.$eval('#status', (line) => line.dataset.ending);
    if (ending !== endings[status]) {
      fail(name + ': ended ' + ending + ', expected ' + endings[status]);
    }
    await summaryOfReport(page, name);
    checked++;
  }
  console.log('checked ' + checked + ' end-to-end cases in the page');
}

// The summary holds the report's figures: data-s-e is the text of its S_E
// line, data-empath and data-driver the numbers of its P's; each is left
// out where the report has no such line.
async function summaryOfReport(page, name) {
  const { report, figures } = await page.evaluate(() => ({
    report: document.getElementById('report').textContent,
    figures: { ...document.getElementById('summary').dataset },
  }));
  const line = (pattern) => {
    const found = report.split('\n').map((text) => pattern.exec(text)).find(Boolean);
    return found ? found[1] : undefined;
  };
  const expected = {
    sE: line(/^The synchronization coefficient S_E is: *(\S+)$/),
    empath: line(/^The empath is P(\d+)\.$/),
    driver: line(/^The driver is P(\d+)\.$/),
  };
  for (const [key, value] of Object.entries(expected)) {
    if (figures[key] !== value) {
      fail(name + ': the summary\'s ' + key + ' is ' + JSON.stringify(figures[key]) + ', the report\'s ' + JSON.stringify(value));
    }
  }
}

// The summary: the examples' figures in large type, each linked to its
// explanation, the condition number's sentence in figures of the group; a
// singular M and a file not accepted say so, with no figure that does not exist.
async function summary(page, work) {
  await open(page, [path.join(exampleFolder, 'triad.dat')]);
  const triadSummary = await page.$eval('#summary', (element) => ({
    ...element.dataset,
    links: Array.from(element.querySelectorAll('a[href^="#help-"]'), (link) => link.getAttribute('href')).join(),
    values: Array.from(element.querySelectorAll('.value'), (value) => value.textContent).join(),
    size: parseFloat(getComputedStyle(element.querySelector('.value')).fontSize) /
      parseFloat(getComputedStyle(element.querySelector('.sentence')).fontSize),
    condition: element.querySelector('[data-figure="condition"] .sentence').textContent,
  }));
  if (triadSummary.empath !== '3' || triadSummary.driver !== '2' || triadSummary.sE !== '0.5833' ||
      triadSummary.links !== '#help-empath,#help-driver,#help-s-e,#help-determinant,#help-condition' ||
      triadSummary.values !== 'P3,P2,0.5833,0.7500,3.0000' || triadSummary.size < 1.5 ||
      !triadSummary.condition.includes('2 decimals') || !triadSummary.condition.includes('3.0000 × 0.50% = 1.5%')) {
    fail('the triad\'s summary is ' + JSON.stringify(triadSummary));
  }
  // S_E exactly halfway between two texts of four decimals, -0.03125: the
  // summary says -0.0312, as the report does.
  const tie = path.join(work, 'tie.dat');
  fs.writeFileSync(tie, 'S_E at a tie\n2\n-2 0.25\n0 3\n');
  await open(page, [tie]);
  await summaryOfReport(page, 'tie.dat');
  if (await page.$eval('#summary', (element) => element.dataset.sE) !== '-0.0312') {
    fail('the summary of S_E -0.03125 is not the report\'s -0.0312');
  }
  await open(page, [path.join(exampleFolder, 'singular.dat')]);
  const singular = await page.$eval('#summary', (element) => ({ ...element.dataset, note: element.querySelector('.note').textContent }));
  if (singular.state !== 'singular' || singular.empath !== '3' || singular.driver !== '1' || 'sE' in singular ||
      !singular.note.includes('M is singular')) {
    fail('the summary of a singular M is ' + JSON.stringify(singular));
  }
  await open(page, [path.join(cases, 'value_nan', 'input')]);
  const error = await page.$eval('#summary', (element) => ({ ...element.dataset, note: element.querySelector('.note').textContent,
    figures: element.querySelectorAll('.figure').length }));
  if (error.state !== 'error' || 'empath' in error || 'sE' in error || error.figures !== 0 || !error.note.includes('did not accept')) {
    fail('the summary of a file not accepted is ' + JSON.stringify(error));
  }
}

// The explanations: an entry for each figure, which the summary's link
// brings into view; the data file's example is one kelvarin accepts, and
// the report's words are tied to the page's; the license names the sources
// of the libraries in the programs.
async function help(page) {
  await open(page, [path.join(exampleFolder, 'triad.dat')]);
  const entries = await page.$$eval('#help section[id^="help-"]', (sections) =>
    Object.fromEntries(sections.map((section) => [section.id, section.textContent])));
  const names = ['format', 'empath', 'driver', 'q', 's-e', 'determinant', 'condition'];
  if (Object.keys(entries).join() !== names.map((name) => 'help-' + name).join() ||
      !/Eigenvector.*heat map/s.test(entries['help-empath']) || !/Communality.*heat map/s.test(entries['help-driver'])) {
    fail('the explanations are ' + Object.keys(entries).join());
  }
  const targets = await page.$$eval('#summary a', (links) => links.map((link) => {
    const target = document.getElementById(link.getAttribute('href').slice(1));
    return target !== null && target.closest('#help') !== null;
  }));
  if (targets.length !== 5 || !targets.every(Boolean)) {
    fail('the summary\'s links do not all lead to an explanation: ' + targets.join());
  }
  await page.evaluate(() => window.scrollTo(0, 0));
  await page.click('#summary a[href="#help-s-e"]');
  await page.waitForFunction(() => {
    const top = document.getElementById('help-s-e').getBoundingClientRect().top;
    return top >= 0 && top < window.innerHeight;
  }, { timeout: 5000 }).catch(() => fail('the summary\'s link to #help-s-e does not bring it into view'));
  await page.evaluate(() => { window.location.hash = ''; });
  const example = await page.$eval('#help-format pre', (pre) => pre.textContent);
  await drop(page, [{ name: 'help.dat', bytes: Buffer.from(example) }]);
  if (await page.$eval('#status', (status) => status.dataset.ending + ' ' + status.dataset.warnings) !== 'complete 0') {
    fail('the data file of the explanations is not accepted: ' + await text(page, 'status'));
  }
  // The license names the sources of the libraries in the programs and
  // carries libxlsxwriter's license.
  const license = await text(page, 'license');
  if (!/\(gsl_2\.7[^)]*,.*\(mpfr4=\S+ gmp=\S+,.*\(libxlsxwriter=\S+ zlib=\S+,/s.test(license) ||
      !license.includes('Redistribution and use')) {
    fail('the license does not name the libraries\' sources: ' + license.slice(0, 600));
  }
}

// The end-to-end case whose input is bytes.
const caseOf = (bytes) => fs.readdirSync(cases).find((folder) =>
  fs.existsSync(path.join(cases, folder, 'input')) && bytes.equals(fs.readFileSync(path.join(cases, folder, 'input'))));

// The table shows what matters: the status after the file, coloured by
// status, then the message, wrapped; figures as the report writes them,
// with every digit in their title; a file's button brings its summary and
// report into view, with the keyboard's focus.
async function table(page) {
  const files = [['ok.dat', 'triad'], ['warned.dat', 'number_forms'], ['singular.dat', 'singular'],
    ['overflow.dat', 'inverse_overflow'], ['error.dat', 'value_nan']];
  await drop(page, files.map(([name, folder]) => ({ name, bytes: fs.readFileSync(path.join(cases, folder, 'input')) })));
  const seen = await page.$eval('#table', (table) => ({
    header: Array.from(table.tHead.rows[0].cells, (cell) => cell.textContent).slice(0, 3).join(),
    colours: Array.from(table.querySelectorAll('tbody td.status'), (cell) => getComputedStyle(cell).backgroundColor),
    message: Array.from(table.querySelectorAll('tbody td.message'), (cell) =>
      getComputedStyle(cell).whiteSpace + ' ' + (cell.scrollWidth <= cell.clientWidth)),
  }));
  if (seen.header !== 'file,status,message' || new Set(seen.colours).size !== 5 || seen.colours.includes('rgba(0, 0, 0, 0)') ||
      seen.message.some((message) => message !== 'normal true')) {
    fail('the table shows ' + JSON.stringify(seen));
  }
  // The figures of each row are its report's.
  for (const [index, [name, folder]] of files.entries()) {
    const report = fs.readFileSync(path.join(cases, folder, 'stdout'), 'latin1');
    const figure = (pattern) => (report.split('\n').map((line) => pattern.exec(line)).find(Boolean) || [])[1] || '';
    const expected = [figure(/^The synchronization coefficient S_E is: *(\S+)$/), figure(/^The determinant of M is: \t+(\S+)$/)];
    const cells = await Promise.all(['s_e', 'determinant', 'players'].map(async (column) => (await tableColumn(page, column))[index]));
    // A singular M's determinant is not in its report, and S_E is not finite in the table.
    if ((folder !== 'inverse_overflow' && cells[0] !== expected[0]) || (folder !== 'singular' && cells[1] !== expected[1]) ||
        !/^\d*$/.test(cells[2])) {
      fail(name + '\'s row shows ' + cells.join() + ', its report ' + expected.join());
    }
  }
  const titles = await page.$eval('#table tbody tr', (row) => Array.from(row.cells, (cell) => cell.title).filter(Boolean).join());
  if (titles !== '0.5833333333333334,0.75,3,0.47712125471966244,0.125,0.5') {
    fail('the triad\'s figures have the titles ' + titles);
  }
  await page.evaluate(() => window.scrollTo(0, document.body.scrollHeight));
  await page.$eval('#status', (status) => { status.dataset.ending = ''; });
  await (await page.$$('#table tbody tr button'))[2].click();
  await settled(page, 'singular.dat');
  const focus = await page.evaluate(() => ({
    active: document.activeElement.id,
    summary: document.getElementById('summary').getBoundingClientRect().top,
    report: document.getElementById('report').getBoundingClientRect().top,
    height: window.innerHeight,
  }));
  if (focus.active !== 'summary' || focus.summary < -1 || focus.summary > focus.height || focus.report > focus.height) {
    fail('a file\'s button leaves the focus and the view at ' + JSON.stringify(focus));
  }
}

// Each example's button loads its file of examples/ as if it were opened:
// the editor holds its bytes, and its report is the end-to-end case's of
// the same input.
async function exampleButtons(page) {
  // A file chosen with the file control first: an example takes its place
  // there too, so that the control names no file that is not shown.
  await open(page, [path.join(exampleFolder, 'singular.dat')]);
  for (const name of ['triad.dat', 'group20.dat', 'singular.dat']) {
    const bytes = fs.readFileSync(path.join(exampleFolder, name));
    const known = caseOf(bytes);
    await page.$eval('#status', (status) => { status.dataset.ending = ''; });
    const button = '#example-' + name.replace('.dat', '');
    if (await page.$eval(button, (element) => element.textContent).catch(() => null) !== name) {
      fail('no button ' + button + ' named ' + name);
      continue;
    }
    await page.click(button);
    await settled(page, name);
    const report = await linked(page, 'report-download');
    if (await page.$eval('#data', (data) => data.value) !== bytes.toString() ||
        !report || !report.equals(fs.readFileSync(path.join(cases, known, 'stdout')))) {
      fail(button + ' does not load examples/' + name + ': ' + await text(page, 'status'));
    }
    if (await page.$eval('#file', (input) => input.files.length) !== 0) {
      fail(button + ' leaves the file control naming the file chosen before');
    }
  }
}

// The table of the examples sorted by s_e: ascending with a click, the
// empty cell last, then descending with Enter on the focused header.
async function sorting(page, native) {
  const lines = native.toString().trim().split('\n').map((line) => line.split(','));
  const column = lines[0].indexOf('s_e');
  const rows = lines.slice(1).filter((row) => row[column] !== '');
  rows.sort((a, b) => a[column] - b[column]);
  const ascending = rows.map((row) => row[0]).concat(
    lines.slice(1).filter((row) => row[column] === '').map((row) => row[0]));
  const order = () => page.$$eval('#table tbody tr', (trs) => trs.map((tr) => tr.cells[0].textContent));
  // The cells are the CSV's fields, a figure's in its title: a row with no
  // quoted field is its CSV line.
  const shown = await page.$$eval('#table tr', (trs, names) => {
    const header = Array.from(trs[0].cells, (cell) => cell.textContent);
    return trs.map((tr) => names.map((name) => {
      const cell = tr.cells[header.indexOf(name)];
      return /^-?\d+\.\d{4}$/.test(cell.textContent) && cell.title !== '' ? cell.title : cell.textContent;
    }).join(','));
  }, lines[0]);
  native.toString().trim().split('\n').forEach((line, row) => {
    if (!line.includes('"') && shown[row] !== line) {
      fail('the table\'s row ' + row + ' is ' + shown[row] + ', not ' + line);
    }
  });
  await page.click('#sort-s_e');
  if ((await order()).join() !== ascending.join()) {
    fail('sorted by s_e, the table is ' + (await order()).join() + ', expected ' + ascending.join());
  }
  await page.focus('#sort-s_e');
  await page.keyboard.press('Enter');
  const sort = await page.$eval('#sort-s_e', (button) => button.parentNode.getAttribute('aria-sort'));
  const descending = rows.map((row) => row[0]).reverse().concat(ascending.slice(rows.length));
  if (sort !== 'descending' || (await order()).join() !== descending.join()) {
    fail('Enter on s_e did not sort it descending: ' + (await order()).join());
  }
}

// A description of 2-byte characters too long by a byte: its diagnostic's
// place, byte 121, is the 61st character, which a click must select.
async function selecting(page, work) {
  const file = path.join(work, 'accents.dat');
  const description = 'Équipe à Zürich: ' + 'é'.repeat(60);
  fs.writeFileSync(file, description + '\n3\n1 0.5 0.25\n0.5 1 0.75\n0.25 0.5 1\n');
  await open(page, [file]);
  const button = await page.$('#diagnostics button');
  const place = button && await button.evaluate((b) => b.dataset.line + ':' + b.dataset.column);
  const start = Buffer.from(description).subarray(0, 120).toString().length;
  if (place !== '1:121') {
    fail('the long description\'s diagnostic is at ' + place + ', expected 1:121');
    return;
  }
  await button.click();
  const selected = await page.$eval('#data', (data) => [data.selectionStart, data.selectionEnd]);
  if (selected.join() !== [start, start + 1].join()) {
    fail('the diagnostic 1:121 selected ' + selected.join() + ', expected ' + [start, start + 1].join());
  }
}

// Typing a data file into the editor re-runs the report.
async function typing(page) {
  await page.click('#data');
  await page.keyboard.down('Control');
  await page.keyboard.press('a');
  await page.keyboard.up('Control');
  await page.keyboard.type('Typed pair\n2\n1 0.5\n0.5 1\n');
  await page.waitForFunction(
    () => document.getElementById('report').textContent.includes('Data description: Typed pair') &&
      document.getElementById('status').dataset.ending === 'complete',
    { timeout: 10000 }).catch(() => fail('typing into #data did not update #report'));
}

// Paste a block into the editor through the clipboard, as a spreadsheet's
// cells come: the block is copied from the editor, whose text is then put
// back, and pasted with the keyboard.
async function paste(page, block) {
  const before = await page.$eval('#data', (data, block) => {
    const text = data.value;
    data.value = block;
    data.focus();
    data.select();
    return text;
  }, block);
  await page.keyboard.down('Control');
  await page.keyboard.press('c');
  await page.keyboard.up('Control');
  await page.$eval('#data', (data, text) => {
    data.value = text;
    data.focus();
  }, before);
  await page.keyboard.down('Control');
  await page.keyboard.press('v');
  await page.keyboard.up('Control');
}

// A paste is a new file: pasted.dat, then pasted-2.dat, among the files
// open, the others' rows unchanged; a block that is not a square of numbers
// gets a note that says where, and no file; a note goes with the next paste.
async function pasting(page) {
  await open(page, ['triad.dat', 'group20.dat', 'singular.dat'].map((name) => path.join(exampleFolder, name)));
  const before = await tableColumn(page, 's_e');
  const block = '\tAnn\tBob\tCy\r\nAnn\t1\t0,5\t0,25\r\nBob\t0,5\t1\t0,75\r\nCy\t0,25\t0,5\t1\r\n';
  await paste(page, block);
  await settled(page, 'pasted.dat');
  const expected = 'Pasted from a spreadsheet\n3\n1 0.5 0.25\n0.5 1 0.75\n0.25 0.5 1\n';
  if (await page.$eval('#data', (data) => data.value) !== expected) {
    fail('the pasted block became ' + JSON.stringify(await page.$eval('#data', (data) => data.value)));
  }
  const note = await text(page, 'paste-note');
  if (!note.includes('pasted.dat') || !note.includes('header row (Ann, Bob, Cy)') || !note.includes('names (Ann, Bob, Cy)')) {
    fail('the note on the pasted block says ' + JSON.stringify(note));
  }
  if (!(await text(page, 'report')).includes('S_E is: 0.5833') || await text(page, 'status') !== 'pasted.dat: complete') {
    fail('the pasted block\'s report is not the triad\'s: ' + await text(page, 'status'));
  }
  const files = await tableColumn(page, 'file');
  const after = await tableColumn(page, 's_e');
  if (files.join() !== 'triad.dat,group20.dat,singular.dat,pasted.dat' ||
      after.slice(0, 3).join() !== before.join() || after[3] !== '0.5833') {
    fail('after a paste the table holds ' + files.join() + ': ' + after.join());
  }
  await paste(page, '1\t0.5\n0.5\t1\n');
  await settled(page, 'pasted-2.dat');
  if ((await tableColumn(page, 'file')).join() !== files.concat(['pasted-2.dat']).join()) {
    fail('a second paste is not pasted-2.dat: ' + (await tableColumn(page, 'file')).join());
  }
  const refusals = [
    ['\tAnna\tBen\tCleo\nCleo\t1\t2\t3\nBen\t4\t5\t6\nAnna\t7\t8\t9\n', 'but its first column names Cleo, Ben and Anna'],
    ['1\t2\t3\n4\t\t6\n7\t8\t9\n', 'the cell in row 2, column 2 is empty'],
    ['1\tNA\n50%\t1.000,5\n', '\'50%\' in row 2, column 1 is not a number'],
  ];
  for (const [refused, says] of refusals) {
    await paste(page, refused);
    const said = await text(page, 'paste-note');
    if (!said.includes(says) || (await tableColumn(page, 'file')).length !== 5 ||
        await page.$eval('#status', (status) => status.dataset.file) !== 'pasted-2.dat') {
      fail('a refused paste: the note says ' + JSON.stringify(said) + ', the files are ' + (await tableColumn(page, 'file')).join());
    }
  }
  await paste(page, 'not a block');
  if (await text(page, 'paste-note') !== '') {
    fail('the note on the last paste stays after the next paste');
  }
}

// Names are only names: files named as options, ".", "..", with quotes,
// blanks and a line feed reach every program as files, and show as the
// user knows them; the page never asks for anything.
async function naming(page, work) {
  const names = ['-', '--help', '-?', '--version', '-v.dat', '--json', '.', '..', 'say "hi" it\'s.dat',
    'two  blanks.dat', 'line\nfeed.dat'];
  await drop(page, names.map((name) => ({ name, bytes: triad() })));
  const files = await tableColumn(page, 'file');
  if (files.join('|') !== names.join('|')) {
    fail('the table of files named as options holds ' + JSON.stringify(files));
  }
  const statuses = await tableColumn(page, 'status');
  if (statuses.some((status) => status !== 'ok')) {
    fail('files named as options are not all ok: ' + statuses.join());
  }
  // The CSV is kelvarin-table's given the same names.
  const args = names.flatMap((name, index) => {
    fs.writeFileSync(path.join(work, 'named' + index), triad());
    return ['--label=' + name, 'named' + index];
  });
  if (!nativeRun(args, work).equals(await linked(page, 'csv') || Buffer.alloc(0))) {
    fail('the CSV of files named as options is not kelvarin-table\'s given the same names');
  }
  // Each shows its own report, under its own name, with no diagnostic.
  for (const [index, name] of names.entries()) {
    const buttons = await page.$$('#table tbody tr button');
    await page.$eval('#status', (status) => { status.dataset.ending = ''; });
    await buttons[index].click();
    await settled(page, name);
    const report = await text(page, 'report');
    const status = await text(page, 'status');
    const listed = await text(page, 'diagnostics');
    if (!report.includes('S_E is: 0.5833') || status !== name + ': complete' || listed !== '') {
      fail('the file named ' + JSON.stringify(name) + ' shows ' + JSON.stringify(status + ' ' + listed));
    }
    if (await page.$eval('#picture', (picture) => picture.dataset.state) !== 'drawn') {
      fail('the file named ' + JSON.stringify(name) + ' has no picture: ' + await text(page, 'picture-message'));
    }
  }
  // A diagnostic says the name, a file "-" opened from the disk is read.
  const warned = fs.readFileSync(path.join(cases, 'trailing_text', 'input'));
  await drop(page, [{ name: '--json', bytes: warned }]);
  if (!(await text(page, 'diagnostics')).startsWith('--json:6:1: warning: 3 more numbers')) {
    fail('the diagnostic of a file named --json says ' + await text(page, 'diagnostics'));
  }
  fs.writeFileSync(path.join(work, '-'), triad());
  await open(page, [path.join(work, '-')]);
  if (!(await text(page, 'report')).includes('S_E is: 0.5833') || await text(page, 'status') !== '-: complete') {
    fail('a file named - opened from the disk shows ' + await text(page, 'status'));
  }
}

// Every file its own: two files of one name from two folders keep their
// own bytes, rows, reports and downloads, in the order given.
async function ownFiles(page, work) {
  for (const [folder, text] of [['a', 'First x\n2\n1 0.5\n0.25 1\n'], ['b', 'Second x\n2\n1 0.25\n0.75 1\n']]) {
    fs.mkdirSync(path.join(work, folder));
    fs.writeFileSync(path.join(work, folder, 'x.dat'), text);
  }
  await open(page, [path.join(work, 'a', 'x.dat'), path.join(work, 'b', 'x.dat')]);
  const native = nativeRun(['--label=x.dat', 'a/x.dat', '--label=x.dat', 'b/x.dat'], work);
  if (!native.equals(await linked(page, 'csv') || Buffer.alloc(0))) {
    fail('the CSV of two files named x.dat is not kelvarin-table\'s');
  }
  const descriptions = await tableColumn(page, 'description');
  if (descriptions.join() !== 'First x,Second x') {
    fail('two files named x.dat show as ' + descriptions.join());
  }
  for (const [index, description] of ['First x', 'Second x'].entries()) {
    await page.$eval('#status', (status) => { status.dataset.ending = ''; });
    await (await page.$$('#table tbody tr button'))[index].click();
    await settled(page, 'x.dat');
    const report = (await linked(page, 'report-download')).toString();
    if (!report.includes('Data description: ' + description) ||
        !(await page.$eval('#picture svg', (svg) => svg.textContent)).includes(description)) {
      fail('the button of the x.dat in row ' + (index + 1) + ' shows another file');
    }
  }
}

// A study of many files: the table shows its first 200 rows and the rest
// on request; every row's button, on either side of that line and after a
// sort, shows its own file, and the CSV holds every file.
async function manyFiles(page) {
  const files = Array.from({ length: 230 }, (_, k) =>
    ({ name: 'g' + String(k).padStart(3, '0') + '.dat', bytes: Buffer.from('Group ' + k + '\n2\n1 ' + (k + 1) / 1000 + '\n0.5 1\n') }));
  // The table's end out of view, where it would ask for the next rows.
  await page.evaluate(() => window.scrollTo(0, 0));
  await drop(page, files);
  const rows = () => page.$$eval('#table tbody tr', (trs) => trs.length);
  const count = await text(page, 'table-count');
  if (await rows() !== 50 || count !== '50 of the 230 files shown.') {
    fail('230 files: ' + (await rows()) + ' rows shown, and the table says ' + JSON.stringify(count));
  }
  for (let more = 0; more < 4; more++) {
    await page.$eval('#table-more-button', (button) => button.click());
  }
  await page.$eval('#sort-s_e', (button) => button.click());
  const csv = (await linked(page, 'csv')).toString().trim().split('\n');
  if (await rows() !== 230 || await page.$eval('#table-more', (more) => !more.hidden) || csv.length !== 231) {
    fail('230 files: after "Show 50 more" three times and "Show 30 more", ' + (await rows()) + ' rows shown, and the CSV has ' + (csv.length - 1));
  }
  for (const index of [0, 49, 50, 229]) {
    const name = await page.$eval('#table tbody', (body, index) => body.rows[index].cells[0].textContent, index);
    await page.$eval('#status', (status) => { status.dataset.ending = ''; });
    await (await page.$$('#table tbody tr button'))[index].click();
    await settled(page);
    const report = (await linked(page, 'report-download')).toString();
    if (!report.includes('Data description: Group ' + Number(name.slice(1, 4)) + '\n')) {
      fail('the button of ' + name + ' in row ' + (index + 1) + ' shows another file');
    }
  }
}

// The last choice wins: a large file and then a small one 30 ms later show
// the small one, and stay so; a view and a file chosen quickly show the
// last of each; every download holds what is on screen, or is disabled.
async function lastChoice(page, work) {
  const large = path.join(work, 'large.dat');
  fs.writeFileSync(large, 'Large file\n3\n1 0.5 0.25\n0.5 1 0.75\n0.25 0.5 1\n' + '1 '.repeat(30000000) + '\n');
  const input = await page.$('#file');
  await page.$eval('#status', (status) => { status.dataset.ending = ''; });
  await input.uploadFile(large);
  await sleep(30);
  const choosing = Date.now();
  await input.uploadFile(path.join(exampleFolder, 'triad.dat'));
  // A file of megabytes must not hold the page: the next choice is taken at once.
  if (Date.now() - choosing > 5000) {
    fail('a large file held the page for ' + (Date.now() - choosing) + ' ms');
  }
  await settled(page, 'triad.dat', 30000).catch(() => {});
  await sleep(3000);
  if (await page.$eval('#status', (status) => status.dataset.file) !== 'triad.dat' ||
      !(await text(page, 'report')).includes('Triad of three players') ||
      (await page.$eval('#data', (data) => data.value)).includes('Large')) {
    fail('a large file and a small one 30 ms later: the page shows ' + await text(page, 'status'));
    return;
  }
  // The heat map chosen, then the network at once: the network is drawn.
  await page.click('#view-heatmap');
  await page.click('#view-network');
  await settled(page);
  await sleep(1500);
  await settled(page);
  if (await page.$eval('#picture', (picture) => picture.dataset.view) !== 'network') {
    fail('the network chosen last, the picture is the ' + await page.$eval('#picture', (picture) => picture.dataset.view));
  }
  // The downloads hold what is on screen.
  const report = await linked(page, 'report-download');
  if (!report || decode(report).text !== await text(page, 'report')) {
    fail('the report\'s download is not the report on screen');
  }
  const svg = await linked(page, 'svg-download');
  const shown = await page.$eval('#picture svg', (picture) => new XMLSerializer().serializeToString(picture));
  if (!svg || svg.toString() !== shown) {
    fail('the SVG\'s download is not the picture on screen');
  }
  // A file that draws no picture: no SVG to download, no PNG.
  await open(page, [path.join(cases, 'size_21', 'input')]);
  if (await linked(page, 'svg-download') !== null || !(await page.$eval('#png-download', (button) => button.disabled)) ||
      await page.$('#picture svg') !== null) {
    fail('a file with no picture leaves the last picture to download');
  }
  // A file alone has no table to download.
  if (await linked(page, 'csv') !== null || await linked(page, 'json') !== null) {
    fail('one file open, the table of the files before it can be downloaded');
  }
}

// One bad entry costs only itself: a file gone after it was chosen (and, in
// chromium, a folder chosen) gets its own row and message, and the others
// open.
async function badEntries(page, work) {
  const good = path.join(work, 'good.dat');
  const gone = path.join(work, 'gone.dat');
  fs.writeFileSync(good, triad());
  fs.writeFileSync(gone, triad());
  await open(page, [good, gone]);
  fs.rmSync(gone);
  await page.evaluate(() => {
    document.getElementById('status').dataset.ending = '';
    const transfer = new DataTransfer();
    for (const file of document.getElementById('file').files) {
      transfer.items.add(file);
    }
    document.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
  });
  await settled(page, 'good.dat');
  await sleep(500);
  await settled(page);
  const statuses = await tableColumn(page, 'status');
  const messages = await tableColumn(page, 'message');
  if (statuses.join() !== 'ok,error' || !messages[1].includes('cannot open \'gone.dat\'')) {
    fail('a file gone after it was chosen: the table says ' + statuses.join() + ' ' + messages.join());
  }
  await page.$eval('#status', (status) => { status.dataset.ending = ''; });
  await (await page.$$('#table tbody tr button'))[1].click();
  await settled(page, 'gone.dat');
  if (await page.$eval('#status', (status) => status.dataset.ending) !== 'error' ||
      !(await text(page, 'diagnostics')).includes('the browser could not read this file')) {
    fail('a file gone after it was chosen shows ' + await text(page, 'status') + ' ' + await text(page, 'diagnostics'));
  }
  if (browserName === 'chromium') {
    fs.mkdirSync(path.join(work, 'folder'));
    await open(page, [path.join(work, 'folder'), good]);
    if ((await tableColumn(page, 'status')).join() !== 'error,ok' ||
        await page.$eval('#status', (status) => status.dataset.ending) !== 'error') {
      fail('a folder among the files: ' + (await tableColumn(page, 'status')).join());
    }
  }
}

// Text as the programs read it: a description in Windows-1252 shows the same
// in the editor, the report, the table and the picture, and an edit keeps
// its byte.
async function windows1252(page) {
  const bytes = Buffer.concat([Buffer.from('Gruppe M'), Buffer.from([0xfc]), Buffer.from('ller\n'), triad().subarray(23)]);
  await drop(page, [{ name: 'mueller.dat', bytes }, { name: 'triad.dat', bytes: triad() }]);
  const seen = {
    editor: (await page.$eval('#data', (data) => data.value)).split('\n')[0],
    report: (await text(page, 'report')).split('\n').find((line) => line.startsWith('Data description: ')).slice(18),
    table: (await tableColumn(page, 'description'))[0],
    picture: await page.$eval('#picture svg', (svg) => svg.textContent.includes('Gruppe Müller') ? 'Gruppe Müller' : svg.textContent),
  };
  if (Object.values(seen).some((value) => value !== 'Gruppe Müller')) {
    fail('a Windows-1252 description shows as ' + JSON.stringify(seen));
  }
  // A blank typed after the description: its byte stays 0xFC.
  await page.focus('#data');
  await page.$eval('#data', (data) => data.setSelectionRange(13, 13));
  await page.$eval('#status', (status) => { status.dataset.ending = ''; });
  await page.keyboard.type(' ');
  await settled(page, 'mueller.dat');
  await page.waitForFunction(() => document.getElementById('report').textContent.includes('Gruppe Müller \n'),
    { timeout: 10000 }).catch(() => {});
  const report = await linked(page, 'report-download');
  if (!report || !report.includes(Buffer.from('Data description: Gruppe M\xfcller \n', 'latin1'))) {
    fail('after an edit the description\'s bytes are ' + JSON.stringify(report && report.toString('latin1').split('\n')[5]));
  }
  if ((await tableColumn(page, 'description'))[0] !== 'Gruppe Müller ') {
    fail('after an edit the table says ' + (await tableColumn(page, 'description'))[0]);
  }
}

// Controls refuse bad values themselves: an invalid Top K is marked and
// said beside it, and the picture stays.
async function topK(page) {
  // A group of 20 opens in the heat map, which takes no Top K.
  await open(page, [path.join(exampleFolder, 'group20.dat')]);
  await page.click('#view-focus');
  await page.waitForFunction(() => document.getElementById('picture').dataset.view === 'focus' &&
    !document.getElementById('picture').hasAttribute('aria-busy'), { timeout: 60000 });
  const drawn = await page.$eval('#picture svg', (svg) => svg.outerHTML);
  for (const value of ['0', '-1', '2.5']) {
    await page.$eval('#top', (top) => { top.value = ''; });
    await page.type('#top', value);
    await sleep(400);
    await settled(page);
    const control = await page.$eval('#top', (top) => top.getAttribute('aria-invalid'));
    const message = await text(page, 'top-message');
    const picture = await page.$eval('#picture svg', (svg) => svg.outerHTML).catch(() => '');
    if (control !== 'true' || message === '' || picture !== drawn ||
        (await text(page, 'picture-message')).includes('usage')) {
      fail('Top K ' + value + ': aria-invalid ' + control + ', message ' + JSON.stringify(message) +
        (picture === drawn ? '' : ', the picture is gone'));
    }
  }
  await page.$eval('#top', (top) => { top.value = ''; });
  await page.type('#top', '2');
  await sleep(400);
  await settled(page);
  await page.waitForFunction(() => document.getElementById('top').getAttribute('aria-invalid') === 'false', { timeout: 10000 })
    .catch(() => fail('Top K 2 is still marked invalid'));
  if (await text(page, 'top-message') !== '' || !(await page.$eval('#picture svg', (svg) => svg.textContent)).includes('left out')) {
    fail('Top K 2 does not draw the top 2 influences');
  }
  await page.$eval('#top', (top) => { top.value = ''; });
  await page.click('#view-network');
}

// An honest status: a file read with warnings says so in the status, with
// a look of its own and the count, and its table row is marked.
async function honestStatus(page) {
  const warned = fs.readFileSync(path.join(cases, 'number_forms', 'input'));
  await drop(page, [{ name: 'forms.dat', bytes: warned }, { name: 'triad.dat', bytes: triad() }]);
  const status = await page.$eval('#status', (line) => ({
    text: line.textContent, warnings: line.dataset.warnings, background: getComputedStyle(line).backgroundColor,
  }));
  if (status.warnings !== '2' ||
      status.text !== 'forms.dat: complete, with 2 warnings: the figures may not be what the file meant') {
    fail('a file read with warnings: the status says ' + JSON.stringify(status));
  }
  const marks = await page.$$eval('#table tbody tr td.status', (cells) => cells.map((cell) => getComputedStyle(cell).backgroundColor));
  await page.$eval('#status', (line) => { line.dataset.ending = ''; });
  await (await page.$$('#table tbody tr button'))[1].click();
  await settled(page, 'triad.dat');
  const clean = await page.$eval('#status', (line) => ({ warnings: line.dataset.warnings, background: getComputedStyle(line).backgroundColor }));
  if (clean.warnings !== '0' || clean.background === status.background) {
    fail('the status looks the same with warnings and without: ' + JSON.stringify(clean));
  }
  if (marks[0] === marks[1]) {
    fail('the table does not mark the row read with warnings');
  }
}

// A strict policy: scripts allowed by their hashes only, no form or base;
// nothing from a data file is markup; Graphviz's SVG is made safe.
async function policy(page, work) {
  const html = fs.readFileSync(pageFile, 'utf8');
  const content = /<meta http-equiv="Content-Security-Policy" content="([^"]*)">/.exec(html)[1];
  const directives = Object.fromEntries(content.split(';').map((d) => d.trim().split(/\s+/)).map(([k, ...v]) => [k, v]));
  const scripts = Array.from(html.matchAll(/<script>([\s\S]*?)<\/script>/g), (m) => m[1]);
  const hashes = scripts.map((script) => '\'sha256-' + crypto.createHash('sha256').update(script).digest('base64') + '\'');
  const scriptSrc = directives['script-src'] || [];
  if (scriptSrc.includes('\'unsafe-inline\'') || scriptSrc.includes('\'unsafe-eval\'') ||
      !scriptSrc.includes('\'wasm-unsafe-eval\'') || !hashes.every((hash) => scriptSrc.includes(hash)) ||
      scriptSrc.length !== hashes.length + 1 ||
      (directives['form-action'] || []).join() !== '\'none\'' || (directives['base-uri'] || []).join() !== '\'none\'' ||
      (directives['default-src'] || []).join() !== '\'none\'') {
    fail('the page\'s policy is ' + content);
  }
  // Hostile names and descriptions are text, never markup.
  const hostile = ['<img src=x onerror="document.title=1">.dat', '<script>document.title=2</script>', '"><svg onload=alert(3)>'];
  // Each file has a diagnostic, which says its name and quotes its line.
  await drop(page, hostile.map((name) => ({
    name, bytes: Buffer.from(name.slice(0, 60) + '\n3\n1 0.5 0.25\n0.5 1 0.75\n0.25 0.5 1\n1 2 3 ' + name + '\n'),
  })));
  const injected = await page.evaluate(() => ({
    images: document.querySelectorAll('img').length,
    scripts: document.querySelectorAll('script').length,
    handlers: document.querySelectorAll('[onerror], [onload]').length,
    svgs: document.querySelectorAll('svg').length,
    title: document.title,
  }));
  if (injected.images || injected.scripts !== 1 || injected.handlers || injected.svgs !== 1 || injected.title !== 'kelvarin') {
    fail('hostile names or descriptions made markup: ' + JSON.stringify(injected));
  }
  // The picture keeps only what draws it.
  const sanitiser = (await esbuild.build({
    entryPoints: [path.join(here, 'src', 'svg.js')], bundle: true, write: false, format: 'iife', globalName: 'svgModule',
  })).outputFiles[0].text;
  const source = '<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" onload="alert(1)" width="10">' +
    '<script>alert(2)</script><g id="graph0" class="graph" onclick="alert(3)" style="background:url(http://x/)">' +
    '<a xlink:href="javascript:alert(4)" href="http://x/"><text x="1" fill="url(http://x/#a)">link</text></a>' +
    '<image href="http://x/y.png"/><foreignObject><div xmlns="http://www.w3.org/1999/xhtml">html</div></foreignObject>' +
    '<polygon fill="url(#l_1)" points="0,0 1,1"/><use href="#graph0"/><text x="2" y="3">P1</text></g></svg>';
  // The module is evaluated in the page as the test's own code, which the
  // page's policy does not govern, and leaves nothing behind. The browser
  // may say that the policy stopped the parsed handlers.
  expectedErrors = [/inline event handler violates the following Content Security Policy/];
  const kept = await page.evaluate('(() => { ' + sanitiser + '; return new XMLSerializer().serializeToString(' +
    'svgModule.safeSvg(' + JSON.stringify(source) + ', document)); })()');
  await sleep(500);
  expectedErrors = [];
  const expected = '<svg xmlns="http://www.w3.org/2000/svg" width="10"><g id="graph0" class="graph">' +
    '<polygon fill="url(#l_1)" points="0,0 1,1"/><text x="2" y="3">P1</text></g></svg>';
  if (kept !== expected) {
    fail('the SVG made safe is ' + kept);
  }
}

// Memory that stays: 78 files opened and each shown, three times over; the
// page's processes' proportional memory after each pass, once the page has
// rested and the browser has freed what nothing holds, the last within 1.5
// times the first. An object URL replaced is revoked.
async function memory(page, work, browser) {
  const files = [];
  for (const name of fs.readdirSync(cases).sort()) {
    const input = path.join(cases, name, 'input');
    if (fs.existsSync(input) && !fs.existsSync(path.join(cases, name, 'args'))) {
      const copy = path.join(work, 'memory', name + '.dat');
      fs.mkdirSync(path.dirname(copy), { recursive: true });
      fs.copyFileSync(input, copy);
      files.push(copy);
    }
  }
  for (const name of fs.readdirSync(exampleFolder).filter((name) => name.endsWith('.dat')).sort()) {
    files.push(path.join(exampleFolder, name));
  }
  let seed = 301;
  const random = () => {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    return seed / 2147483648;
  };
  for (let k = 0; files.length < 78; k++) {
    const n = 2 + Math.floor(random() * 7);
    const rows = Array.from({ length: n }, () => Array.from({ length: n }, () => (random() * 2 - 1).toFixed(2)).join(' '));
    const file = path.join(work, 'memory', 'group' + k + '.dat');
    fs.writeFileSync(file, 'Group ' + k + '\n' + n + '\n' + rows.join('\n') + '\n');
    files.push(file);
  }
  const measured = [];
  for (let pass = 1; pass <= 3; pass++) {
    const started = Date.now();
    await open(page, files);
    const revoked = await page.$eval('#report-download', (link) => link.href);
    // Every file's row shown, as a user would scroll to it.
    while (!(await page.$eval('#table-more', (more) => more.hidden))) {
      await page.$eval('#table-more-button', (button) => button.click());
    }
    for (let index = 0; index < files.length; index++) {
      await page.$eval('#status', (status) => { status.dataset.ending = ''; });
      await page.$eval('#table', (table, index) => {
        document.querySelectorAll('#table tbody tr button')[index].click();
      }, index);
      await settled(page, path.basename(files[index]));
    }
    expectedErrors = [/cannot load blob:|may not load data from blob:/i];
    if (await page.evaluate((href) => fetch(href).then(() => true, () => false), revoked)) {
      fail('the report\'s download URL of an earlier file is not revoked');
    }
    await sleep(500);
    expectedErrors = [];
    // Measured once the page has rested: chromium collects its garbage as it
    // idles; firefox may keep freed memory for minutes, and is asked to give
    // back what nothing holds, as about:memory's "Minimize memory usage" does.
    await sleep(15000);
    if (browserName === 'firefox') {
      await minimiseMemory(browser, work);
    }
    measured.push({ pass, ...processMemory(browser.process().pid), seconds: (Date.now() - started) / 1000 });
  }
  const mib = (kib) => Math.round(kib / 1024) + ' MiB';
  console.log(browserName + ': memory (PSS) over three passes of ' + files.length + ' files, the page\'s process and ' +
    'all the browser\'s: ' + measured.map((m) => 'pass ' + m.pass + ' ' + mib(m.page) + ' and ' + mib(m.total) +
    ' in ' + m.seconds.toFixed(1) + ' s').join(', '));
  for (const part of ['page', 'total']) {
    if (measured[2][part] > 1.5 * measured[0][part]) {
      fail('memory (' + part + ') grew from ' + mib(measured[0][part]) + ' to ' + mib(measured[2][part]) + ' over three passes');
    }
  }
}

// Ask firefox to minimise its memory and wait until it has: on SIGRTMIN+1
// it does so, then writes a memory report into its temporary folder, work.
async function minimiseMemory(browser, work) {
  const reports = () => fs.readdirSync(work).filter((name) => /^unified-memory-report-.*\.json\.gz$/.test(name));
  const before = reports().length;
  process.kill(browser.process().pid, 35);
  for (let waited = 0; reports().length === before; waited += 250) {
    if (waited > 60000) {
      fail('firefox did not minimise its memory within a minute');
      return;
    }
    await sleep(250);
  }
}

// Return the proportional memory (PSS, KiB) of the process pid and all its
// descendants, and of the largest of the processes that show pages (a
// renderer's or a tab's content process): the page's own, which holds its
// script, its workers and their WebAssembly.
function processMemory(pid) {
  // A process's children are those of each of its threads.
  const children = (id) => {
    try {
      return fs.readdirSync('/proc/' + id + '/task').flatMap((thread) =>
        fs.readFileSync('/proc/' + id + '/task/' + thread + '/children', 'utf8').trim().split(/\s+/).filter(Boolean));
    } catch {
      return [];
    }
  };
  const memory = { total: 0, page: 0 };
  const queue = [String(pid)];
  while (queue.length > 0) {
    const id = queue.shift();
    try {
      const pss = Number(/^Pss:\s+(\d+)/m.exec(fs.readFileSync('/proc/' + id + '/smaps_rollup', 'utf8'))[1]);
      // Browsers write their processes' arguments as one text.
      const command = fs.readFileSync('/proc/' + id + '/cmdline', 'utf8').replace(/\0/g, ' ');
      memory.total += pss;
      if (/ --type=renderer /.test(command) || / -contentproc .* tab\s*$/.test(command)) {
        memory.page = Math.max(memory.page, pss);
      }
    } catch {
      // A process that has ended has no memory.
    }
    queue.push(...children(id));
  }
  return memory;
}

// The page defines no global of its own.
async function noGlobals(page, work, browser) {
  const blank = await browser.newPage();
  fs.writeFileSync(path.join(work, 'blank.html'), '<!DOCTYPE html><title>blank</title>');
  await blank.goto(url.pathToFileURL(path.join(work, 'blank.html')).href);
  const base = new Set(await blank.evaluate(() => Object.getOwnPropertyNames(window)));
  await blank.close();
  // Puppeteer's own functions aside.
  const own = (await page.evaluate(() => Object.getOwnPropertyNames(window)))
    .filter((name) => !base.has(name) && !/^(puppeteer|__ariaQuerySelector)/.test(name));
  if (own.length > 0) {
    fail('the page defines globals: ' + own.join(', '));
  }
}

// The examples opened together: kelvarin-table's CSV and JSON Lines to
// download byte for byte, and the table sorted.
async function examples(page) {
  const names = fs.readdirSync(exampleFolder).filter((name) => name.endsWith('.dat')).sort();
  await open(page, names.map((name) => path.join(exampleFolder, name)));
  const native = nativeRun(names, exampleFolder);
  if (!native.equals(await linked(page, 'csv') || Buffer.alloc(0))) {
    fail('the table of the examples is not kelvarin-table\'s CSV');
  }
  const json = nativeRun(['--json'].concat(names), exampleFolder);
  if (!json.equals(await linked(page, 'json') || Buffer.alloc(0))) {
    fail('the JSON Lines of the examples are not kelvarin-table\'s');
  }
  // The workbook is the same bytes wherever it is made.
  const workbook = path.join(os.tmpdir(), 'kelvarin-page-' + process.pid + '.xlsx');
  nativeRun(['--xlsx=' + workbook].concat(names), exampleFolder);
  const xlsx = fs.readFileSync(workbook);
  fs.rmSync(workbook);
  if (!xlsx.equals(await linked(page, 'xlsx') || Buffer.alloc(0))) {
    fail('the workbook of the examples is not kelvarin-table\'s');
  }
  await sorting(page, native);
}

// "How sure?" on the shown file: D by default half a unit of its last
// decimal place, the figures kelvarin-table's byte for byte, a D that the
// program refuses said beside the control, and the last of two quick
// choices is the one answered.
async function howSure(page) {
  const answered = () => page.waitForFunction(() => {
    const section = document.getElementById('how-sure');
    return !section.hasAttribute('aria-busy') &&
      (section.dataset.record || document.getElementById('how-sure-message').textContent);
  }, { timeout: 60000 });
  const choose = (id, value) => page.$eval('#' + id, (input, value) => {
    input.value = value;
    input.dispatchEvent(new Event('input'));
  }, value);
  const record = () => page.$eval('#how-sure', (section) => section.dataset.record || '');
  const native = (...args) => nativeRun(['--json', ...args, 'group20.dat'], exampleFolder).toString().split('\n')[0];
  await open(page, [path.join(exampleFolder, 'group20.dat')]);
  await answered();
  const spread = await page.$eval('#spread', (input) => input.value);
  if (spread !== '0.005' || await record() !== native('--perturb=0.005', '--draws=1000')) {
    fail('How sure? of group20.dat with D ' + spread + ' is ' + await record());
  }
  if (!(await text(page, 'how-sure-answer')).startsWith('P15 is the empath in 100.0 % of 1,000 draws.') ||
      !(await text(page, 'spread-note')).includes('0.005')) {
    fail('How sure? of group20.dat says ' + await text(page, 'how-sure-answer'));
  }
  await choose('spread', '0');
  await answered();
  if (await text(page, 'how-sure-message') !== 'D needs a number above 0: the largest error of a value' ||
      await text(page, 'how-sure-answer') !== '') {
    fail('How sure? with D 0 says ' + await text(page, 'how-sure-message'));
  }
  await choose('draws', '300');
  // Every answer shown from here on is kept, to see that the older is never.
  await page.$eval('#how-sure', (section) => {
    section.seen = [];
    new MutationObserver(() => section.dataset.record && section.seen.push(section.dataset.record))
      .observe(section, { attributes: true, attributeFilter: ['data-record'] });
  });
  await answered();
  await page.$eval('#how-sure', (section) => { section.seen = []; });
  // Both choices at once: the first's answer cannot come before the second.
  await page.$eval('#spread', (input) => {
    for (const value of ['0.5', '0.05']) {
      input.value = value;
      input.dispatchEvent(new Event('input'));
    }
  });
  await answered();
  const seen = await page.$eval('#how-sure', (section) => section.seen);
  if (await record() !== native('--perturb=0.05', '--draws=300') || await text(page, 'how-sure-message') !== '' ||
      seen.includes(native('--perturb=0.5', '--draws=300'))) {
    fail('How sure? after D 0.5 then 0.05 shows ' + await record() + ', and showed ' + seen.length + ' answers');
  }
  await choose('draws', '1000');
  await answered();
}

// Wait until How sure? has answered, or refused, for the file called name.
const sureFor = (page, name, timeout = 180000) => page.waitForFunction((name) => {
  const section = document.getElementById('how-sure');
  return section.dataset.state === 'refused' || (section.dataset.state === 'answered' && section.dataset.file === name);
}, { timeout }, name);

// The newest question first: group20's million draws are ended by triad,
// chosen a second into them, whose answer comes in about its own time; the
// old answer never shows under the new file, a working line and Stop show
// while the draws run, and a value passed while typing the draws never
// runs. Takes docs/page-how-sure-running.png at 1280 and 390 pixels.
async function howSureNewest(page) {
  const setDraws = (value) => page.$eval('#draws', (input, value) => {
    input.value = value;
    input.dispatchEvent(new Event('input'));
  }, value);
  // Every answer shown, with the file on the status line then; and each
  // run's start and answer on the page's clock.
  const watch = () => page.evaluate(() => {
    const section = document.getElementById('how-sure');
    window.sureSeen = [];
    window.sureTimes = [];
    const seen = new MutationObserver(() => {
      window.sureSeen.push({ status: document.getElementById('status').dataset.file,
        answer: document.getElementById('how-sure-answer').textContent });
    });
    seen.observe(document.body, { subtree: true, childList: true, characterData: true, attributes: true,
      attributeFilter: ['data-file'] });
    const times = new MutationObserver(() => {
      window.sureTimes.push({ state: section.dataset.state, file: section.dataset.file || '', at: performance.now(),
        working: document.getElementById('how-sure-working').textContent });
    });
    times.observe(section, { attributes: true, attributeFilter: ['data-state', 'data-file'] });
    window.sureObservers = [seen, times];
  });
  await open(page, [path.join(exampleFolder, 'triad.dat')]);
  await sureFor(page, 'triad.dat');
  // The triad's million draws alone: chosen, as below, while group20 is
  // shown, but with its draws stopped, from the click to the answer.
  const groupRunning = () => page.waitForFunction(() => document.getElementById('how-sure').dataset.state === 'running' &&
    document.getElementById('status').dataset.file === 'group20.dat', { timeout: 60000 });
  const triadAfterClick = async () => {
    await page.evaluate(() => { window.sureChosen = performance.now(); });
    await page.click('#example-triad');
    await sureFor(page, 'triad.dat', 300000);
    return page.evaluate(() => {
      const end = window.sureTimes.find((time) => time.at > window.sureChosen && time.state === 'answered');
      return end ? end.at - window.sureChosen : NaN;
    });
  };
  await watch();
  await setDraws('1000000');
  await sureFor(page, 'triad.dat');
  await page.click('#example-group20');
  await groupRunning();
  await page.click('#how-sure-stop');
  await settled(page, 'group20.dat');
  const alone = await triadAfterClick();
  // group20's million draws, and the triad chosen a second into them.
  await page.setViewport({ width: 1280, height: 900 });
  await page.click('#example-group20');
  await groupRunning();
  await sleep(1000);
  const running = await page.evaluate(() => ({
    working: document.getElementById('how-sure-working').textContent,
    seen: !document.getElementById('how-sure-working').hidden && !document.getElementById('how-sure-stop').hidden,
    answer: document.getElementById('how-sure-answer').textContent,
  }));
  if (!running.seen || !running.working.startsWith('Working: 1,000,000 draws of group20.dat') || running.answer !== '') {
    fail('How sure? running shows ' + JSON.stringify(running));
  }
  await page.$eval('#how-sure', (section) => section.scrollIntoView({ block: 'start' }));
  await page.screenshot({ path: path.join(path.dirname(screenshot), 'page-how-sure-running.png') });
  const newest = await triadAfterClick();
  console.log(browserName + ': the triad\'s million draws came ' + Math.round(alone) + ' ms after it was chosen alone, and ' +
    Math.round(newest) + ' ms after it was chosen a second into group20\'s');
  // Its own time and a second, with room for a loaded machine.
  if (!(newest <= 2 * alone + 6000)) {
    fail('the triad chosen during group20\'s draws was answered after ' + newest + ' ms, alone after ' + alone + ' ms');
  }
  const stale = await page.evaluate(() => window.sureSeen.filter((seen) => seen.status === 'triad.dat' &&
    seen.answer.includes('P15 is the empath')));
  if (stale.length > 0) {
    fail('group20\'s answer showed under triad.dat: ' + stale[0].answer);
  }
  // At a phone's width, group20's draws again, running; then Stop.
  await page.setViewport({ width: 390, height: 844 });
  await page.click('#example-group20');
  await groupRunning();
  await page.$eval('#how-sure', (section) => section.scrollIntoView({ block: 'start' }));
  await page.screenshot({ path: path.join(path.dirname(screenshot), 'page-how-sure-running-phone.png') });
  await page.click('#how-sure-stop');
  const stopped = await page.evaluate(() => ({
    state: document.getElementById('how-sure').dataset.state,
    busy: document.getElementById('how-sure').hasAttribute('aria-busy'),
    again: !document.getElementById('how-sure-again').hidden,
    working: document.getElementById('how-sure-working').textContent,
  }));
  if (stopped.state !== 'stopped' || stopped.busy || !stopped.again || !stopped.working.startsWith('Stopped')) {
    fail('How sure? stopped shows ' + JSON.stringify(stopped));
  }
  await page.setViewport({ width: 1200, height: 1400 });
  // 1000000000 typed key by key: 1000000 on the way is never run, and the
  // value typed is refused beside the controls.
  await page.evaluate(() => { window.sureTimes = []; });
  await page.$eval('#draws', (input) => { input.value = ''; });
  await page.type('#draws', '1000000000', { delay: 60 });
  await sureFor(page, 'group20.dat');
  const typed = await page.evaluate(() => ({
    runs: window.sureTimes.filter((time) => time.state === 'running').map((time) => time.working),
    message: document.getElementById('how-sure-message').textContent,
  }));
  if (typed.runs.length !== 0 || typed.message !== 'Draws needs a whole number from 1 to 1,000,000, not 1000000000') {
    fail('1000000000 typed in Draws ran ' + JSON.stringify(typed));
  }
  await setDraws('1000');
  await sureFor(page, 'group20.dat');
  await page.evaluate(() => window.sureObservers.forEach((observer) => observer.disconnect()));
  // A file whose own M is singular says so first, and gives S_E no range.
  await open(page, [path.join(exampleFolder, 'singular.dat')]);
  await sureFor(page, 'singular.dat');
  const said = await text(page, 'how-sure-answer');
  if (!said.startsWith('S_E does not exist for this file: its own M is singular') || said.includes('S_E is between')) {
    fail('How sure? of singular.dat says ' + said);
  }
}

// A file read with warnings, opened from the table, shows its warnings on
// screen with its figures: the status line and the summary's first line in
// view, How sure? and the condition sentence calling no figure trustworthy,
// its row saying how many. Takes docs/page-warned.png at 1280 and 390 pixels.
async function warnedFromTable(page, work) {
  // The number of players written 3.0: the values shift.
  const warned = 'Size written as a decimal\n3.0\n1 0.5 0.25\n0.5 1 0.75\n0.25 0.5 1\n';
  const files = [{ name: 'triad.dat', bytes: triad() }, { name: 'size_float.dat', bytes: Buffer.from(warned) }];
  for (const [width, height, shot] of [[1280, 900, 'page-warned.png'], [390, 844, 'page-warned-phone.png']]) {
    await page.setViewport({ width, height });
    await drop(page, files);
    await page.$eval('#table', (table) => table.scrollIntoView({ block: 'center' }));
    await page.$eval('#status', (status) => { status.dataset.ending = ''; });
    await (await page.$$('#table tbody tr button'))[1].click();
    await settled(page, 'size_float.dat');
    await sureFor(page, 'size_float.dat');
    const seen = await page.evaluate(() => {
      const inView = (element) => {
        const box = element.getBoundingClientRect();
        return element.offsetHeight > 0 && box.top >= -1 && box.bottom <= window.innerHeight + 1;
      };
      const status = document.getElementById('status');
      const warning = document.querySelector('#summary .warning');
      return {
        warnings: status.dataset.warnings,
        status: inView(status) || JSON.stringify([status.getBoundingClientRect(), window.innerHeight, window.scrollY]),
        warning: inView(warning) ? warning.textContent : 'not in view: ' + warning.textContent,
        sure: document.getElementById('how-sure-answer').textContent,
        condition: (document.querySelector('#summary [data-figure="condition"] .sentence') || {}).textContent,
        row: Array.from(document.querySelectorAll('#table tbody td.status'), (cell) => cell.textContent).join(),
      };
    });
    if (seen.warnings === '0' || seen.status !== true || !/^\d+ warnings?: the file may not have been read as meant/.test(seen.warning) ||
        !seen.sure.startsWith('The file may not have been read as meant: check the warnings first') ||
        !/check the warnings first\.$/.test(seen.condition || '') || !/^ok,ok, with \d+ warnings?$/.test(seen.row)) {
      fail('a warned file opened from the table at ' + width + ' px shows ' + JSON.stringify(seen));
    }
    await page.screenshot({ path: path.join(path.dirname(screenshot), shot) });
  }
  await page.setViewport({ width: 1200, height: 1400 });
}

// The grid: it shows the data file and writes it, a changed cell as typed
// and every other byte as it was; an edit of the text redraws it; an edit
// runs kelvarin again within 300 ms and says what changed against the file
// as opened; a player is added and removed.
async function gridEditing(page, work) {
  const written = 'Written as people write\n3\n1  .5\t2.5e-1\n0.50 1 0.75  \n+0.25 5E-1 1\n';
  fs.writeFileSync(path.join(work, 'written.dat'), written);
  await open(page, [path.join(work, 'written.dat')]);
  const cells = () => page.$$eval('#grid input[data-row][data-column]', (inputs) => inputs.map((input) => input.value));
  if ((await cells()).join(' ') !== '1 .5 2.5e-1 0.50 1 0.75 +0.25 5E-1 1' ||
      await page.$$eval('#grid input[data-player]', (inputs) => inputs.length) !== 3) {
    fail('the grid shows ' + JSON.stringify(await cells()));
  }
  const before = await text(page, 'report');
  // The time from the last key typed to the run's start, on the page's clock.
  await page.evaluate(() => {
    const status = document.getElementById('status');
    window.kelvarinRan = null;
    new MutationObserver((changes, observer) => {
      if (status.dataset.ending === 'running') {
        window.kelvarinRan = performance.now();
        observer.disconnect();
      }
    }).observe(status, { attributes: true });
    document.querySelector('#grid input[data-row="2"][data-column="3"]').addEventListener('input', () => {
      window.kelvarinTyped = performance.now();
    });
  });
  await page.$eval('#grid input[data-row="2"][data-column="3"]', (input) => {
    input.focus();
    input.select();
  });
  await page.keyboard.type('0.9');
  await page.waitForFunction(() => window.kelvarinRan !== null, { timeout: 5000 }).catch(() => {});
  const pause = await page.evaluate(() => window.kelvarinRan - window.kelvarinTyped);
  await page.evaluate(() => {
    delete window.kelvarinRan;
    delete window.kelvarinTyped;
  });
  await settled(page);
  if (!(pause >= 0 && pause <= 300)) {
    fail('kelvarin ran ' + pause + ' ms after the grid\'s last key');
  }
  const edited = await page.$eval('#data', (data) => data.value);
  if (edited !== written.replace('0.75', '0.9')) {
    fail('the grid wrote ' + JSON.stringify(edited));
  }
  const after = await text(page, 'report');
  const sE = (report) => /S_E is: (\S+)/.exec(report)[1];
  const change = await text(page, 'change');
  const summarised = await page.$eval('#summary', (summary) => summary.dataset.change);
  if (after === before || !change.includes('S_E ' + sE(before) + ' to ' + sE(after)) || !/the empath is (still|now) P\d/.test(change) ||
      !change.endsWith(summarised)) {
    fail('after an edit in the grid, the change says ' + JSON.stringify(change) + ', #summary\'s data-change ' + JSON.stringify(summarised));
  }
  // The text edited: the grid follows.
  await page.$eval('#data', (data) => {
    data.value = data.value.replace('+0.25', '0.3');
    data.dispatchEvent(new InputEvent('input', { bubbles: true }));
  });
  if (await page.$eval('#grid input[data-row="3"][data-column="1"]', (input) => input.value) !== '0.3') {
    fail('an edit of the text does not redraw the grid');
  }
  await settled(page);
  await page.click('#grid-add');
  await settled(page);
  const added = await page.$eval('#data', (data) => data.value);
  if ((await cells()).length !== 16 || added.split('\n')[1] !== '4' || !added.includes('\n0 0 0 1\n')) {
    fail('a player added: ' + JSON.stringify(added));
  }
  await page.click('#grid-remove');
  await page.click('#grid-remove');
  await settled(page);
  if ((await cells()).length !== 4 || !(await page.$eval('#grid-remove', (button) => button.disabled))) {
    fail('two players removed from 4 leave ' + (await cells()).length + ' cells, and 2 is not the fewest');
  }
}

// Paste text into the element selector names through the clipboard, as a
// spreadsheet's cells come: the text is copied from the editor, whose text
// is then put back.
async function pasteInto(page, selector, block) {
  await page.$eval('#data', (data, block) => {
    data.dataset.kept = data.value;
    data.value = block;
    data.focus();
    data.select();
  }, block);
  await page.keyboard.down('Control');
  await page.keyboard.press('c');
  await page.keyboard.up('Control');
  await page.$eval('#data', (data) => {
    data.value = data.dataset.kept;
    delete data.dataset.kept;
  });
  await page.focus(selector);
  await page.keyboard.down('Control');
  await page.keyboard.press('v');
  await page.keyboard.up('Control');
}

// The grid never changes a number on its own and behaves as a spreadsheet:
// each slip typed into a cell (an empty cell, a blank inside a number, a
// thousands separator, two numbers) is marked on the cell with why, the
// file's text is not written and the status says so; a block pasted into a
// cell fills the cells from there; a new group typed with Tab and Enter
// gets its rows; blocks separated by ',' and ';' pasted into the editor
// are files; names pasted in a row fill the names, and a player removed
// takes its name along.
async function gridSpreadsheet(page) {
  await page.setViewport({ width: 1280, height: 900 });
  await open(page, [path.join(exampleFolder, 'triad.dat')]);
  const data = () => page.$eval('#data', (data) => data.value);
  const original = await data();
  const cell = '#grid input[data-row="2"][data-column="3"]';
  const slips = [['', 'empty'], ['0 5', 'a blank'], ['1 000', 'separator'], ['0.3 0.4', 'two numbers']];
  for (const [slip, word] of slips) {
    await page.click(cell, { count: 3 });
    await page.keyboard.press('Backspace');
    await page.keyboard.type(slip);
    await page.keyboard.press('Tab');
    await sleep(400);
    await settled(page);
    const said = await page.$eval(cell, (input) => ({
      invalid: input.getAttribute('aria-invalid'),
      why: document.getElementById(input.getAttribute('aria-describedby') || 'none')?.textContent,
    }));
    const status = await text(page, 'status');
    const note = await text(page, 'grid-message');
    if (await data() !== original || said.invalid !== 'true' || said.why !== word || !status.includes('an unfinished cell (see under the grid)') ||
        !note.includes(slip === '' ? 'P2 on P3 is empty' : '\'' + slip + '\'')) {
      fail('the slip ' + JSON.stringify(slip) + ' in a cell: ' + JSON.stringify({ said, status, note, text: await data() }));
    }
    if (slip === '0 5') {
      // The grid with a slip, as a person sees it, at a desktop's and a phone's width.
      for (const [width, suffix] of [[1280, ''], [390, '-phone']]) {
        await page.setViewport({ width, height: 900 });
        const box = await page.evaluate(() => {
          const top = document.getElementById('grid').getBoundingClientRect().top + window.scrollY;
          const bottom = document.getElementById('status').getBoundingClientRect().bottom + window.scrollY;
          return { top, bottom };
        });
        await page.screenshot({ path: screenshot.replace(/\.png$/, '-grid-invalid' + suffix + '.png'),
          clip: { x: 0, y: box.top - 8, width, height: Math.min(900, box.bottom - box.top + 16) }, captureBeyondViewport: true });
      }
      await page.setViewport({ width: 1280, height: 900 });
    }
  }
  await page.click(cell, { count: 3 });
  await page.keyboard.type('0.75');
  await sleep(400);
  await settled(page);
  if (await data() !== original || await page.$eval(cell, (input) => input.hasAttribute('aria-invalid')) ||
      await text(page, 'status') !== 'triad.dat: complete') {
    fail('a slip mended: ' + JSON.stringify([await data(), await text(page, 'status')]));
  }
  // A 3x3 block pasted into a cell of a group of 4 fills 3x3 cells from it.
  const four = 'Four\n4\n1 2 3 4\n5 6 7 8\n9 10 11 12\n13 14 15 16\n';
  await drop(page, [{ name: 'four.dat', bytes: Buffer.from(four) }]);
  await pasteInto(page, '#grid input[data-row="2"][data-column="2"]', '0.1\t0.2\t0.3\n0.4\t0.5\t0.6\n0.7\t0.8\t0.9\n');
  await sleep(400);
  await settled(page);
  const spread = 'Four\n4\n1 2 3 4\n5 0.1 0.2 0.3\n9 0.4 0.5 0.6\n13 0.7 0.8 0.9\n';
  const cells = await page.$$eval('#grid input[data-row]', (inputs) => inputs.map((input) => input.value).join(' '));
  if (await data() !== spread || cells !== spread.split('\n').slice(2).join(' ').trim()) {
    fail('a 3x3 block pasted into P2 on P2: ' + JSON.stringify([await data(), cells]));
  }
  // A new group typed with Tab and Enter, from an empty editor.
  await page.click('#data');
  await page.keyboard.down('Control');
  await page.keyboard.press('a');
  await page.keyboard.up('Control');
  await page.keyboard.press('Delete');
  await page.waitForFunction(() => !document.getElementById('grid-start').hidden, { timeout: 5000 })
    .catch(() => fail('an empty editor does not offer to start a new group'));
  await page.$eval('#grid-players', (input) => { input.value = ''; });
  await page.type('#grid-players', '3');
  await page.click('#grid-start-button');
  await settled(page, 'new group');
  if (await page.$$eval('#grid input[aria-invalid="true"]', (inputs) => inputs.length) !== 9 ||
      !(await text(page, 'status')).includes('9 unfinished cells')) {
    fail('a new group of 3 does not open with 9 empty cells to fill: ' + await text(page, 'status'));
  }
  for (const [k, value] of ['1', '0.5', '0.25', '0.5', '1', '0.75', '0.25', '0.5', '1'].entries()) {
    await page.keyboard.type(value);
    if (k < 8) {
      await page.keyboard.press(k % 3 === 2 ? 'Enter' : 'Tab');
    }
  }
  await sleep(400);
  await settled(page, 'new group');
  if (await data() !== 'New group\n3\n1 0.5 0.25\n0.5 1 0.75\n0.25 0.5 1\n' || await text(page, 'status') !== 'new group: complete' ||
      !(await text(page, 'report')).includes('S_E is: 0.5833')) {
    fail('a group typed with Tab and Enter: ' + JSON.stringify([await data(), await text(page, 'status')]));
  }
  const saved = await linked(page, 'data-download');
  if (!saved || saved.toString() !== await data() || await page.$eval('#data-download', (link) => link.download) !== 'new group.dat') {
    fail('a new group downloads as ' + await page.$eval('#data-download', (link) => link.download));
  }
  // Names pasted in a row fill the names; a player removed takes its name.
  await pasteInto(page, '#grid input[data-player="1"]', 'Anna\tBen\tCleo\n');
  await sleep(400);
  await settled(page);
  const names = await page.$$eval('#grid input[data-player]', (inputs) => inputs.map((input) => input.value).join());
  if (names !== 'Anna,Ben,Cleo' || !(await text(page, 'legend')).includes('Cleo (P3)')) {
    fail('a row of names pasted: ' + names + ', ' + await text(page, 'legend'));
  }
  await page.click('#grid-remove');
  await settled(page);
  await page.click('#grid-add');
  await settled(page);
  const after = await page.$$eval('#grid input[data-player]', (inputs) => inputs.map((input) => input.value).join());
  if (after !== 'Anna,Ben,' || (await text(page, 'legend')).includes('Cleo')) {
    fail('a player removed and one added: names ' + after + ', ' + await text(page, 'legend'));
  }
  // Blocks separated by ',' and by ';' (with decimal commas) pasted into
  // the editor are files.
  const blocks = [
    [',Anna,Ben,Cleo\nAnna,1,0.5,0.25\nBen,0.5,1,0.75\nCleo,0.25,0.5,1\n', 'pasted.dat'],
    ['1;0,5;0,25\r\n0,5;1;0,75\r\n0,25;0,5;1\r\n', 'pasted-2.dat'],
  ];
  for (const [block, name] of blocks) {
    await paste(page, block);
    await settled(page, name);
    if (await data() !== 'Pasted from a spreadsheet\n3\n1 0.5 0.25\n0.5 1 0.75\n0.25 0.5 1\n' ||
        await text(page, 'status') !== name + ': complete') {
      fail('the block ' + JSON.stringify(block) + ' pasted: ' + JSON.stringify([await data(), await text(page, 'status')]));
    }
  }
  // An example joins a table of files; a file edited in the page is marked
  // so in its row and its downloads.
  await page.$eval('#status', (status) => { status.dataset.ending = ''; });
  await page.click('#example-triad');
  await settled(page, 'triad.dat');
  await page.click('#grid input[data-row="1"][data-column="2"]', { count: 3 });
  await page.keyboard.type('0.9');
  await sleep(400);
  await settled(page);
  const files = await tableColumn(page, 'file');
  const download = await page.$eval('#report-download', (link) => link.download);
  if (files.join() !== 'new group,pasted.dat,pasted-2.dat,triad.dat (edited)' || download !== 'triad-edited.txt' ||
      await text(page, 'table-jump-link') !== '4 files: the table is below') {
    fail('an example loaded over 3 files and edited: ' + JSON.stringify([files, download, await text(page, 'table-jump-link')]));
  }
  await page.setViewport({ width: 1200, height: 1400 });
}

// Pictures that do not crowd: no two labels of the triad's network and
// heat map, nor of group20's heat map, overlap on screen; at 390 px
// group20's heat map is shown at a readable size or says to use Full size.
async function crowdedPictures(page) {
  // The pairs of texts of the picture whose boxes on screen overlap.
  const overlaps = () => page.$eval('#picture svg', (svg) => {
    const boxes = Array.from(svg.querySelectorAll('text'), (text) => [text.textContent, text.getBoundingClientRect()]);
    const found = [];
    boxes.forEach(([a, p], i) => boxes.slice(i + 1).forEach(([b, q]) => {
      // A label's box holds its font's ascent and descent, more than its
      // line: the lines of one label overlap by a little.
      const high = Math.min(p.bottom, q.bottom) - Math.max(p.top, q.top);
      if (p.left < q.right - 0.5 && q.left < p.right - 0.5 && high > 0.6 * Math.min(p.height, q.height)) {
        found.push(a + '|' + b);
      }
    }));
    return found;
  });
  await page.setViewport({ width: 1280, height: 900 });
  await open(page, [path.join(exampleFolder, 'triad.dat')]);
  for (const view of ['network', 'heatmap']) {
    await page.click('#view-' + view);
    await page.waitForFunction((view) => document.getElementById('picture').dataset.view === view &&
      !document.getElementById('picture').hasAttribute('aria-busy'), { timeout: 60000 }, view);
    const found = await overlaps();
    if (found.length > 0) {
      fail('the triad\'s ' + view + ' has labels that overlap: ' + found.slice(0, 5).join(', '));
    }
  }
  await page.setViewport({ width: 390, height: 844 });
  await open(page, [path.join(exampleFolder, 'group20.dat')]);
  const shown = await page.evaluate(() => {
    const svg = document.querySelector('#picture svg');
    return { scale: svg.getBoundingClientRect().width / (parseFloat(svg.getAttribute('width')) * 4 / 3),
      small: !document.getElementById('picture-small').hidden, view: document.getElementById('picture').dataset.view };
  });
  const found = await overlaps();
  if (shown.view !== 'heatmap' || (shown.scale < 0.6) !== shown.small || found.length > 0) {
    fail('group20\'s heat map at 390 px: ' + JSON.stringify(shown) + ', labels that overlap: ' + found.slice(0, 5).join(', '));
  }
  const pane = await page.$eval('#picture-pane', (element) => {
    const box = element.getBoundingClientRect();
    return { top: box.top + window.scrollY, height: box.height };
  });
  await page.screenshot({ path: screenshot.replace(/\.png$/, '-heatmap-phone.png'),
    clip: { x: 0, y: pane.top, width: 390, height: Math.min(pane.height, 1200) }, captureBeyondViewport: true });
  await page.click('#picture-full');
  await page.screenshot({ path: screenshot.replace(/\.png$/, '-heatmap-phone-full.png'),
    clip: { x: 0, y: pane.top, width: 390, height: Math.min(pane.height, 1200) }, captureBeyondViewport: true });
  await page.click('#picture-full');
  await page.setViewport({ width: 1200, height: 1400 });
}

// Names typed in the grid or pasted in a header row label the picture and
// say which player of the report each is; the report stays as it was.
async function playerNames(page) {
  await open(page, [path.join(exampleFolder, 'triad.dat')]);
  const report = await linked(page, 'report-download');
  await page.type('#grid input[data-player="1"]', 'Anna');
  await page.type('#grid input[data-player="3"]', 'Cl\u00e9o <b>');
  await sleep(400);
  await settled(page);
  const picture = await page.$eval('#picture svg', (svg) => svg.textContent);
  const legend = await text(page, 'legend');
  const summary = await page.$eval('#summary', (section) => section.textContent);
  if (!summary.includes('Cl\u00e9o <b> (P3)') || !summary.includes('ahead of Anna (P1)\'s')) {
    fail('names typed: the summary says ' + JSON.stringify(summary.slice(0, 300)));
  }
  if (!picture.includes('Anna (P1)') || !picture.includes('Cl\u00e9o <b> (P3)') || !legend.includes('Anna (P1)') ||
      !legend.includes('Cl\u00e9o <b> (P3)') || legend.includes('P2') || !report.equals(await linked(page, 'report-download'))) {
    fail('names typed: the picture says ' + JSON.stringify(picture.slice(0, 200)) + ', the legend ' + JSON.stringify(legend));
  }
  await paste(page, 'Anna\tBen\n1\t0.5\n0.25\t1\n');
  await settled(page, 'pasted.dat');
  await page.waitForFunction(() => !document.getElementById('picture').hasAttribute('aria-busy'));
  const names = await page.$$eval('#grid input[data-player]', (inputs) => inputs.map((input) => input.value));
  if (names.join() !== 'Anna,Ben' || !(await page.$eval('#picture svg', (svg) => svg.textContent)).includes('Ben (P2)')) {
    fail('a header row pasted: the grid names ' + JSON.stringify(names));
  }
}

// One screen for 20 players: at 1280x900 group20's report fits its pane's
// width, the panes one above the other, and its picture is scaled to its
// pane, each with a control for its full size, which then scrolls and says
// so; at 390 px the triad's report fits or says that it scrolls, and the
// page is no wider.
async function oneScreen(page) {
  await page.setViewport({ width: 1280, height: 900 });
  await page.click('#view-network');
  await open(page, [path.join(exampleFolder, 'group20.dat')]);
  const measure = () => page.evaluate(() => {
    const report = document.getElementById('report');
    const picture = document.getElementById('picture');
    const svg = picture.querySelector('svg');
    return {
      report: [report.scrollWidth, report.clientWidth],
      reportScroll: !document.getElementById('report-scroll').hidden,
      picture: [Math.round(svg.getBoundingClientRect().width), picture.clientWidth],
      pictureScroll: !document.getElementById('picture-scroll').hidden,
      stacked: document.querySelector('.results').classList.contains('stacked'),
      page: document.documentElement.scrollWidth,
    };
  });
  for (const view of ['heatmap', 'network']) {
    if (view !== 'heatmap') {
      await page.click('#view-' + view);
      await page.waitForFunction((view) => document.getElementById('picture').dataset.view === view &&
        !document.getElementById('picture').hasAttribute('aria-busy'), { timeout: 120000 }, view);
    }
    const fits = await measure();
    if (!fits.stacked || fits.report[0] > fits.report[1] || fits.reportScroll || fits.picture[0] > fits.picture[1] ||
        fits.pictureScroll || fits.page > 1280) {
      fail('group20\'s ' + view + ' at 1280 px does not fit: ' + JSON.stringify(fits));
    }
  }
  await page.click('#report-full');
  await page.click('#picture-full');
  const full = await measure();
  if (full.report[0] <= full.report[1] || !full.reportScroll || full.picture[0] <= full.picture[1] || !full.pictureScroll ||
      full.page > 1280) {
    fail('group20 at full size does not scroll and say so: ' + JSON.stringify(full));
  }
  await page.click('#report-full');
  await page.click('#picture-full');
  await open(page, [path.join(exampleFolder, 'triad.dat')]);
  await page.setViewport({ width: 390, height: 844 });
  // The page fits itself again once it has heard of the new width.
  await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 50))));
  const phone = await measure();
  if ((phone.report[0] > phone.report[1]) !== phone.reportScroll || phone.picture[0] > phone.picture[1] || phone.page > 390) {
    fail('the triad at 390 px: ' + JSON.stringify(phone));
  }
  await page.setViewport({ width: 1200, height: 1400 });
}

// Start measuring how long the page's thread is busy at a time: chromium
// reports each task over 50 ms; firefox reports none, so a timer that asks
// to run again at once measures the gaps between its runs. Files given to
// #file count from its change event: the browser makes the File objects of
// thousands of files before it, which is no work of the page.
const startProbe = (page) => page.evaluate(() => {
  const probe = { from: 0, tasks: [], gaps: [], last: performance.now(), on: true };
  window.kelvarinProbe = probe;
  document.getElementById('file').addEventListener('change', () => {
    probe.from = performance.now();
  }, { once: true, capture: true });
  const tick = () => {
    const now = performance.now();
    probe.gaps.push([probe.last, now - probe.last]);
    probe.last = now;
    if (probe.on) {
      setTimeout(tick, 0);
    }
  };
  setTimeout(tick, 0);
  if (PerformanceObserver.supportedEntryTypes.includes('longtask')) {
    probe.observer = new PerformanceObserver((list) => {
      probe.tasks.push(...list.getEntries().map((task) => [task.startTime, task.duration]));
    });
    probe.observer.observe({ type: 'longtask' });
  }
});

// Stop the probe and return the longest time the page's thread was busy at
// once.
const stopProbe = (page) => page.evaluate(() => {
  const probe = window.kelvarinProbe;
  const from = probe.from;
  probe.on = false;
  delete window.kelvarinProbe;
  if (probe.observer) {
    probe.observer.disconnect();
    return Math.round(Math.max(0, ...probe.tasks.filter(([start]) => start >= from).map(([, length]) => length)));
  }
  return Math.round(Math.max(0, ...probe.gaps.filter(([start]) => start >= from).map(([, length]) => length)));
});

// Never frozen: a group of more than 8 players opens in the heat map; the
// network's layout says that it is working, and a newer choice drops it;
// the page's thread is never busy for long at once while group20 opens and
// shows each view, nor while 2,000 files of 20 players open. The goal is
// 200 ms, which make bench measures (tools/bench-page.sh); this check fails
// only at five times the goal, which a machine under a load of 8 still
// meets, so that it catches a page that freezes and not a busy machine.
const kBusyBound = 1000;
async function neverFrozen(page, work) {
  const longest = [];
  const within = (what, busy) => {
    longest.push(what + ' ' + busy + ' ms');
    if (busy > kBusyBound) {
      fail('the page was busy for ' + busy + ' ms at once while ' + what);
    }
  };
  const drawn = (view) => page.waitForFunction((view) => {
    const picture = document.getElementById('picture');
    return picture.dataset.view === view && !picture.hasAttribute('aria-busy');
  }, { timeout: 120000 }, view);
  await startProbe(page);
  await open(page, [path.join(exampleFolder, 'group20.dat')]);
  within('group20 opened', await stopProbe(page));
  if (!(await page.$eval('#view-heatmap', (radio) => radio.checked)) ||
      await page.$eval('#picture', (picture) => picture.dataset.view) !== 'heatmap') {
    fail('group20 did not open in the heat map');
    return;
  }
  // The network, laid out to its end, then again and dropped for the focus.
  await startProbe(page);
  let started = Date.now();
  await page.click('#view-network');
  await page.waitForFunction(() => !document.getElementById('picture-working').hidden &&
    /network/.test(document.getElementById('picture-working').textContent), { timeout: 10000 });
  await drawn('network');
  const network = Date.now() - started;
  if (!(await page.$eval('#picture-working', (working) => working.hidden))) {
    fail('the picture says it is working once the network is drawn');
  }
  within('group20 showed its network', await stopProbe(page));
  for (const view of ['focus', 'heatmap']) {
    await startProbe(page);
    await page.click('#view-' + view);
    await drawn(view);
    within('group20 showed its ' + view, await stopProbe(page));
  }
  await page.click('#view-network');
  await page.waitForFunction(() => !document.getElementById('picture-working').hidden, { timeout: 10000 });
  started = Date.now();
  await page.click('#view-focus');
  await drawn('focus');
  const focus = Date.now() - started;
  if (focus > network / 2) {
    fail('the focus chosen while the network was laid out came after ' + focus + ' ms, the network alone taking ' + network + ' ms');
  }
  // 2,000 files of 20 players, from the moment the page is told of them.
  const folder = path.join(work, 'many');
  fs.mkdirSync(folder, { recursive: true });
  let seed = 37;
  const next = () => {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    return (seed / 2147483648 * 2 - 1).toFixed(2);
  };
  const files = Array.from({ length: 2000 }, (_, k) => {
    const file = path.join(folder, 'group' + String(k).padStart(4, '0') + '.dat');
    const rows = Array.from({ length: 20 }, (_, i) => Array.from({ length: 20 }, (_, j) => i === j ? '1.5' : next()).join(' '));
    fs.writeFileSync(file, 'Generated group ' + k + '\n20\n' + rows.join('\n') + '\n');
    return file;
  });
  await startProbe(page);
  await open(page, files);
  await page.waitForFunction(() => document.getElementById('xlsx').hasAttribute('href'), { timeout: 300000 });
  within('2,000 files opened', await stopProbe(page));
  console.log(browserName + ': the longest busy time: ' + longest.join(', ') + '; the network took ' + network +
    ' ms, the focus chosen during a network ' + focus + ' ms');
  fs.rmSync(folder, { recursive: true });
}

// The triad's picture in each view, the slider's end, and the page at a
// desktop's and a phone's width; then group20's first screen at 1280 pixels.
async function views(page) {
  await open(page, [path.join(exampleFolder, 'triad.dat')]);
  await page.waitForFunction(() => document.getElementById('picture').dataset.view === 'network');
  if (await page.$eval('#min', (slider) => slider.max) !== '0.75') {
    fail('the --min slider does not reach the triad\'s largest influence, 0.75');
  }
  await page.screenshot({ path: screenshot, fullPage: true });
  await page.click('#view-heatmap');
  await settled(page);
  await page.waitForFunction(() => document.getElementById('picture').dataset.view === 'heatmap', { timeout: 60000 });
  const heatmap = await page.$eval('#picture svg', (svg) => ({
    title: svg.textContent.includes('Heat map: row Pi\'s influence on column Pj'),
    edges: svg.querySelectorAll('g.edge').length,
    cells: svg.querySelectorAll('g.node polygon').length,
  }));
  if (!heatmap.title || heatmap.edges !== 0 || heatmap.cells < 9) {
    fail('the heat map\'s radio button did not draw the heat map: ' + JSON.stringify(heatmap));
  }
  await page.click('#view-network');
  await settled(page);
  await page.waitForFunction(() => document.getElementById('picture').dataset.view === 'network', { timeout: 60000 });
  await page.setViewport({ width: 390, height: 844 });
  // The phone's shot ends with the report: the explanations below it are long.
  const reportEnd = await page.$eval('#report-pane', (pane) => Math.ceil(pane.getBoundingClientRect().bottom + window.scrollY));
  await page.setViewport({ width: 390, height: reportEnd + 16 });
  await page.evaluate(() => window.scrollTo(0, 0));
  await page.screenshot({ path: screenshot.replace(/\.png$/, '-phone.png') });
  await page.setViewport({ width: 390, height: 844 });
  const wide = await page.evaluate(() => document.documentElement.scrollWidth);
  if (wide > 390) {
    fail('at 390 px the page is ' + wide + ' px wide');
  }
  // examples/group20.dat as its first screen shows it at 1280 by 900 pixels.
  await page.setViewport({ width: 1280, height: 900 });
  await page.$eval('#status', (status) => { status.dataset.ending = ''; });
  await page.click('#example-group20');
  await settled(page, 'group20.dat');
  await page.evaluate(() => window.scrollTo(0, 0));
  await page.screenshot({ path: screenshot.replace(/\.png$/, '-group20.png') });
  await page.setViewport({ width: 1200, height: 1400 });
}

async function main() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'kelvarin-page-'));
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'kelvarin-page-files-'));
  const browser = await puppeteer.launch(browserName === 'firefox'
    ? {
      browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true, userDataDir: profile,
      env: { ...process.env, TMPDIR: work },
    }
    : {
      executablePath: '/usr/bin/chromium',
      headless: true,
      args: ['--no-sandbox', '--headless', '--disable-gpu', '--no-first-run',
        '--disable-background-networking', '--disable-component-update', '--disable-sync',
        '--user-data-dir=' + profile],
    });
  try {
    const page = await browser.newPage();
    await page.setViewport({ width: 1200, height: 1400 });
    await page.setRequestInterception(true);
    page.on('request', (request) => {
      if (/^(file|data|blob):/.test(request.url())) {
        request.continue();
      } else {
        fail('a request left the page: ' + request.url());
        request.abort();
      }
    });
    page.on('console', (message) => {
      if (message.type() === 'error' && !expectedErrors.some((expected) => expected.test(message.text()))) {
        fail('console error: ' + message.text());
      }
    });
    page.on('pageerror', (error) => {
      if (!expectedErrors.some((expected) => expected.test(error.message))) {
        fail('page error: ' + error.message);
      }
    });
    page.on('dialog', (dialog) => {
      fail('the page opened a dialog: ' + dialog.type() + ' ' + dialog.message());
      dialog.dismiss();
    });
    const loading = Date.now();
    await page.goto(url.pathToFileURL(path.resolve(pageFile)).href);
    const size = fs.statSync(pageFile).size;
    if (size > 3000000) {
      fail('the page is ' + size + ' bytes, more than 3 MB');
    }
    const loaded = Date.now();
    await open(page, [path.join(exampleFolder, 'triad.dat')]);
    console.log(browserName + ': the page loaded in ' + (loaded - loading) + ' ms, the triad\'s report and picture after ' +
      (Date.now() - loading) + ' ms');

    const checks = {
      endToEnd, summary, exampleButtons, help, table, examples, selecting, typing, pasting, naming, ownFiles, manyFiles, lastChoice, badEntries, windows1252, topK,
      honestStatus, policy, memory, noGlobals, howSure, views, neverFrozen, oneScreen, gridEditing, playerNames,
      warnedFromTable, howSureNewest, gridSpreadsheet, crowdedPictures,
    };
    const only = (process.env.KELVARIN_PAGE_CHECKS || '').split(',').filter(Boolean);
    for (const [name, check] of Object.entries(checks)) {
      if (only.length > 0 && !only.includes(name)) {
        continue;
      }
      const started = Date.now();
      await check(page, work, browser);
      console.log(browserName + ': ' + name + ' checked in ' + (Date.now() - started) + ' ms');
    }
  } finally {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
    fs.rmSync(work, { recursive: true, force: true });
  }
  if (failures.length > 0) {
    console.log(failures.length + ' failure(s) in ' + browserName);
    process.exit(1);
  }
  console.log('OK (' + browserName + ')');
}

main().catch((error) => {
  console.log('FAIL: ' + error.stack);
  process.exit(1);
});
