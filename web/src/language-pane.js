// The switch of the page's language: the first of the browser's languages
// that the page speaks, until the researcher picks another, which holds
// while the page is open.
import { language, languageNames, pickLanguage, setLanguage, speakIn } from './words.js';

// Speak in document the language the browser prefers (preferred, as
// navigator.languages lists them) and fill the select #language with the
// languages, each named in itself; a choice there speaks the language
// chosen and calls changed() to say again what the panes show.
export function languagePane(document, preferred, changed) {
  const select = document.getElementById('language');
  for (const [code, name] of Object.entries(languageNames)) {
    const option = document.createElement('option');
    option.value = code;
    option.lang = code;
    option.textContent = name;
    select.appendChild(option);
  }
  setLanguage(pickLanguage(preferred));
  select.value = language();
  speakIn(document);
  select.addEventListener('change', () => {
    setLanguage(select.value);
    speakIn(document);
    changed();
  });
}
