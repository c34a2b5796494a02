// The page's one polite live region: what a finished run found, said once
// the page has been still for a moment, so that typing in the editor or
// the grid is not read out at every key.

// The stillness after which what is waiting is said.
const stillness = 1000;

// Return announce(kind, text), which says text in element (the live
// region) after a moment of stillness, with what else is waiting, each
// kind by its latest text, in the order of kinds (a run before How sure?);
// a text said already is not said again.
export function announcer(element, kinds) {
  const waiting = new Map(kinds.map((kind) => [kind, '']));
  let timer = null;
  let last = '';
  return (kind, text) => {
    waiting.set(kind, text);
    clearTimeout(timer);
    timer = setTimeout(() => {
      const said = kinds.map((kind) => waiting.get(kind)).filter(Boolean).join(' ');
      kinds.forEach((kind) => waiting.set(kind, ''));
      if (said !== '' && said !== last) {
        last = said;
        element.textContent = said;
      }
    }, stillness);
  };
}
