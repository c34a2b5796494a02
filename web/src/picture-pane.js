// The picture: kelvarin-graph's DOT of the shown file as the view, Top K
// and the slider choose, laid out by Graphviz in a worker of its own and
// drawn as SVG; its downloads, and whether it fits its pane.
import { say } from './words.js';
import { describePicture } from './picture-words.js';
import { decode } from './text.js';
import { downloadName, graphNames, labelled } from './names.js';
import { checkTop, graphOptions, heatmapEnd, pictureNotes } from './choices.js';
import { playersOf } from './grid.js';
import { entryFile, isEdited } from './entries.js';
import { run, runOn } from './runs.js';
import { packFiles } from './pack.js';
import { buildSvg, widenedBox } from './svg.js';
import { savePng } from './png.js';
import { latest } from './wanted.js';

// Where kelvarin-graph reads the players' names.
const namesPath = '/in/names';

// The smallest share of its size the picture is shown at with its labels
// still readable: Graphviz's 10 points are then 8 pixels.
const readableScale = 0.6;

// The pause after which a control moved (the slider, Top K) or a name
// typed draws the picture again: the slider is drawn once it rests.
const drawPause = 150;

// Return the pane in document's elements picture, picture-message,
// picture-small, picture-scroll, picture-working, picture-full, the view's
// radios, top, top-message, min, min-value, svg-download and png-download.
// programs runs kelvarin-graph, layouts Graphviz (workerClients); shown()
// is the shown entry; setLink is the download links'.
export function picturePane(document, { programs, layouts, shown, setLink }) {
  const $ = (id) => document.getElementById(id);
  const pictures = latest();
  let drawTimer = null;
  let laying = null;      // the wanted() of the picture whose layout Graphviz is making
  let pictureOf = null;   // the bytes the picture on screen was drawn from
  let scaleOf = null;     // the bytes whose largest |influence| sets the slider
  let viewBefore = null;  // the view chosen before a large group opened in the heat map

  const view = () => document.querySelector('input[name="view"]:checked').value;

  // Say whether the picture is wider than its pane, or shrunk to fit it
  // below the size at which its labels can be read.
  function scrolls() {
    const picture = $('picture');
    $('picture-scroll').hidden = picture.scrollWidth <= picture.clientWidth;
    const svg = picture.querySelector('svg');
    const natural = svg ? parseFloat(svg.getAttribute('width')) * 4 / 3 : 0;
    const scale = svg ? svg.getBoundingClientRect().width / natural : 1;
    $('picture-small').hidden = !(scale < readableScale);
    $('picture-small').textContent = say('picture.small', { percent: Math.round(scale * 100) });
  }

  // Leave the picture out: nothing drawn, nothing to download, and why.
  function clearPicture(message) {
    $('picture').textContent = '';
    $('picture-words').textContent = '';
    $('picture').dataset.state = 'none';
    $('picture').dataset.view = '';
    $('picture-small').hidden = true;
    $('picture-message').textContent = message;
    setLink('svg-download', null);
    $('png-download').disabled = true;
    pictureOf = null;
  }

  // Set the slider's end to the largest off-diagonal |influence| of entry:
  // the end of the heat map's scale, its legend's last cell.
  async function setScale(entry) {
    if (scaleOf === entry.bytes) {
      return;
    }
    const result = await runOn(programs, 'kelvarin-graph', ['--heatmap'], entry);
    const end = heatmapEnd(new TextDecoder().decode(result.stdout));
    const slider = $('min');
    slider.max = end === null ? '0' : end;
    slider.disabled = end === null || view() === 'heatmap';
    $('min-value').textContent = slider.value;
    scaleOf = entry.bytes;
  }

  // Run kelvarin-graph with options on entry, its players named by the
  // entry's names (one a line in a file of their own) when it has any.
  function drawWithNames(options, entry) {
    const players = playersOf(decode(entry.bytes.subarray(0, 4096)).text) || 0;
    const names = graphNames(entry.names || [], players);
    if (names === null) {
      return runOn(programs, 'kelvarin-graph', options, entry);
    }
    const files = packFiles([
      entryFile({ entry, index: 0 }),
      { path: namesPath, bytes: new TextEncoder().encode(names.join('\n') + '\n'), kind: 'file' },
    ]);
    return run(programs, 'kelvarin-graph', options.concat(['--names-from=' + namesPath], labelled(entry.name, 0)), files);
  }

  // Say what the picture's worker is doing ("" when nothing).
  function setWorking(message) {
    $('picture-working').textContent = message;
    $('picture-working').hidden = message === '';
  }

  // Widen the SVG's view box to what it draws: the browser's fonts may be
  // wider than those Graphviz measured the labels with.
  function fit(svg) {
    const { x, y, width, height } = widenedBox(svg.viewBox.baseVal, svg.getBBox());
    svg.setAttribute('viewBox', [x, y, width, height].join(' '));
    svg.setAttribute('width', width + 'pt');
    svg.setAttribute('height', height + 'pt');
  }

  // Draw the shown entry's picture as the controls choose; an invalid Top
  // K is refused by its control, and the picture on screen stays.
  async function draw() {
    clearTimeout(drawTimer);
    const entry = shown();
    if (!entry) {
      return;
    }
    const current = pictures.ask();
    const top = checkTop($('top').value, $('top').validity.badInput);
    $('top').setAttribute('aria-invalid', top.message ? 'true' : 'false');
    $('top-message').textContent = top.message || '';
    $('top').disabled = view() === 'heatmap';
    if (top.message && view() !== 'heatmap') {
      if (pictureOf !== entry.bytes) {
        clearPicture(say('picture.none', { message: top.message }));
      }
      return;
    }
    const picture = $('picture');
    picture.setAttribute('aria-busy', 'true');
    // Graphviz cannot be interrupted: a layout still being made for an
    // older choice is dropped with its worker.
    if (laying !== null) {
      layouts.stop();
      laying = null;
    }
    try {
      await setScale(entry);
      if (!current()) {
        return;
      }
      const options = graphOptions(view(), view() === 'heatmap' ? null : top.top, $('min').disabled ? '0' : $('min').value);
      const result = await drawWithNames(options, entry);
      if (!current()) {
        return;
      }
      const notes = pictureNotes(decode(result.stderr).text);
      if (result.stdout.length === 0) {
        clearPicture(notes);
        return;
      }
      setWorking(say(view() === 'network' ? 'picture.laying-out' : 'picture.drawing'));
      laying = current;
      const dot = new TextDecoder().decode(result.stdout);
      const layout = await layouts.call({ dot });
      if (!current()) {
        return;
      }
      laying = null;
      if (layout.tree === null) {
        clearPicture(notes + layout.errors.join('\n'));
        return;
      }
      const svg = await buildSvg(layout.tree, document, current);
      if (svg === null) {
        return;
      }
      picture.textContent = '';
      picture.appendChild(svg);
      fit(svg);
      scrolls();
      // The page answers between laying the picture out and copying it for
      // its download.
      await new Promise((resolve) => setTimeout(resolve, 0));
      if (!current()) {
        return;
      }
      svg.setAttribute('role', 'img');
      svg.setAttribute('aria-label', Array.from(svg.querySelectorAll('g.graph > text'), (line) => line.textContent).join('; '));
      $('picture-message').textContent = notes;
      describePicture($('picture-words'), dot, view());
      setLink('svg-download', new XMLSerializer().serializeToString(svg), 'image/svg+xml', downloadName(entry.name, 'svg', isEdited(entry)));
      $('png-download').disabled = false;
      pictureOf = entry.bytes;
      picture.dataset.view = view();
      picture.dataset.state = 'drawn';
    } catch (error) {
      if (laying === current) {
        laying = null;
      }
      if (current()) {
        clearPicture(say('picture.failed', { message: error.message }));
      }
    } finally {
      if (current()) {
        picture.removeAttribute('aria-busy');
        setWorking('');
      }
    }
  }

  // The picture on screen as PNG, named after the shown entry.
  function savePicture() {
    const svg = $('picture').querySelector('svg');
    const entry = shown();
    if (svg && entry) {
      return savePng(svg, downloadName(entry.name, 'png', isEdited(entry)));
    }
  }

  // The slider is the network's and the focus's.
  function choseView() {
    const slider = $('min');
    slider.disabled = view() === 'heatmap' || slider.max === '0';
    $('min-value').textContent = slider.value;
  }

  // Draw the picture again once the choices rest.
  function drawSoon() {
    clearTimeout(drawTimer);
    drawTimer = setTimeout(draw, drawPause);
  }

  // The picture's controls draw it again, the slider once it rests.
  function redraw() {
    choseView();
    drawSoon();
  }

  for (const radio of document.querySelectorAll('input[name="view"]')) {
    radio.addEventListener('change', () => {
      viewBefore = null;
      redraw();
    });
  }
  $('top').addEventListener('input', redraw);
  $('min').addEventListener('input', redraw);
  $('png-download').addEventListener('click', savePicture);
  // The full size control: pressed, the picture at its own size.
  $('picture-full').addEventListener('click', () => {
    const full = $('picture-full').getAttribute('aria-pressed') !== 'true';
    $('picture-full').setAttribute('aria-pressed', String(full));
    $('picture').classList.toggle('full', full);
    scrolls();
  });

  return {
    draw,
    drawSoon,
    scrolls,
    // Open a large group (many: more than 8 players) in the heat map: its
    // network is a tangle of hundreds of arrows, which takes Graphviz
    // seconds to lay out. The next small group opens in the view chosen
    // before, unless one was chosen since.
    viewFor(many) {
      if (many && !$('view-heatmap').checked) {
        viewBefore = view();
        $('view-heatmap').checked = true;
        choseView();
      } else if (!many && viewBefore !== null) {
        $('view-' + viewBefore).checked = true;
        viewBefore = null;
        choseView();
      }
    },
  };
}
