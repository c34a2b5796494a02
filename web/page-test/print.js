// The page test's check of the page on paper: group20 printed to A4 gives
// its summary, its report in full, its picture and How sure?'s answer, and
// no control; no line of the report passes the page's right edge, on the
// page as printed and in the PDF's pages made pictures by pdftoppm.
import fs from 'node:fs';
import path from 'node:path';
import { spawnSync } from 'node:child_process';
import { browserName, exampleFolder, fail, open, screenshot, sureFor } from './common.js';

// A4's width within the print style's margins of 15 mm, in CSS pixels.
const kPrintable = Math.floor((210 - 2 * 15) / 25.4 * 96);

// Return the pages of the PPM files pdftoppm wrote ({width, height, gray}
// each, gray a byte a pixel) for the PDF file at dpi.
function pagesOf(file, dpi) {
  const prefix = file.replace(/\.pdf$/, '');
  const run = spawnSync('pdftoppm', ['-r', String(dpi), '-gray', file, prefix]);
  if (run.status !== 0) {
    throw new Error('pdftoppm: ' + run.stderr);
  }
  const files = fs.readdirSync(path.dirname(file)).filter((name) => name.startsWith(path.basename(prefix) + '-') &&
    name.endsWith('.pgm')).sort();
  return files.map((name) => {
    const bytes = fs.readFileSync(path.join(path.dirname(file), name));
    fs.rmSync(path.join(path.dirname(file), name));
    const [header, width, height] = /^P5\s+(\d+)\s+(\d+)\s+255\s/.exec(bytes.subarray(0, 40).toString('latin1'));
    return { width: Number(width), height: Number(height), gray: bytes.subarray(header.length) };
  });
}

// Check the page as printed, on a screen as wide as A4 within its margins
// in the print style: no control, the summary, report, picture and How
// sure?'s answer, and the report and the picture within the width.
async function measured(page) {
  await page.setViewport({ width: kPrintable, height: 1000 });
  await page.emulateMediaType('print');
  const seen = await page.evaluate((printable) => {
    const shown = (selector) => Array.from(document.querySelectorAll(selector)).some((element) => element.getClientRects().length > 0);
    const report = document.getElementById('report-print');
    const svg = document.querySelector('#picture svg');
    return {
      controls: ['#file', '#examples button', '#data', '#grid-table', '#how-sure-again', '#spread', '#report-full', '#view-network',
        '#data-download', '#report-download', '#png-download', '#help'].filter(shown),
      parts: ['#summary .figures dd', '#report-print', '#picture svg', '#how-sure-answer p'].filter((selector) => !shown(selector)),
      report: { scroll: report.scrollWidth, client: report.clientWidth, right: Math.ceil(report.getBoundingClientRect().right),
        lines: report.textContent.split('\n').length },
      picture: Math.ceil(svg.getBoundingClientRect().right),
      printable,
    };
  }, kPrintable);
  await page.emulateMediaType(null);
  await page.setViewport({ width: 1200, height: 1400 });
  if (seen.controls.length > 0 || seen.parts.length > 0 || seen.report.scroll > seen.report.client ||
      seen.report.right > kPrintable || seen.picture > kPrintable || seen.report.lines < 150) {
    fail('group20 as printed: ' + JSON.stringify(seen));
  }
}

export async function printed(page, work) {
  await open(page, [path.join(exampleFolder, 'group20.dat')]);
  await sureFor(page, 'group20.dat');
  // The page as printed is measured in chromium, which puppeteer can show
  // the print style on screen; firefox's PDF is checked alone.
  if (browserName === 'chromium') {
    await measured(page);
  }
  // The PDF's pages: nothing printed in the right margin, 15 mm, but for a
  // millimetre's slack.
  const file = path.join(work, 'group20-' + browserName + '.pdf');
  fs.writeFileSync(file, await page.pdf({ format: 'A4' }));
  const dpi = 72;
  const pages = pagesOf(file, dpi);
  const margin = Math.floor(14 / 25.4 * dpi);
  const inked = pages.map((sheet, number) => {
    for (let y = 0; y < sheet.height; y++) {
      for (let x = sheet.width - margin; x < sheet.width; x++) {
        if (sheet.gray[y * sheet.width + x] < 250) {
          return 'page ' + (number + 1) + ' at ' + x + ',' + y;
        }
      }
    }
    return null;
  }).filter(Boolean);
  console.log(browserName + ': group20 printed on ' + pages.length + ' A4 pages');
  if (pages.length < 2 || inked.length > 0) {
    fail('group20 printed on ' + pages.length + ' pages, with ink in the right margin: ' + inked.join('; '));
  }
  // chromium's run keeps the pages as pictures beside the screenshots.
  if (browserName === 'chromium') {
    for (const name of fs.readdirSync(path.dirname(screenshot)).filter((name) => /^print-group20-\d+\.png$/.test(name))) {
      fs.rmSync(path.join(path.dirname(screenshot), name));
    }
    spawnSync('pdftoppm', ['-r', '60', '-png', file, path.join(path.dirname(screenshot), 'print-group20')]);
  }
  fs.rmSync(file);
}
