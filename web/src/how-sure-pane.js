// "How sure?": kelvarin-table --perturb on the shown file, in a worker of
// its own, said in words and drawn as a bar of the players' shares of the
// draws as the empath. A newer question (another file, an edit, D or the
// draws) ends the older run there and then, so that its answer never waits
// behind it.
import { checkSure, count, defaultSpread, largestValue, placesText, question, refusal, sureness } from './how-sure.js';
import { labelled } from './names.js';
import { run } from './runs.js';
import { latest } from './wanted.js';
import { say } from './words.js';

// The pause in the typing of D or the draws after which they are asked: a
// value passed on the way to the one typed is never run.
const typingPause = 500;

// The bytes of a file read for its default D: its values are in the first
// of them, and a file of megabytes is not decoded whole on the page.
const readForSpread = 1 << 16;

// Set up the section in document's elements how-sure, spread, draws,
// spread-note, how-sure-question, how-sure-answer, how-sure-bars,
// how-sure-message, how-sure-working, how-sure-stop and how-sure-again;
// newWorker() makes a programs' worker (a workerClient), announce(text)
// says a finished run in the page's live region. kelvarin-table
// runs in a worker of How sure?'s own, which a newer question ends: neither
// it nor the table waits behind the other. A spare, kelvarin-table
// compiled, takes the place of the one ended, so that the newer question's
// draws start at once. Return {show(entry)}, which answers for the shown entry. A newer question
// ends the older run, and its answer is hidden meanwhile: the working line
// says what is being drawn, with a button to stop.
export function howSurePane(document, newWorker, announce) {
  const $ = (id) => document.getElementById(id);
  const warm = (worker) => {
    worker.call({ warm: ['kelvarin-table'] }).catch(() => {});
    return worker;
  };
  let worker = warm(newWorker());
  let spare = warm(newWorker());
  const [spread, draws, note, said, bars, message, section, asking, working, stop, again] = ['spread', 'draws',
    'spread-note', 'how-sure-answer', 'how-sure-bars', 'how-sure-message', 'how-sure', 'how-sure-question',
    'how-sure-working', 'how-sure-stop', 'how-sure-again'].map($);
  const questions = latest();
  let shown = null;
  let running = false;
  let typing = null;
  let spreadOf = null;  // the entry whose default D is in the control
  let places = 2;       // the decimals of that entry's values
  let largest = 0;      // the largest |value| of that entry
  const decoder = new TextDecoder();
  function clear() {
    said.textContent = '';
    bars.textContent = '';
    // A picture only while it shows the shares: an empty one names nothing.
    bars.removeAttribute('role');
    bars.removeAttribute('aria-label');
    delete section.dataset.record;
    delete section.dataset.file;
  }
  // End the run under way, if any: its worker ends with it.
  function end() {
    questions.drop();
    if (running) {
      running = false;
      worker.stop();
      [worker, spare] = [spare, warm(worker)];
    }
  }
  function setWorking(text, state) {
    working.textContent = text;
    working.hidden = text === '';
    stop.hidden = state !== 'running';
    again.hidden = state !== 'stopped';
    section.dataset.state = state;
    if (state === 'running') {
      section.setAttribute('aria-busy', 'true');
    } else {
      section.removeAttribute('aria-busy');
    }
  }
  async function answer() {
    clearTimeout(typing);
    typing = null;
    end();
    const entry = shown;
    const wanted = questions.ask();
    clear();
    const refused = checkSure(spread.value, draws.value);
    // D is at fault when it is refused beside any good number of draws.
    const spreadRefused = refused !== '' && checkSure(spread.value, '1') !== '';
    spread.setAttribute('aria-invalid', String(spreadRefused));
    draws.setAttribute('aria-invalid', String(refused !== '' && !spreadRefused));
    message.textContent = refused;
    // The question in bold, what D stands for after it.
    const asked = refused === '' ? question(spread.value.trim(), places) : '';
    const strong = document.createElement('strong');
    strong.textContent = asked.slice(0, asked.indexOf('?') + 1);
    asking.replaceChildren(strong, asked.slice(asked.indexOf('?') + 1));
    if (refused !== '') {
      setWorking('', 'refused');
      return;
    }
    const [d, k] = [spread.value.trim(), draws.value.trim()];
    setWorking(say(k === '1' ? 'how-sure.working-one' : 'how-sure.working-many', { count: count(Number(k)), name: entry.name,
      spread: d }), 'running');
    running = true;
    let result;
    try {
      result = await run(worker, 'kelvarin-table', ['--json', '--perturb=' + d, '--draws=' + k].concat(labelled(entry.name, 0)),
        [{ entry, index: 0 }]);
    } catch (error) {
      result = { status: 2, stdout: new Uint8Array(0), stderr: new TextEncoder().encode(error.message) };
    }
    if (!wanted()) {
      return;
    }
    running = false;
    if (result.status === 2) {
      // The program refuses D or K, and says why.
      setWorking('', 'refused');
      message.textContent = refusal(decoder.decode(result.stderr));
      return;
    }
    setWorking('', 'answered');
    const line = decoder.decode(result.stdout).split('\n')[0];
    const record = JSON.parse(line);
    section.dataset.record = line;
    section.dataset.file = entry.name;
    const worst = Number.isFinite(record.condition) && largest > 0 ? record.condition * Number(d) / largest : null;
    const { sentences, bars: shares } = sureness(record, worst);
    sentences.forEach((sentence, index) => {
      const p = document.createElement('p');
      p.textContent = sentence;
      // The warnings' sentence, first, looks as the status line's warnings do.
      p.className = index === 0 && record.warnings > 0 ? 'warning' : '';
      said.appendChild(p);
    });
    for (const { player, share } of shares) {
      const bar = document.createElement('span');
      bar.style.width = (share * 100) + '%';
      bar.textContent = share >= 0.1 ? player : '';
      bar.title = player + ': ' + (share * 100).toFixed(1) + ' %';
      bar.className = 'player-' + (Number(player.slice(1)) % 6);
      bars.appendChild(bar);
    }
    if (shares.length > 0) {
      bars.setAttribute('role', 'img');
      bars.setAttribute('aria-label', say('how-sure.bars', { shares: shares.map(({ player, share }) =>
        say('how-sure.bar', { player, percent: (share * 100).toFixed(1) })).reduce((first, rest) =>
        say('how-sure.list', { first, rest })) }));
    }
    announce(say('how-sure.answered', { name: entry.name }));
  }
  // A key typed in D or the draws ends the run of the values before it at
  // once; the new values are asked once the typing pauses.
  function typed() {
    if (!shown) {
      return;
    }
    end();
    clear();
    message.textContent = '';
    setWorking(say('how-sure.typing'), 'typing');
    clearTimeout(typing);
    typing = setTimeout(answer, typingPause);
  }
  spread.addEventListener('input', typed);
  draws.addEventListener('input', typed);
  stop.addEventListener('click', () => {
    end();
    setWorking(say('how-sure.stopped'), 'stopped');
    again.focus();
  });
  again.addEventListener('click', () => shown && answer());
  return {
    show(entry) {
      shown = entry;
      // The question and the worst case follow the file's values as edited;
      // D is set for a newly shown file only.
      const text = new TextDecoder().decode(entry.bytes.subarray(0, readForSpread));
      const found = defaultSpread(text);
      places = found.places;
      largest = largestValue(text);
      if (spreadOf !== entry) {
        spreadOf = entry;
        spread.value = found.spread;
        note.textContent = say('how-sure.default', { spread: found.spread, decimals: placesText(found.places) });
      }
      return answer();
    },
  };
}
