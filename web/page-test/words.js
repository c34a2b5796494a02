// The page in the researcher's language: picked from the browser's
// languages, switched in the page, every word of its own from the words,
// the figures and the report as the programs write them.
import path from 'node:path';
import url from 'node:url';
import { browserName, exampleFolder, fail, open, pageFile, screenshot, settled, sleep } from './common.js';

// What the page shows in words: <html lang>, the summary's heading and
// figures, the report, the elements marked for words that are empty, and
// the grid's first value's name.
const shown = (page) => page.evaluate(() => ({
  lang: document.documentElement.lang,
  heading: document.getElementById('summary-heading').textContent,
  values: Array.from(document.querySelectorAll('#summary .value'), (value) => value.textContent),
  sentences: Array.from(document.querySelectorAll('#summary .sentence'), (sentence) => sentence.textContent).join(' '),
  status: document.getElementById('status').textContent,
  report: document.getElementById('report').textContent,
  empty: Array.from(document.querySelectorAll('[data-words]'), (element) => element.dataset.words)
    .filter((key) => document.querySelector('[data-words="' + key + '"]').textContent.trim() === ''),
  cell: document.querySelector('#grid-table input[data-row="1"][data-column="2"]')?.getAttribute('aria-label') + '|' +
    document.querySelector('#grid-table thead th')?.textContent,
  // The explanations' marks are elements, not text.
  marks: document.querySelectorAll('#help var, #help sup, #help sub, #help samp, #help strong').length > 50 &&
    !/<\/?(var|sup|sub|samp|strong)>/.test(document.getElementById('help').textContent),
}));

// The triad in English, then German and Spanish chosen with the switch:
// the words change, the figures and the report do not. The summary in
// German and Spanish at 1280 and 390 pixels goes to docs/ (chromium's
// run). Then a page opened in a browser that prefers Austrian German
// speaks German from the start.
export async function languages(page, work, browser) {
  await open(page, [path.join(exampleFolder, 'triad.dat')]);
  const english = await shown(page);
  if (english.lang !== 'en' || english.heading !== 'Summary' || english.empty.length > 0 || !english.marks ||
      english.cell !== 'influence of P1 on P2|Name, player') {
    fail('the page in English: ' + JSON.stringify({ ...english, report: undefined }));
  }
  const words = { de: ['Zusammenfassung', 'Einfluss von P1 auf P2|Name, Person', 'triad.dat: fertig'],
    es: ['Resumen', 'influencia de P1 sobre P2|Nombre, persona', 'triad.dat: completo'] };
  for (const [code, [heading, cell, status]] of Object.entries(words)) {
    await page.$eval('#status', (line) => { line.dataset.ending = ''; });
    await page.select('#language', code);
    await settled(page, 'triad.dat');
    await page.waitForFunction(() => document.querySelectorAll('#summary .value').length === 5, { timeout: 30000 });
    const said = await shown(page);
    if (said.lang !== code || said.heading !== heading || said.cell !== cell || said.status !== status ||
        said.empty.length > 0 || !said.marks || said.values.join() !== english.values.join() || said.report !== english.report ||
        !said.sentences.includes('1.6250') || said.sentences.includes('1,6250')) {
      fail('the page in ' + code + ': ' + JSON.stringify({ ...said, report: said.report === english.report }));
    }
    if (browserName === 'chromium') {
      for (const [width, suffix] of [[1280, ''], [390, '-phone']]) {
        await page.setViewport({ width, height: 900 });
        await sleep(300);
        const summary = await page.$('#summary');
        await summary.screenshot({ path: path.join(path.dirname(screenshot), 'page-summary-' + code + suffix + '.png') });
      }
      await page.setViewport({ width: 1200, height: 1400 });
    }
  }
  await page.select('#language', 'en');
  await settled(page, 'triad.dat');
  // A browser that prefers de-AT: the page opens in German, its switch says so.
  const other = await browser.newPage();
  try {
    await other.evaluateOnNewDocument(() => {
      Object.defineProperty(navigator, 'languages', { get: () => ['de-AT', 'en'] });
    });
    await other.goto(url.pathToFileURL(path.resolve(pageFile)).href);
    const opened = await other.evaluate(() => [document.documentElement.lang, document.getElementById('language').value,
      document.getElementById('summary-heading').textContent]);
    if (opened.join() !== 'de,de,Zusammenfassung') {
      fail('a browser that prefers de-AT opens the page as ' + opened.join());
    }
  } finally {
    await other.close();
  }
}
