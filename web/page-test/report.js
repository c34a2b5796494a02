// The page test's checks of the report and its summary: every end-to-end
// case's report, diagnostics and ending, the summary's figures and the
// explanations.
import fs from 'node:fs';
import path from 'node:path';
import { decode } from '../src/text.js';
import { cases, drop, endings, exampleFolder, fail, linked, open, text } from './common.js';

// Each end-to-end case in the page: the report's download is kelvarin's
// standard output byte for byte, the diagnostics its standard error, and
// the status its ending.
export async function endToEnd(page) {
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
export async function summaryOfReport(page, name) {
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
export async function summary(page, work) {
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
export async function help(page) {
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
