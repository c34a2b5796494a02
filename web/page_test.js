// The page in headless chromium, opened from file:// with no network:
//   node page_test.js PAGE CASES EXAMPLES NATIVE_TABLE SCREENSHOT
// Each end-to-end case whose data file is "input" (and that has no command
// line of its own), opened with #file, must show kelvarin's expected standard
// output byte for byte and end as the case does; the examples opened
// together must give kelvarin-table's CSV byte for byte; no request may leave
// the page (only file:, data: and blob: URLs) and nothing may be logged as an
// error. Takes a screenshot of the page showing examples/triad.dat.
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
    await page.goto('file://' + path.resolve(page_file));

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

    await open(page, [path.join(examples, 'triad.dat')]);
    await page.waitForSelector('#picture svg');
    await page.screenshot({ path: screenshot, fullPage: true });
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
