// The page test's shared parts: its command line, its failures, the
// console errors a check expects, and the ways a check opens files and
// reads the page.
import fs from 'node:fs';
import path from 'node:path';
import url from 'node:url';
import { spawnSync } from 'node:child_process';

// The command line: node page_test.js BROWSER PAGE CASES EXAMPLES NATIVE_TABLE SCREENSHOT.
export const [browserName, pageFile, cases, exampleFolder, nativeTable, screenshot] = process.argv.slice(2);

// The page's folder, web/.
export const here = path.dirname(path.dirname(url.fileURLToPath(import.meta.url)));

export const failures = [];

export const fail = (message) => {
  failures.push(message);
  console.log('FAIL: ' + message);
};

export const endings = { 0: 'complete', 1: 'error', abort: 'abort' };

// The console errors a check expects the browser to log, while it runs.
export const consoleErrors = { expected: [] };

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Wait until the page has settled on a choice: the status says how the run
// ended, and neither the picture nor the table is being made.
export const settled = (page, name, timeout = 120000) => page.waitForFunction(
  (name) => {
    const status = document.getElementById('status');
    return ['complete', 'error', 'abort'].includes(status.dataset.ending) &&
      (name === undefined || status.dataset.file === name) &&
      !document.getElementById('picture').hasAttribute('aria-busy') &&
      !document.getElementById('table-pane').hasAttribute('aria-busy');
  },
  { timeout }, name);

// Open files with #file, and wait until the page has settled on them.
export async function open(page, files) {
  await page.$eval('#status', (status) => { status.dataset.ending = ''; });
  // The same files chosen again are a choice too.
  await page.$eval('#file', (input) => { input.value = ''; });
  const input = await page.$('#file');
  await input.uploadFile(...files);
  await settled(page, path.basename(files[0]));
}

// Drop File objects made in the page from {name, bytes} on it, and wait.
export async function drop(page, files, wait = true) {
  await page.evaluate((files) => {
    document.getElementById('status').dataset.ending = '';
    const transfer = new DataTransfer();
    for (const file of files) {
      transfer.items.add(new File([new Uint8Array(file.bytes)], file.name));
    }
    document.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
  }, files.map((file) => ({ name: file.name, bytes: Array.from(file.bytes) })));
  if (wait) {
    await settled(page, files[0].name);
  }
}

// Return the bytes a download link holds, or null when it is disabled.
export async function linked(page, id) {
  const bytes = await page.$eval('#' + id, async (link) => {
    if (!link.hasAttribute('href')) {
      return null;
    }
    return Array.from(new Uint8Array(await (await fetch(link.href)).arrayBuffer()));
  });
  return bytes === null ? null : Buffer.from(bytes);
}

export const text = (page, id) => page.$eval('#' + id, (element) => element.textContent);

export const tableColumn = (page, column) => page.$$eval('#table tbody tr', (rows, column) => {
  const header = Array.from(document.querySelectorAll('#table thead th'), (th) => th.textContent);
  return rows.map((row) => row.cells[header.indexOf(column)].textContent);
}, column);

export const triad = () => fs.readFileSync(path.join(exampleFolder, 'triad.dat'));

export const nativeRun = (args, cwd) => spawnSync(path.resolve(nativeTable), args, { cwd }).stdout;

// The end-to-end case whose input is bytes.
export const caseOf = (bytes) => fs.readdirSync(cases).find((folder) =>
  fs.existsSync(path.join(cases, folder, 'input')) && bytes.equals(fs.readFileSync(path.join(cases, folder, 'input'))));

// Paste a block into the editor through the clipboard, as a spreadsheet's
// cells come: the block is copied from the editor, whose text is then put
// back, and pasted with the keyboard.
export async function paste(page, block) {
  const before = await page.$eval('#data', (data, block) => {
    const text = data.value;
    data.value = block;
    data.focus();
    data.select();
    return text;
  }, block);
  await page.keyboard.down('Control');
  await page.keyboard.press('c');
  await page.keyboard.up('Control');
  await page.$eval('#data', (data, text) => {
    data.value = text;
    data.focus();
  }, before);
  await page.keyboard.down('Control');
  await page.keyboard.press('v');
  await page.keyboard.up('Control');
}

// Paste text into the element selector names through the clipboard, as a
// spreadsheet's cells come: the text is copied from the editor, whose text
// is then put back.
export async function pasteInto(page, selector, block) {
  await page.$eval('#data', (data, block) => {
    data.dataset.kept = data.value;
    data.value = block;
    data.focus();
    data.select();
  }, block);
  await page.keyboard.down('Control');
  await page.keyboard.press('c');
  await page.keyboard.up('Control');
  await page.$eval('#data', (data) => {
    data.value = data.dataset.kept;
    delete data.dataset.kept;
  });
  await page.focus(selector);
  await page.keyboard.down('Control');
  await page.keyboard.press('v');
  await page.keyboard.up('Control');
}

// Wait until How sure? has answered, or refused, for the file called name.
export const sureFor = (page, name, timeout = 180000) => page.waitForFunction((name) => {
  const section = document.getElementById('how-sure');
  return section.dataset.state === 'refused' || (section.dataset.state === 'answered' && section.dataset.file === name);
}, { timeout }, name);
