// "How sure?": kelvarin-table --perturb on the shown file, in the tables'
// worker, said in words and drawn as a bar of the players' shares of the
// draws as the empath. The default error D is half a unit of the last
// decimal place the file's values are written with.

// Return the default D of the data file text, as the text given to
// --perturb, and the decimal places it stands for: half a unit of the last
// place any value is written with ("0.005" for two decimals, "0.5" for
// whole numbers; an exponent moves the place). Line 1, the description,
// and the first number, N, are not values; the values are the N times N
// numbers after N (the first 400 when N is not a number of players), not
// the text after them.
export function defaultSpread(text) {
  const words = text.split('\n').slice(1).join('\n').split(/[ \t\r\n\v\f]+/).filter(Boolean);
  const n = /^\d+$/.test(words[0] || '') ? Math.min(Number(words[0]), mostPlayers) : mostPlayers;
  let places = null;
  for (const word of words.slice(1, 1 + n * n)) {
    const number = /^[-+]?(\d*)(?:\.(\d*))?(?:[eE]([-+]?\d+))?$/.exec(word);
    if (!number || (number[1] === '' && !number[2])) {
      continue;
    }
    const written = (number[2] || '').length - Number(number[3] || 0);
    places = places === null ? written : Math.max(places, written);
  }
  places = places === null ? 2 : Math.min(Math.max(places, -300), 300);
  // 5 times 10 to the power -(places + 1).
  const spread = places >= 0 ? '0.' + '0'.repeat(places) + '5' : '5' + '0'.repeat(-places - 1);
  return { spread, places };
}

// The most players a data file has, whose values are read for the default D.
const mostPlayers = 20;

// The bytes of a file read for its default D: its values are in the first
// of them, and a file of megabytes is not decoded whole on the page.
const readForSpread = 1 << 16;

// A count with a comma between thousands: 20,000.
function count(number) {
  return String(number).replace(/\B(?=(\d{3})+$)/g, ',');
}

// A share of the draws as a percentage with one decimal: 97.1 %.
function percent(share) {
  return (share * 100).toFixed(1) + ' %';
}

// Return low and high with as few decimals, from 2 to 4, as tell them apart.
function interval(low, high) {
  for (let decimals = 2; ; decimals++) {
    const [a, b] = [low.toFixed(decimals), high.toFixed(decimals)];
    if (a !== b || decimals === 4) {
      return [a, b];
    }
  }
}

// Return what kelvarin-table's JSON line record of a file drawn from says:
// {sentences, bars}, bars the players' shares of the draws as the empath
// ({player: "P3", share}), those with none left out; or {sentences} alone
// with why there are no draws.
export function sureness(record) {
  if (record.draws === null || record.draws === undefined) {
    return { sentences: ['No draws: ' + (record.message || 'the file was not read') + '.'], bars: [] };
  }
  const draws = count(record.draws);
  const others = (shares, own) => shares
    .map((share, player) => ({ player: 'P' + (player + 1), share }))
    .filter(({ share }, player) => share > 0 && player !== own - 1)
    .sort((a, b) => b.share - a.share);
  const rivals = others(record.empath_shares, record.empath);
  const sentences = ['P' + record.empath + ' is the empath in ' + percent(record.empath_share) + ' of ' + draws +
    ' draws' + (rivals.length === 0 ? '' : ' (' + rivals.slice(0, 3).map(({ player, share }) =>
      player + ' in ' + percent(share)).join(', ') + (rivals.length > 3 ? ', others in the rest' : '') + ')') + '.'];
  sentences.push('P' + record.driver + ' is the driver in ' + percent(record.driver_share) + ' of them.');
  if (record.s_e_low === null) {
    sentences.push('No draw has an S_E: M is singular, or S_E not finite, in every one.');
  } else {
    const [low, high] = interval(record.s_e_low, record.s_e_high);
    sentences.push('S_E is between ' + low + ' and ' + high + ' in 95 % of the draws that have one' +
      (record.singular_share > 0 ? ' (' + percent(record.singular_share) + ' of the draws have a singular M or ' +
        'an S_E that is not finite)' : '') + '; their median is ' + record.s_e_median.toFixed(4) + '.');
  }
  const bars = record.empath_shares
    .map((share, player) => ({ player: 'P' + (player + 1), share }))
    .filter(({ share }) => share > 0);
  return { sentences, bars };
}

// Set up the section: elements {spread, draws, note, answer, bars, message,
// section}; run(args, entry) runs kelvarin-table with args on entry in the
// tables' worker. Return {show(entry)}, which answers for the shown entry;
// a newer choice (another file, an edit, D or K) drops an older run's result.
export function howSure(elements, run) {
  let shown = null;
  let generation = 0;
  let spreadOf = null;  // the entry whose default D is in the control
  const decoder = new TextDecoder();
  async function answer() {
    const entry = shown;
    const current = ++generation;
    const { spread, draws, answer: said, bars, message, section } = elements;
    section.setAttribute('aria-busy', 'true');
    let result;
    try {
      result = await run(['--json', '--perturb=' + spread.value.trim(), '--draws=' + draws.value.trim()], entry);
    } catch (error) {
      result = { status: 2, stdout: new Uint8Array(0), stderr: new TextEncoder().encode(error.message) };
    }
    if (current !== generation) {
      return;
    }
    section.removeAttribute('aria-busy');
    said.textContent = '';
    bars.textContent = '';
    message.textContent = '';
    delete section.dataset.record;
    if (result.status === 2) {
      // The program refuses D or K, and says why.
      message.textContent = decoder.decode(result.stderr).split('\n')[0].replace(/^kelvarin-table: error: /, '');
      return;
    }
    const line = decoder.decode(result.stdout).split('\n')[0];
    const record = JSON.parse(line);
    section.dataset.record = line;
    const { sentences, bars: shares } = sureness(record);
    for (const sentence of sentences) {
      const p = document.createElement('p');
      p.textContent = sentence;
      said.appendChild(p);
    }
    for (const { player, share } of shares) {
      const bar = document.createElement('span');
      bar.style.width = (share * 100) + '%';
      bar.textContent = share >= 0.1 ? player : '';
      bar.title = player + ': ' + (share * 100).toFixed(1) + ' %';
      bar.className = 'player-' + (Number(player.slice(1)) % 6);
      bars.appendChild(bar);
    }
    bars.setAttribute('aria-label', 'The empath of the draws: ' + shares.map(({ player, share }) =>
      player + ' ' + (share * 100).toFixed(1) + ' %').join(', '));
  }
  elements.spread.addEventListener('input', () => shown && answer());
  elements.draws.addEventListener('input', () => shown && answer());
  return {
    show(entry) {
      shown = entry;
      if (spreadOf !== entry) {
        spreadOf = entry;
        const { spread, places } = defaultSpread(new TextDecoder().decode(entry.bytes.subarray(0, readForSpread)));
        elements.spread.value = spread;
        elements.note.textContent = 'D is ' + spread + ' by default for this file: half a unit of the last decimal ' +
          'place its values are written with (' + places + (places === 1 ? ' decimal' : ' decimals') + ').';
      }
      return answer();
    },
  };
}
