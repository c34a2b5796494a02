// The page's own words in the researcher's language: one file of plain
// strings a language (words/LANGUAGE.json, key to text), each text with
// named placeholders ({player}) that say() fills. A text may hold the
// inline marks <var>, <sub>, <sup>, <samp>, <code>, <strong> and <em>,
// which fill() makes elements of; nothing else in it is markup. The
// report, the diagnostics and the downloads are the programs' bytes and
// stay as they write them.
import en from '../words/en.json' with { type: 'json' };
import de from '../words/de.json' with { type: 'json' };
import fr from '../words/fr.json' with { type: 'json' };
import es from '../words/es.json' with { type: 'json' };

// The languages, by their tag, each named in itself for the switch.
export const languages = { en, de, fr, es };
export const languageNames = { en: 'English', de: 'Deutsch', fr: 'Français', es: 'Español' };

let current = 'en';

// Return the first of the browser's languages (preferred, as
// navigator.languages lists them: "de-AT", "fr") that the page speaks, by
// its primary tag, or "en".
export function pickLanguage(preferred = []) {
  for (const tag of preferred) {
    const primary = String(tag).toLowerCase().split('-')[0];
    if (Object.hasOwn(languages, primary)) {
      return primary;
    }
  }
  return 'en';
}

// Speak the language tagged code (one of languages) from now on.
export function setLanguage(code) {
  current = Object.hasOwn(languages, code) ? code : 'en';
}

// Return the tag of the language spoken.
export function language() {
  return current;
}

// Return the text of key in the language spoken, its placeholders filled
// from values ({player: 'P3'}). A key or a value missing is a fault of the
// page, thrown rather than shown as a hole in a sentence.
export function say(key, values = {}) {
  const text = languages[current][key];
  if (text === undefined) {
    throw new Error('no words for ' + key);
  }
  return text.replace(/\{(\w+)\}/g, (whole, name) => {
    if (!Object.hasOwn(values, name)) {
      throw new Error('no value for ' + whole + ' in ' + key);
    }
    return String(values[name]);
  });
}

// Return the placeholders and the marks that text holds, sorted: what every
// language's text of a key must hold alike.
export function slots(text) {
  return [...new Set(text.match(/\{\w+\}|<\/?\w+>/g))].sort();
}

const marks = new Set(['var', 'sub', 'sup', 'samp', 'code', 'strong', 'em']);

// Put text into element as its content: the inline marks as elements,
// everything else as text.
export function fill(element, text) {
  const document = element.ownerDocument;
  const stack = [document.createDocumentFragment()];
  for (const part of text.split(/(<\/?\w+>)/)) {
    const mark = /^<(\/?)(\w+)>$/.exec(part);
    if (mark && marks.has(mark[2])) {
      if (mark[1] === '') {
        const child = document.createElement(mark[2]);
        stack[stack.length - 1].appendChild(child);
        stack.push(child);
      } else if (stack.length > 1) {
        stack.pop();
      }
    } else if (part !== '') {
      stack[stack.length - 1].appendChild(document.createTextNode(part));
    }
  }
  element.replaceChildren(stack[0]);
}

// Put the language spoken into document: <html lang>, and the text of
// every element marked data-words="KEY", and the attributes marked
// data-words-ATTRIBUTE="KEY" (aria-label, placeholder, title).
export function speakIn(document) {
  document.documentElement.lang = current;
  for (const element of document.querySelectorAll('[data-words]')) {
    fill(element, say(element.dataset.words));
  }
  for (const attribute of ['aria-label', 'placeholder', 'title']) {
    for (const element of document.querySelectorAll('[data-words-' + attribute + ']')) {
      element.setAttribute(attribute, say(element.getAttribute('data-words-' + attribute)));
    }
  }
}
