// The page test's checks of the table of the files: its statuses, figures
// and buttons, the examples' buttons, the examples' CSV, JSON Lines and
// workbook, sorting, a row's warnings and a table of many files.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { caseOf, cases, drop, exampleFolder, fail, linked, nativeRun, open, screenshot, settled, sureFor, tableColumn, text, triad } from './common.js';

// The table shows what matters: the status after the file, coloured by
// status, then the message, wrapped; figures as the report writes them,
// with every digit in their title; a file's button brings its summary and
// report into view, with the keyboard's focus.
export async function table(page) {
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
export async function exampleButtons(page) {
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
export async function sorting(page, native) {
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

// The examples opened together: kelvarin-table's CSV and JSON Lines to
// download byte for byte, and the table sorted.
export async function examples(page) {
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

// A file read with warnings, opened from the table, shows its warnings on
// screen with its figures: the status line and the summary's first line in
// view, How sure? and the condition sentence calling no figure trustworthy,
// its row saying how many. Takes docs/page-warned.png at 1280 and 390 pixels.
export async function warnedFromTable(page, work) {
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

// A study of many files: the table shows its first 200 rows and the rest
// on request; every row's button, on either side of that line and after a
// sort, shows its own file, and the CSV holds every file.
export async function manyFiles(page) {
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

// The shown file's row of the table, and it alone, is marked: the first
// file's, then that of the file whose button is pressed.
export async function markedRow(page) {
  await drop(page, ['a.dat', 'b.dat', 'c.dat'].map((name) => ({ name, bytes: triad() })));
  const marked = () => page.$$eval('#table tbody tr', (rows) =>
    rows.map((row, k) => (row.getAttribute('aria-current') === 'true' ? k : -1)).filter((k) => k >= 0).join());
  if (await marked() !== '0') {
    fail('a.dat shown first, the table marks rows ' + await marked());
  }
  await page.$eval('#status', (status) => { status.dataset.ending = ''; });
  await (await page.$$('#table tbody tr button'))[2].click();
  await settled(page, 'c.dat');
  if (await marked() !== '2') {
    fail('c.dat shown from its row, the table marks rows ' + await marked());
  }
}
