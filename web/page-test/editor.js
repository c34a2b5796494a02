// The page test's checks of the editor and the files' intake: the
// diagnostics' places, typing, pastes, names, files of one name, bad
// entries and Windows-1252 text.
import fs from 'node:fs';
import path from 'node:path';
import { browserName, cases, drop, exampleFolder, fail, linked, nativeRun, open, paste, settled, sleep, tableColumn, text, triad } from './common.js';

// A description of 2-byte characters too long by a byte: its diagnostic's
// place, byte 121, is the 61st character, which a click must select.
export async function selecting(page, work) {
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
export async function typing(page) {
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

// A paste is a new file: pasted.dat, then pasted-2.dat, among the files
// open, the others' rows unchanged; a block that is not a square of numbers
// gets a note that says where, and no file; a note goes with the next paste.
export async function pasting(page) {
  await open(page, ['triad.dat', 'group20.dat', 'singular.dat'].map((name) => path.join(exampleFolder, name)));
  const before = await tableColumn(page, 's_e');
  const block = '\tAnn\tBob\tCy\r\nAnn\t1\t0,5\t0,25\r\nBob\t0,5\t1\t0,75\r\nCy\t0,25\t0,5\t1\r\n';
  await paste(page, block);
  await settled(page, 'pasted.dat');
  const expected = 'Pasted from a spreadsheet\n3\n1 0.5 0.25\n0.5 1 0.75\n0.25 0.5 1\n';
  if (await page.$eval('#data', (data) => data.value) !== expected) {
    fail('the pasted block became ' + JSON.stringify(await page.$eval('#data', (data) => data.value)));
  }
  const note = await text(page, 'paste-note');
  if (!note.includes('pasted.dat') || !note.includes('header row (Ann, Bob, Cy)') || !note.includes('names (Ann, Bob, Cy)')) {
    fail('the note on the pasted block says ' + JSON.stringify(note));
  }
  if (!(await text(page, 'report')).includes('S_E is: 0.5833') || await text(page, 'status') !== 'pasted.dat: complete') {
    fail('the pasted block\'s report is not the triad\'s: ' + await text(page, 'status'));
  }
  const files = await tableColumn(page, 'file');
  const after = await tableColumn(page, 's_e');
  if (files.join() !== 'triad.dat,group20.dat,singular.dat,pasted.dat' ||
      after.slice(0, 3).join() !== before.join() || after[3] !== '0.5833') {
    fail('after a paste the table holds ' + files.join() + ': ' + after.join());
  }
  await paste(page, '1\t0.5\n0.5\t1\n');
  await settled(page, 'pasted-2.dat');
  if ((await tableColumn(page, 'file')).join() !== files.concat(['pasted-2.dat']).join()) {
    fail('a second paste is not pasted-2.dat: ' + (await tableColumn(page, 'file')).join());
  }
  const refusals = [
    ['\tAnna\tBen\tCleo\nCleo\t1\t2\t3\nBen\t4\t5\t6\nAnna\t7\t8\t9\n', 'but its first column names Cleo, Ben and Anna'],
    ['1\t2\t3\n4\t\t6\n7\t8\t9\n', 'the cell in row 2, column 2 is empty'],
    ['1\tNA\n50%\t1.000,5\n', '\'50%\' in row 2, column 1 is not a number'],
  ];
  for (const [refused, says] of refusals) {
    await paste(page, refused);
    const said = await text(page, 'paste-note');
    if (!said.includes(says) || (await tableColumn(page, 'file')).length !== 5 ||
        await page.$eval('#status', (status) => status.dataset.file) !== 'pasted-2.dat') {
      fail('a refused paste: the note says ' + JSON.stringify(said) + ', the files are ' + (await tableColumn(page, 'file')).join());
    }
  }
  await paste(page, 'not a block');
  if (await text(page, 'paste-note') !== '') {
    fail('the note on the last paste stays after the next paste');
  }
}

// Names are only names: files named as options, ".", "..", with quotes,
// blanks and a line feed reach every program as files, and show as the
// user knows them; the page never asks for anything.
export async function naming(page, work) {
  const names = ['-', '--help', '-?', '--version', '-v.dat', '--json', '.', '..', 'say "hi" it\'s.dat',
    'two  blanks.dat', 'line\nfeed.dat'];
  await drop(page, names.map((name) => ({ name, bytes: triad() })));
  const files = await tableColumn(page, 'file');
  if (files.join('|') !== names.join('|')) {
    fail('the table of files named as options holds ' + JSON.stringify(files));
  }
  const statuses = await tableColumn(page, 'status');
  if (statuses.some((status) => status !== 'ok')) {
    fail('files named as options are not all ok: ' + statuses.join());
  }
  // The CSV is kelvarin-table's given the same names.
  const args = names.flatMap((name, index) => {
    fs.writeFileSync(path.join(work, 'named' + index), triad());
    return ['--label=' + name, 'named' + index];
  });
  if (!nativeRun(args, work).equals(await linked(page, 'csv') || Buffer.alloc(0))) {
    fail('the CSV of files named as options is not kelvarin-table\'s given the same names');
  }
  // Each shows its own report, under its own name, with no diagnostic.
  for (const [index, name] of names.entries()) {
    const buttons = await page.$$('#table tbody tr button');
    await page.$eval('#status', (status) => { status.dataset.ending = ''; });
    await buttons[index].click();
    await settled(page, name);
    const report = await text(page, 'report');
    const status = await text(page, 'status');
    const listed = await text(page, 'diagnostics');
    if (!report.includes('S_E is: 0.5833') || status !== name + ': complete' || listed !== '') {
      fail('the file named ' + JSON.stringify(name) + ' shows ' + JSON.stringify(status + ' ' + listed));
    }
    if (await page.$eval('#picture', (picture) => picture.dataset.state) !== 'drawn') {
      fail('the file named ' + JSON.stringify(name) + ' has no picture: ' + await text(page, 'picture-message'));
    }
  }
  // A diagnostic says the name, a file "-" opened from the disk is read.
  const warned = fs.readFileSync(path.join(cases, 'trailing_text', 'input'));
  await drop(page, [{ name: '--json', bytes: warned }]);
  if (!(await text(page, 'diagnostics')).startsWith('--json:6:1: warning: 3 more numbers')) {
    fail('the diagnostic of a file named --json says ' + await text(page, 'diagnostics'));
  }
  fs.writeFileSync(path.join(work, '-'), triad());
  await open(page, [path.join(work, '-')]);
  if (!(await text(page, 'report')).includes('S_E is: 0.5833') || await text(page, 'status') !== '-: complete') {
    fail('a file named - opened from the disk shows ' + await text(page, 'status'));
  }
}

// Every file its own: two files of one name from two folders keep their
// own bytes, rows, reports and downloads, in the order given.
export async function ownFiles(page, work) {
  for (const [folder, text] of [['a', 'First x\n2\n1 0.5\n0.25 1\n'], ['b', 'Second x\n2\n1 0.25\n0.75 1\n']]) {
    fs.mkdirSync(path.join(work, folder));
    fs.writeFileSync(path.join(work, folder, 'x.dat'), text);
  }
  await open(page, [path.join(work, 'a', 'x.dat'), path.join(work, 'b', 'x.dat')]);
  const native = nativeRun(['--label=x.dat', 'a/x.dat', '--label=x.dat', 'b/x.dat'], work);
  if (!native.equals(await linked(page, 'csv') || Buffer.alloc(0))) {
    fail('the CSV of two files named x.dat is not kelvarin-table\'s');
  }
  const descriptions = await tableColumn(page, 'description');
  if (descriptions.join() !== 'First x,Second x') {
    fail('two files named x.dat show as ' + descriptions.join());
  }
  for (const [index, description] of ['First x', 'Second x'].entries()) {
    await page.$eval('#status', (status) => { status.dataset.ending = ''; });
    await (await page.$$('#table tbody tr button'))[index].click();
    await settled(page, 'x.dat');
    const report = (await linked(page, 'report-download')).toString();
    if (!report.includes('Data description: ' + description) ||
        !(await page.$eval('#picture svg', (svg) => svg.textContent)).includes(description)) {
      fail('the button of the x.dat in row ' + (index + 1) + ' shows another file');
    }
  }
}

// One bad entry costs only itself: a file gone after it was chosen (and, in
// chromium, a folder chosen) gets its own row and message, and the others
// open.
export async function badEntries(page, work) {
  const good = path.join(work, 'good.dat');
  const gone = path.join(work, 'gone.dat');
  fs.writeFileSync(good, triad());
  fs.writeFileSync(gone, triad());
  await open(page, [good, gone]);
  fs.rmSync(gone);
  await page.evaluate(() => {
    document.getElementById('status').dataset.ending = '';
    const transfer = new DataTransfer();
    for (const file of document.getElementById('file').files) {
      transfer.items.add(file);
    }
    document.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
  });
  await settled(page, 'good.dat');
  await sleep(500);
  await settled(page);
  const statuses = await tableColumn(page, 'status');
  const messages = await tableColumn(page, 'message');
  if (statuses.join() !== 'ok,error' || !messages[1].includes('cannot open \'gone.dat\'')) {
    fail('a file gone after it was chosen: the table says ' + statuses.join() + ' ' + messages.join());
  }
  await page.$eval('#status', (status) => { status.dataset.ending = ''; });
  await (await page.$$('#table tbody tr button'))[1].click();
  await settled(page, 'gone.dat');
  if (await page.$eval('#status', (status) => status.dataset.ending) !== 'error' ||
      !(await text(page, 'diagnostics')).includes('the browser could not read this file')) {
    fail('a file gone after it was chosen shows ' + await text(page, 'status') + ' ' + await text(page, 'diagnostics'));
  }
  if (browserName === 'chromium') {
    fs.mkdirSync(path.join(work, 'folder'));
    await open(page, [path.join(work, 'folder'), good]);
    if ((await tableColumn(page, 'status')).join() !== 'error,ok' ||
        await page.$eval('#status', (status) => status.dataset.ending) !== 'error') {
      fail('a folder among the files: ' + (await tableColumn(page, 'status')).join());
    }
  }
}

// Text as the programs read it: a description in Windows-1252 shows the same
// in the editor, the report, the table and the picture, and an edit keeps
// its byte.
export async function windows1252(page) {
  const bytes = Buffer.concat([Buffer.from('Gruppe M'), Buffer.from([0xfc]), Buffer.from('ller\n'), triad().subarray(23)]);
  await drop(page, [{ name: 'mueller.dat', bytes }, { name: 'triad.dat', bytes: triad() }]);
  const seen = {
    editor: (await page.$eval('#data', (data) => data.value)).split('\n')[0],
    report: (await text(page, 'report')).split('\n').find((line) => line.startsWith('Data description: ')).slice(18),
    table: (await tableColumn(page, 'description'))[0],
    picture: await page.$eval('#picture svg', (svg) => svg.textContent.includes('Gruppe Müller') ? 'Gruppe Müller' : svg.textContent),
  };
  if (Object.values(seen).some((value) => value !== 'Gruppe Müller')) {
    fail('a Windows-1252 description shows as ' + JSON.stringify(seen));
  }
  // A blank typed after the description: its byte stays 0xFC.
  await page.focus('#data');
  await page.$eval('#data', (data) => data.setSelectionRange(13, 13));
  await page.$eval('#status', (status) => { status.dataset.ending = ''; });
  await page.keyboard.type(' ');
  await settled(page, 'mueller.dat');
  await page.waitForFunction(() => document.getElementById('report').textContent.includes('Gruppe Müller \n'),
    { timeout: 10000 }).catch(() => {});
  const report = await linked(page, 'report-download');
  if (!report || !report.includes(Buffer.from('Data description: Gruppe M\xfcller \n', 'latin1'))) {
    fail('after an edit the description\'s bytes are ' + JSON.stringify(report && report.toString('latin1').split('\n')[5]));
  }
  if ((await tableColumn(page, 'description'))[0] !== 'Gruppe Müller ') {
    fail('after an edit the table says ' + (await tableColumn(page, 'description'))[0]);
  }
}
