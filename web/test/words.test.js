// The page's words: every language has every key, with the same
// placeholders and marks; every key the page asks for exists; the
// browser's languages pick one; and a summary in another language keeps the
// report's figures as the report writes them.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import test from 'node:test';
import { languages, pickLanguage, say, setLanguage, slots } from '../src/words.js';
import { summarise } from '../src/summary.js';

const web = new URL('../', import.meta.url);

test('every language has the keys of every other, each with the same placeholders and marks', () => {
  const keys = new Set(Object.values(languages).flatMap((words) => Object.keys(words)));
  for (const [code, words] of Object.entries(languages)) {
    for (const key of keys) {
      assert.ok(Object.hasOwn(words, key), code + ' lacks ' + key);
      assert.deepEqual(slots(words[key]), slots(languages.en[key]), code + ' ' + key);
    }
  }
});

test('every key the page and its modules ask for is in the words', () => {
  const html = fs.readFileSync(new URL('page.html', web), 'utf8');
  const asked = Array.from(html.matchAll(/data-words(?:-[\w-]+)?="([^"]+)"/g), (match) => match[1]);
  for (const name of fs.readdirSync(new URL('src/', web))) {
    const source = fs.readFileSync(new URL('src/' + name, web), 'utf8');
    asked.push(...Array.from(source.matchAll(/\b(?:say|words)\('([\w.-]+)'\s*[,)]/g), (match) => match[1]));
  }
  assert.ok(asked.length > 150, 'only ' + asked.length + ' keys found');
  assert.deepEqual(asked.filter((key) => !Object.hasOwn(languages.en, key)), []);
});

test('the browser\'s first language the page speaks, by its primary tag; else English', () => {
  const rows = [[['de-AT', 'en'], 'de'], [['pt-BR', 'es-419', 'fr'], 'es'], [['FR-ca'], 'fr'], [['it'], 'en'], [[], 'en']];
  for (const [preferred, code] of rows) {
    assert.equal(pickLanguage(preferred), code, preferred.join());
  }
});

test('placeholders are filled by name, and one without a value is a fault', () => {
  setLanguage('de');
  try {
    assert.equal(say('status.error', { name: 'a.dat', status: 1 }),
      languages.de['status.error'].replace('{name}', 'a.dat').replace('{status}', '1'));
    assert.throws(() => say('status.error', { name: 'a.dat' }), /\{status\}/);
    assert.throws(() => say('no.such.key'), /no words/);
  } finally {
    setLanguage('en');
  }
});

test('a summary in every language gives the report\'s figures with a decimal point, as the report writes them', () => {
  const cases = new URL('../../tests/cases/', import.meta.url);
  const report = fs.readFileSync(new URL('triad/stdout', cases), 'utf8');
  const data = fs.readFileSync(new URL('triad/input', cases), 'utf8');
  const row = { status: 'ok', players: 3, warnings: 0, determinant: 0.75, condition: 3, empath_margin: 0.125,
    driver_margin: 0.5, column_sums: [1.3125, 1.5, 1.625], row_sums: [1.3125, 1.8125, 1.3125] };
  for (const code of Object.keys(languages)) {
    setLanguage(code);
    try {
      const summary = summarise(report, 'complete', row, data, ['Anna']);
      assert.deepEqual(summary.figures.map((figure) => figure.value), ['P3', 'P2', '0.5833', '0.7500', '3.0000'], code);
      const said = summary.figures.map((figure) => figure.sentence).join(' ');
      for (const figure of ['1.6250', '0.1250', '1.8125', 'Anna (P1)', '0.6250', '0.005', '1.0000']) {
        assert.ok(said.includes(figure), code + ' lacks ' + figure + ': ' + said);
      }
    } finally {
      setLanguage('en');
    }
  }
});
