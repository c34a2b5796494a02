// The page test's checks of the page as a whole: the last choice wins, an
// honest status, a strict policy, and no globals.
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import url from 'node:url';
import * as esbuild from 'esbuild';
import { decode } from '../src/text.js';
import { cases, consoleErrors, drop, exampleFolder, fail, here, linked, open, pageFile, settled, sleep, text, triad } from './common.js';

// The last choice wins: a large file and then a small one 30 ms later show
// the small one, and stay so; a view and a file chosen quickly show the
// last of each; every download holds what is on screen, or is disabled.
export async function lastChoice(page, work) {
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

// An honest status: a file read with warnings says so in the status, with
// a look of its own and the count, and its table row is marked.
export async function honestStatus(page) {
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
export async function policy(page, work) {
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
  consoleErrors.expected = [/inline event handler violates the following Content Security Policy/];
  const kept = await page.evaluate('(() => { ' + sanitiser + '; return new XMLSerializer().serializeToString(' +
    'svgModule.safeSvg(' + JSON.stringify(source) + ', document)); })()');
  await sleep(500);
  consoleErrors.expected = [];
  const expected = '<svg xmlns="http://www.w3.org/2000/svg" width="10"><g id="graph0" class="graph">' +
    '<polygon fill="url(#l_1)" points="0,0 1,1"/><text x="2" y="3">P1</text></g></svg>';
  if (kept !== expected) {
    fail('the SVG made safe is ' + kept);
  }
}

// The page defines no global of its own.
export async function noGlobals(page, work, browser) {
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

// Files dropped, read fifty at a time, and one file dropped at once after
// them: the one is shown alone, and the files before it never are.
export async function lastDrop(page) {
  await drop(page, Array.from({ length: 400 }, (_, k) => ({ name: 'many-' + k + '.dat', bytes: triad() })), false);
  await drop(page, [{ name: 'last.dat', bytes: triad() }]);
  await sleep(3000);
  await settled(page);
  const last = await page.$eval('#status', (status) => status.dataset.file);
  const table = !(await page.$eval('#table-pane', (pane) => pane.hidden));
  if (last !== 'last.dat' || table) {
    fail('400 files dropped and one at once after them: the page shows ' + last + (table ? ', with a table' : ''));
  }
}
