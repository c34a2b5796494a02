// The page's one polite live region: what a finished run found, said once
// the page has been still for a moment, so that typing in the editor or
// the grid is not read out at every key.

// The stillness after which what is waiting is said.
const stillness = 1000;

// Return announce(kind, text), which says text in element (the live
// region) after a moment of stillness, with what else is waiting, each
// kind (a run, How sure?) by its latest text; a text said already is not
// said again.
export function announcer(element) {
  const waiting = new Map();
  let timer = null;
  let last = '';
  return (kind, text) => {
    waiting.set(kind, text);
    clearTimeout(timer);
    timer = setTimeout(() => {
      const said = Array.from(waiting.values()).filter(Boolean).join(' ');
      waiting.clear();
      if (said !== '' && said !== last) {
        last = said;
        element.textContent = said;
      }
    }, stillness);
  };
}
