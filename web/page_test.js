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
// as a spreadsheet that never writes a slip, pictures whose labels do
// not overlap, the shown file's row marked in the table, and one file
// dropped at once after 400 shown alone; a study of 2,000 files in one
// .zip, timed, and a .zip refused; group20 on paper (A4), kept as
// docs/print-group20-N.png by chromium's run.
// Takes screenshots of the page showing examples/triad.dat at a desktop's
// and a phone's width down to its report (SCREENSHOT, and SCREENSHOT with
// -phone before .png), examples/group20.dat's first screen at 1280
// pixels (-group20), the grid with a slip at 1280 and 390 pixels
// (-grid-invalid, -grid-invalid-phone) and group20's heat map at 390 pixels,
// fitted and at full size (-heatmap-phone, -heatmap-phone-full).
// The page may weigh 3 MB at most, and must fit 390 pixels. The environment's
// KELVARIN_PAGE_CHECKS, a list of the checks' names (endToEnd,examples,...),
// runs only those.
// The checks are modules by pane in page-test/, their shared parts in
// page-test/common.js.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import url from 'node:url';
import puppeteer from 'puppeteer-core';
import { browserName, consoleErrors, exampleFolder, fail, failures, open, pageFile } from './page-test/common.js';
import { archive } from './page-test/archive.js';
import { printed } from './page-test/print.js';
import { badEntries, naming, ownFiles, pasting, selecting, typing, windows1252 } from './page-test/editor.js';
import { gridEditing, gridSpreadsheet, playerNames } from './page-test/grid.js';
import { howSure, howSureNewest } from './page-test/how-sure.js';
import { memory, neverFrozen } from './page-test/load.js';
import { honestStatus, lastChoice, lastDrop, noGlobals, policy } from './page-test/page.js';
import { crowdedPictures, oneScreen, topK, views } from './page-test/picture.js';
import { endToEnd, help, summary } from './page-test/report.js';
import { exampleButtons, examples, manyFiles, markedRow, table, warnedFromTable } from './page-test/table.js';
import { languages } from './page-test/words.js';
import { accessible, keyboardOnly } from './page-test/access.js';

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
      if (message.type() === 'error' && !consoleErrors.expected.some((expected) => expected.test(message.text()))) {
        fail('console error: ' + message.text());
      }
    });
    page.on('pageerror', (error) => {
      if (!consoleErrors.expected.some((expected) => expected.test(error.message))) {
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
      warnedFromTable, howSureNewest, gridSpreadsheet, crowdedPictures, markedRow, lastDrop, languages,
      accessible, keyboardOnly, archive, printed,
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
