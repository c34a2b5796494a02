// The page in headless chromium, opened from file:// with no network:
//   node page_test.js PAGE CASES EXAMPLES NATIVE_TABLE SCREENSHOT
// Each end-to-end case whose data file is "input" (and that has no command
// line of its own), opened with #file, must show kelvarin's expected standard
// output byte for byte and end as the case does; the examples opened
// together must give kelvarin-table's CSV byte for byte; no request may leave
// the page (only file:, data: and blob: URLs) and nothing may be logged as an
// error. Then, on the page as a person uses it: the first report's time
// from the page's load, a diagnostic's place selected by bytes in a line of
// multi-byte characters, a report following the typing, the heat map's
// radio button, a spreadsheet's pasted block turned into a data file, and
// the table sorted by s_e with the mouse and the keyboard. Takes screenshots
// of the page showing examples/triad.dat at a desktop's and a phone's width
// (SCREENSHOT, and SCREENSHOT with -phone before .png). The page may weigh
// 3 MB at most, and must fit 390 pixels.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { spawnSync } = require('child_process');
const puppeteer = require('puppeteer-core');

const [page_file, cases, examples, native_table, screenshot] = process.argv.slice(2);
const failures = [];
const fail = (message) => {
  failures.push(message);
  console.log('FAIL: ' + message);
};
const endings = { 0: 'complete', 1: 'error', abort: 'abort' };

// The page's state once a picture is drawn.
const drawn = (page, view) => page.waitForFunction(
  (view) => document.getElementById('picture').dataset.state === 'drawn' &&
    document.getElementById('picture').dataset.view === view &&
    document.getElementById('status').dataset.ending !== 'running',
  { timeout: 60000 }, view);

async function open(page, files) {
  await page.evaluate(() => {
    document.getElementById('status').dataset.ending = '';
    window.kelvarinTable = null;
  });
  const input = await page.$('#file');
  await input.uploadFile(...files);
  await page.waitForFunction(
    () => ['complete', 'error', 'abort'].includes(document.getElementById('status').dataset.ending) &&
      window.kelvarinTable !== null,
    { timeout: 60000 });
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
  // The cells are the JSON lines' text: a row with no quoted field is its CSV line.
  const shown = await page.$$eval('#table tr', (trs) =>
    trs.map((tr) => Array.from(tr.cells, (cell) => cell.textContent).join(',')));
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

// A block copied from a spreadsheet, with a header row, a column of names
// and decimal commas, pasted into the editor.
async function pasting(page) {
  const block = '\tA\tB\tC\r\nAnn\t1\t0,5\t0,25\r\nBob\t0,5\t1\t0,75\r\nCy\t0,25\t0,5\t1\r\n';
  await page.$eval('#data', (data, block) => {
    const transfer = new DataTransfer();
    transfer.setData('text/plain', block);
    data.dispatchEvent(new ClipboardEvent('paste', { clipboardData: transfer, bubbles: true, cancelable: true }));
  }, block);
  const expected = 'Pasted from a spreadsheet\n3\n1 0.5 0.25\n0.5 1 0.75\n0.25 0.5 1\n';
  const shown = await page.$eval('#data', (data) => data.value);
  if (shown !== expected) {
    fail('the pasted block became ' + JSON.stringify(shown));
  }
  const note = await page.$eval('#paste-note', (note) => note.textContent);
  if (!note.includes('header row (A, B, C)') || !note.includes('names (Ann, Bob, Cy)')) {
    fail('the note on the pasted block says ' + JSON.stringify(note));
  }
  await page.waitForFunction(
    () => document.getElementById('report').textContent.includes('S_E is: 0.5833'),
    { timeout: 10000 }).catch(() => fail('the pasted block\'s report is not the triad\'s'));
}

async function main() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'kelvarin-page-'));
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--headless', '--disable-gpu', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--user-data-dir=' + profile]
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
      if (message.type() === 'error') {
        fail('console error: ' + message.text());
      }
    });
    page.on('pageerror', (error) => fail('page error: ' + error.message));
    const loading = Date.now();
    await page.goto('file://' + path.resolve(page_file));
    const size = fs.statSync(page_file).size;
    if (size > 3000000) {
      fail('the page is ' + size + ' bytes, more than 3 MB');
    }
    const loaded = Date.now();
    await open(page, [path.join(examples, 'triad.dat')]);
    await page.waitForFunction(() => document.getElementById('report').textContent !== '');
    console.log('the page loaded in ' + (loaded - loading) + ' ms, the triad\'s report after ' +
      (Date.now() - loading) + ' ms');

    let checked = 0;
    for (const name of fs.readdirSync(cases).sort()) {
      const folder = path.join(cases, name);
      if (!fs.existsSync(path.join(folder, 'input')) || fs.existsSync(path.join(folder, 'args'))) {
        continue;
      }
      await open(page, [path.join(folder, 'input')]);
      const shown = await page.evaluate(() => ({
        stdout: Array.from(window.kelvarinLast().stdout),
        ending: document.getElementById('status').dataset.ending
      }));
      const expected = fs.readFileSync(path.join(folder, 'stdout'));
      const ending = endings[fs.readFileSync(path.join(folder, 'status'), 'utf8').trim()];
      if (!expected.equals(Buffer.from(shown.stdout))) {
        fail(name + ': #report is not the expected standard output');
      }
      if (shown.ending !== ending) {
        fail(name + ': ended ' + shown.ending + ', expected ' + ending);
      }
      checked++;
    }
    console.log('checked ' + checked + ' end-to-end cases in the page');

    const names = fs.readdirSync(examples).filter((name) => name.endsWith('.dat')).sort();
    await open(page, names.map((name) => path.join(examples, name)));
    const csv = Buffer.from(await page.evaluate(() => Array.from(window.kelvarinTable)));
    const native = spawnSync(path.resolve(native_table), names, { cwd: examples }).stdout;
    if (!csv.equals(native)) {
      fail('the table of the examples is not kelvarin-table\'s CSV');
    }
    console.log('checked the table of ' + names.length + ' examples');
    await sorting(page, native);

    const work = fs.mkdtempSync(path.join(os.tmpdir(), 'kelvarin-page-files-'));
    try {
      await selecting(page, work);
    } finally {
      fs.rmSync(work, { recursive: true, force: true });
    }
    await typing(page);
    await pasting(page);

    await open(page, [path.join(examples, 'triad.dat')]);
    await drawn(page, 'network');
    if (await page.$eval('#min', (slider) => slider.max) !== '0.75') {
      fail('the --min slider does not reach the triad\'s largest influence, 0.75');
    }
    await page.screenshot({ path: screenshot, fullPage: true });
    await page.click('#view-heatmap');
    await drawn(page, 'heatmap');
    const heatmap = await page.$eval('#picture svg', (svg) => ({
      title: svg.textContent.includes('Heat map: row Pi\'s influence on column Pj'),
      edges: svg.querySelectorAll('g.edge').length,
      cells: svg.querySelectorAll('g.node polygon').length
    }));
    if (!heatmap.title || heatmap.edges !== 0 || heatmap.cells < 9) {
      fail('the heat map\'s radio button did not draw the heat map: ' + JSON.stringify(heatmap));
    }
    await page.click('#view-network');
    await drawn(page, 'network');
    await page.setViewport({ width: 390, height: 844 });
    await page.screenshot({ path: screenshot.replace(/\.png$/, '-phone.png'), fullPage: true });
    const wide = await page.evaluate(() => document.documentElement.scrollWidth);
    if (wide > 390) {
      fail('at 390 px the page is ' + wide + ' px wide');
    }
  } finally {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
  if (failures.length > 0) {
    console.log(failures.length + ' failure(s)');
    process.exit(1);
  }
  console.log('OK');
}

main().catch((error) => {
  console.log('FAIL: ' + error.stack);
  process.exit(1);
});
