// The page for everyone: axe-core's WCAG 2.1 A and AA rules in each state
// the page is seen in, light and dark, and the page used by the keyboard
// alone.
import fs from 'node:fs';
import path from 'node:path';
import url from 'node:url';
import { createRequire } from 'node:module';
import { browserName, exampleFolder, fail, nativeRun, open, pageFile, settled, sleep, sureFor } from './common.js';

const axeSource = fs.readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');

// Return axe-core's violations of the WCAG 2.1 A and AA rules on page as it
// is, each as "RULE: TARGET, ..." (axe is put in the page for the run and
// taken out after, so that the page keeps no global of the test's).
async function violations(page) {
  await page.evaluate(axeSource);
  return page.evaluate(async () => {
    try {
      const result = await window.axe.run(document,
        { runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa'] }, resultTypes: ['violations'] });
      return result.violations.map((violation) => violation.id + ': ' +
        violation.nodes.slice(0, 4).map((node) => node.target.join(' ')).join(', '));
    } finally {
      delete window.axe;
    }
  });
}

// Fail for each violation axe finds on page in state, in the light scheme
// and, where dark, in the dark one too (in chromium: puppeteer cannot ask
// firefox for a colour scheme, and the page's style is the same in both).
async function axeIn(page, state, dark = false) {
  const schemes = dark && browserName === 'chromium' ? ['light', 'dark'] : ['light'];
  for (const scheme of schemes) {
    if (schemes.length > 1) {
      await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: scheme }]);
    }
    for (const violation of await violations(page)) {
      fail('axe, ' + state + ' (' + scheme + '): ' + violation);
    }
  }
  if (schemes.length > 1) {
    await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: '' }]);
  }
}

// axe in each state: a group shown with How sure? answered; group20 in the
// heat map; a table of several files with one refused; the explanations
// reached by a link. The page as opened is checked by keyboardOnly, on its
// own page.
export async function accessible(page, work) {
  await open(page, [path.join(exampleFolder, 'triad.dat')]);
  await sureFor(page, 'triad.dat');
  await axeIn(page, 'triad shown, How sure? answered', true);
  // Each value of the grid is named by its players, as the page calls
  // them: axe takes a placeholder for a name, a screen reader's user would not.
  const names = () => page.$$eval('#grid-table input[data-row]', (inputs) =>
    inputs.map((input) => [input.dataset.row, input.dataset.column, input.getAttribute('aria-label')]));
  const unnamed = (await names()).filter(([row, column, label]) => label !== 'influence of P' + row + ' on P' + column);
  await page.type('#grid-table input[data-player="1"]', 'Anna');
  const named = (await names()).filter(([row, column]) => row === '1' || column === '1').map(([, , label]) => label);
  if (unnamed.length > 0 || named.join() !== ['influence of Anna (P1) on Anna (P1)', 'influence of Anna (P1) on P2',
    'influence of Anna (P1) on P3', 'influence of P2 on Anna (P1)', 'influence of P3 on Anna (P1)'].join()) {
    fail('the grid\'s values are named ' + JSON.stringify(unnamed.concat(named)));
  }
  await open(page, [path.join(exampleFolder, 'group20.dat')]);
  await page.click('#view-heatmap');
  await page.waitForFunction(() => document.getElementById('picture').dataset.view === 'heatmap', { timeout: 60000 });
  await settled(page);
  await axeIn(page, 'group20\'s heat map', true);
  // Every text of the heat map, its scale's included, stands at 4.5:1 or
  // more on the cell it is drawn on; the map is a table with headers for a
  // screen reader.
  const heatmap = await page.evaluate(() => {
    const luminance = (colour) => {
      const hex = /^#([0-9a-f]{6})$/i.exec(colour || '');
      const [r, g, b] = hex ? [0, 2, 4].map((k) => parseInt(hex[1].slice(k, k + 2), 16) / 255) : [1, 1, 1];
      const linear = (c) => (c <= 0.03928 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4);
      return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
    };
    const low = [];
    // The ground of a text: the last filled cell drawn under its middle.
    const cells = Array.from(document.querySelectorAll('#picture svg g.node polygon'))
      .filter((polygon) => !['none', 'transparent'].includes(polygon.getAttribute('fill')))
      .map((polygon) => ({ box: polygon.getBBox(), fill: polygon.getAttribute('fill') }));
    for (const element of document.querySelectorAll('#picture svg g.node text')) {
      const box = element.getBBox();
      const [x, y] = [box.x + box.width / 2, box.y + box.height / 2];
      const under = cells.filter((cell) => x >= cell.box.x && x <= cell.box.x + cell.box.width &&
        y >= cell.box.y && y <= cell.box.y + cell.box.height);
      const ground = under.length > 0 ? under[under.length - 1].fill : '#ffffff';
      const [a, b] = [luminance(element.getAttribute('fill') || '#000000'), luminance(ground)];
      const ratio = (Math.max(a, b) + 0.05) / (Math.min(a, b) + 0.05);
      if (ratio < 4.5) {
        low.push(element.textContent + ' ' + ratio.toFixed(2));
      }
    }
    const table = document.querySelector('#picture-words table');
    return { low, rows: table ? table.rows.length : 0, headers: table ? table.querySelectorAll('th[scope]').length : 0,
      texts: document.querySelectorAll('#picture svg g.node text').length };
  });
  if (heatmap.low.length > 0 || heatmap.texts < 400 || heatmap.rows !== 22 || heatmap.headers !== 23 + 21) {
    fail('group20\'s heat map: ' + JSON.stringify(heatmap));
  }
  const refused = path.join(work, 'refused.dat');
  fs.writeFileSync(refused, 'A group\nthree\n1 2 3\n');
  await open(page, [path.join(exampleFolder, 'triad.dat'), path.join(exampleFolder, 'group20.dat'), refused]);
  await page.waitForFunction(() => document.querySelectorAll('#table tbody tr').length === 3, { timeout: 60000 });
  // The network in words names the empath, the driver and the strongest
  // influences drawn.
  await page.click('#view-network');
  await page.waitForFunction(() => document.getElementById('picture').dataset.view === 'network', { timeout: 60000 });
  const sentence = await page.$eval('#picture-words', (words) => words.textContent);
  if (sentence !== 'The network: the empath is P3, the driver P2; the strongest influences drawn are P2 on P3, 0.75; ' +
      'P1 on P2, 0.5; P2 on P1, 0.5.') {
    fail('the triad\'s network in words: ' + sentence);
  }
  await axeIn(page, 'a table of three files, one refused', true);
  // At 320 pixels the page scrolls only downwards: the report, the grid and
  // the table scroll sideways in boxes of their own, each named.
  await page.setViewport({ width: 320, height: 800 });
  await sleep(500);
  const reflow = await page.evaluate(() => ({
    wide: document.documentElement.scrollWidth,
    boxes: ['report', 'grid-scroller', 'table'].map((id) => {
      const box = document.getElementById(id).closest('pre, [role="region"]');
      return box && (box.getAttribute('aria-label') || box.getAttribute('aria-labelledby')) && box.tabIndex === 0 &&
        getComputedStyle(box).overflowX === 'auto';
    }),
  }));
  await page.setViewport({ width: 1200, height: 1400 });
  if (reflow.wide > 320 || reflow.boxes.includes(false)) {
    fail('at 320 px: ' + JSON.stringify(reflow));
  }
  await page.evaluate(() => { window.location.hash = '#help-s-e'; });
  await axeIn(page, 'the explanations reached by a link');
  await page.evaluate(() => { window.location.hash = ''; });
}

// Tab (or Shift+Tab, back) until the element that matches test (a function
// of the focused element, run in the page) has the keyboard's focus, at
// most limit times; return how many presses it took, or fail.
async function tabTo(page, test, what, back = false, limit = 80) {
  for (let presses = 0; presses <= limit; presses++) {
    if (await page.evaluate(test)) {
      return presses;
    }
    if (back) {
      await page.keyboard.down('Shift');
    }
    await page.keyboard.press('Tab');
    if (back) {
      await page.keyboard.up('Shift');
    }
  }
  throw new Error('the keyboard does not reach ' + what + ' in ' + limit + ' presses of Tab');
}

// Select what an input holds and type text in its place, by the keyboard.
async function retype(page, text) {
  await page.keyboard.down('Control');
  await page.keyboard.press('a');
  await page.keyboard.up('Control');
  await page.keyboard.type(text);
}

// The page as opened, by axe, light and dark; then used by the keyboard
// alone (no mouse event reaches it): the triad's example loaded, a value
// of its grid changed, How sure? run with 200 draws, two files opened
// through the file control and the table's CSV downloaded.
export async function keyboardOnly(page, work, browser) {
  const fresh = await browser.newPage();
  try {
    await fresh.setViewport({ width: 1200, height: 1400 });
    await fresh.goto(url.pathToFileURL(path.resolve(pageFile)).href);
    await fresh.waitForFunction(() => document.getElementById('language').options.length === 4);
    await axeIn(fresh, 'the page as opened', true);
    await fresh.evaluate(() => {
      window.mice = [];
      for (const type of ['mousedown', 'mouseup', 'pointerdown', 'click']) {
        document.addEventListener(type, (event) => {
          // A click the keyboard makes has no pointer.
          if (event.type !== 'click' || event.pointerType) {
            window.mice.push(event.type + ' ' + event.target.id + ' ' + event.detail + ' ' + event.pointerType);
          }
        }, true);
      }
    });
    // The first Tab shows the skip link, which takes the keyboard to the
    // report; each control reached shows its focus.
    await fresh.keyboard.press('Tab');
    const skip = await fresh.evaluate(() => [document.activeElement.className,
      document.activeElement.getBoundingClientRect().top >= 0]);
    await fresh.keyboard.press('Enter');
    const skipped = await fresh.evaluate(() => document.activeElement.id);
    if (skip.join() !== 'skip,true' || skipped !== 'report-pane') {
      fail('the skip link: ' + JSON.stringify([skip, skipped]));
    }
    const unseen = [];
    const seen = async () => {
      const focus = await fresh.evaluate(() => [document.activeElement.id || document.activeElement.tagName,
        getComputedStyle(document.activeElement).outlineStyle]);
      if (focus[1] === 'none') {
        unseen.push(focus[0]);
      }
    };
    const presses = await tabTo(fresh, () => document.activeElement.id === 'example-triad', 'the triad\'s example', true);
    await seen();
    await fresh.keyboard.press('Enter');
    await settled(fresh, 'triad.dat');
    const before = await fresh.$eval('#report', (report) => report.textContent);
    await tabTo(fresh, () => document.activeElement.matches('#grid-table input[data-row="1"][data-column="2"]'), 'the grid');
    // The live region says the run once the typing is over, not at each key.
    await fresh.evaluate(() => {
      window.announced = [];
      new MutationObserver(() => window.announced.push(document.getElementById('announce').textContent))
        .observe(document.getElementById('announce'), { childList: true, characterData: true, subtree: true });
    });
    await seen();
    await retype(fresh, '0.6');
    await fresh.waitForFunction((before) => document.getElementById('report').textContent !== before &&
      document.getElementById('status').dataset.ending === 'complete', { timeout: 30000 }, before);
    await fresh.waitForFunction(() => window.announced.length > 0, { timeout: 10000 }).catch(() => {});
    await sleep(1500);
    const announced = await fresh.evaluate(() => window.announced);
    if (announced.length !== 1 || !announced[0].startsWith('triad.dat: complete. Empath: P3; Driver: P2; S_E: ')) {
      fail('the live region said ' + JSON.stringify(announced));
    }
    await tabTo(fresh, () => document.activeElement.id === 'draws', 'the draws');
    await seen();
    await retype(fresh, '200');
    await fresh.waitForFunction(() => {
      const section = document.getElementById('how-sure');
      return section.dataset.state === 'answered' && JSON.parse(section.dataset.record || '{}').draws === 200;
    }, { timeout: 60000 });
    await tabTo(fresh, () => document.activeElement.id === 'file', 'the file control', true);
    const [chooser] = await Promise.all([fresh.waitForFileChooser({ timeout: 10000 }), fresh.keyboard.press(' ')]);
    const files = ['triad.dat', 'group20.dat'].map((name) => path.join(exampleFolder, name));
    await chooser.accept(files);
    await fresh.waitForFunction(() => document.getElementById('csv').hasAttribute('href'), { timeout: 60000 });
    if (browserName === 'chromium') {
      const session = await fresh.createCDPSession();
      await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: work });
    }
    await fresh.evaluate(() => {
      document.getElementById('csv').addEventListener('click', () => { window.csvClicked = true; });
    });
    await tabTo(fresh, () => document.activeElement.id === 'csv', 'the table\'s CSV');
    await seen();
    await fresh.keyboard.press('Enter');
    await fresh.waitForFunction(() => window.csvClicked === true, { timeout: 10000 });
    if (unseen.length > 0) {
      fail('the keyboard\'s focus does not show on ' + unseen.join());
    }
    const native = nativeRun(['triad.dat', 'group20.dat'], exampleFolder);
    if (browserName === 'chromium') {
      const saved = path.join(work, 'kelvarin-table.csv');
      for (let wait = 0; wait < 100 && !fs.existsSync(saved); wait++) {
        await sleep(100);
      }
      if (!fs.existsSync(saved) || !fs.readFileSync(saved).equals(native)) {
        fail('the CSV downloaded by the keyboard is not kelvarin-table\'s: ' +
          (fs.existsSync(saved) ? fs.readFileSync(saved, 'utf8').slice(0, 200) : 'none came'));
      }
    }
    const mice = await fresh.evaluate(() => window.mice);
    if (mice.length > 0) {
      fail('the keyboard-only use of the page met mouse events: ' + mice.join());
    }
    console.log(browserName + ': the keyboard reached the triad\'s example from the report in ' + presses + ' presses of Shift+Tab');
  } finally {
    await fresh.close();
  }
}
