// The page test's checks of the grid: editing, the players' names, and
// the grid as a spreadsheet that never writes a slip.
import fs from 'node:fs';
import path from 'node:path';
import { drop, exampleFolder, fail, linked, open, paste, pasteInto, screenshot, settled, sleep, tableColumn, text } from './common.js';

// The grid: it shows the data file and writes it, a changed cell as typed
// and every other byte as it was; an edit of the text redraws it; an edit
// runs kelvarin again within 300 ms and says what changed against the file
// as opened; a player is added and removed.
export async function gridEditing(page, work) {
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

// The grid never changes a number on its own and behaves as a spreadsheet:
// each slip typed into a cell (an empty cell, a blank inside a number, a
// thousands separator, two numbers) is marked on the cell with why, the
// file's text is not written and the status says so; a block pasted into a
// cell fills the cells from there; a new group typed with Tab and Enter
// gets its rows; blocks separated by ',' and ';' pasted into the editor
// are files; names pasted in a row fill the names, and a player removed
// takes its name along.
export async function gridSpreadsheet(page) {
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

// Names typed in the grid or pasted in a header row label the picture and
// say which player of the report each is; the report stays as it was.
export async function playerNames(page) {
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
