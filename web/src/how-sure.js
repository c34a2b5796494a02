// "How sure?": kelvarin-table --perturb on the shown file, in a worker of
// its own, said in words and drawn as a bar of the players' shares of the
// draws as the empath. The default error D is half a unit of the last
// decimal place the file's values are written with: the error of rounding
// alone. A newer question (another file, an edit, D or the draws) ends the
// older run there and then, so that its answer never waits behind it.

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
  return { spread: halfUnit(places), places };
}

// Return half a unit of the last of places decimals, as text: 5 times 10
// to the power -(places + 1).
function halfUnit(places) {
  return places >= 0 ? '0.' + '0'.repeat(places) + '5' : '5' + '0'.repeat(-places - 1);
}

// The most players a data file has, whose values are read for the default D.
const mostPlayers = 20;

// The bytes of a file read for its default D: its values are in the first
// of them, and a file of megabytes is not decoded whole on the page.
const readForSpread = 1 << 16;

// Return the largest |value| of the data file text, read as defaultSpread
// reads its values, or 0 when it has none.
export function largestValue(text) {
  const words = text.split('\n').slice(1).join('\n').split(/[ \t\r\n\v\f]+/).filter(Boolean);
  const n = /^\d+$/.test(words[0] || '') ? Math.min(Number(words[0]), mostPlayers) : mostPlayers;
  let largest = 0;
  for (const word of words.slice(1, 1 + n * n)) {
    const value = Math.abs(Number(word));
    if (/^[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?$/.test(word) && value > largest && value !== Infinity) {
      largest = value;
    }
  }
  return largest;
}

// The most draws kelvarin-table takes, and the largest D: single
// precision's largest number, beyond which a drawn value cannot be held.
const mostDraws = 1000000;
const largestSpread = 3.4028234663852886e38;

// Return why the controls' texts (D and the draws) cannot be asked, in the
// page's words, or '' when they can.
export function checkSure(spreadText, drawsText) {
  const spread = spreadText.trim();
  const draws = drawsText.trim();
  if (!/^[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?$/.test(spread)) {
    return 'D needs a number written in digits, such as 0.005' + (spread === '' ? '' : ', not ' + spread);
  }
  if (!(Number(spread) > 0)) {
    return 'D needs a number above 0: the largest error of a value';
  }
  if (!(Number(spread) <= largestSpread)) {
    return 'D needs a number of at most 3.4 × 10^38: the values are read in single precision, which holds no larger';
  }
  if (!/^\d+$/.test(draws) || Number(draws) < 1 || Number(draws) > mostDraws) {
    return 'Draws needs a whole number from 1 to 1,000,000' + (draws === '' ? '' : ', not ' + draws);
  }
  return '';
}

// Return the first line of kelvarin-table's refusal of D or the draws
// (its standard error) in the page's words: the controls named as the page
// names them.
export function refusal(stderr) {
  return stderr.split('\n')[0].replace(/^kelvarin-table: error: /, '')
    .replace(/--perturb(=D)?/g, 'D').replace(/--draws(=K)?/g, 'Draws').replace(/--seed(=S)?/g, 'the seed');
}

// Return the question that D asks of the file whose values are written
// with places decimals (the default D, spread, being half a unit of the
// last): rounding alone, or more than rounding, which raters who disagree
// make.
export function question(spread, places) {
  const rounding = halfUnit(places);
  const [d, r] = [Number(spread), Number(rounding)];
  const decimals = placesText(places);
  if (d === r) {
    return 'Would rounding to the file\'s decimals change the result? D = ' + spread + ' is half a unit of the last ' +
      'place of its ' + decimals + ': the error of rounding alone, not a disagreement between raters.';
  }
  if (d > r) {
    return 'Would raters who disagree by up to ' + spread + ' on each value have found another empath? D = ' + spread +
      ' is more than the rounding of the file\'s ' + decimals + ' (' + rounding + '): it stands for a disagreement ' +
      'between raters, as large as you assume it.';
  }
  return 'Would an error of up to ' + spread + ' in each value, less than the rounding of the file\'s ' + decimals +
    ' (' + rounding + '), change the result?';
}

// Return how values written with places decimals are written, in words:
// "2 decimals", "whole numbers", "values rounded to 100".
function placesText(places) {
  return places > 0 ? places + (places === 1 ? ' decimal' : ' decimals')
    : places === 0 ? 'whole numbers' : 'values rounded to ' + halfUnit(places - 1).replace(/^5/, '1');
}

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
// with why there are no draws. The record's own fields are the file's as
// read: its warnings come first, and a file whose own M is singular (or
// S_E not finite) is said to have no S_E before any draw's is given, the
// draws' S_E then only evidence of it. worst, where known, is how far the
// condition number lets D move the weights at most (a share of their
// size): where it is 0.1 or more, the page says why the typical draw moves
// them less.
export function sureness(record, worst = null) {
  const sentences = [];
  if (record.warnings > 0) {
    sentences.push('The file may not have been read as meant: check the warnings first (' + count(record.warnings) +
      (record.warnings === 1 ? ' warning' : ' warnings') + ' under the editor). The draws are of the file as it was read.');
  }
  if (record.draws === null || record.draws === undefined) {
    sentences.push('No draws: ' + (record.message || 'the file was not read') + '.');
    return { sentences, bars: [] };
  }
  const undefinedSE = record.status === 'singular' || record.status === 'not_finite';
  if (undefinedSE) {
    sentences.push(record.status === 'singular'
      ? 'S_E does not exist for this file: its own M is singular, so no weights Q solve M Q = V\'. No draw can say how sure it is.'
      : 'S_E is not a finite number for this file: solving its own M Q = V\' overflowed. No draw can say how sure it is.');
  }
  const one = record.draws === 1;
  const draws = count(record.draws) + (one ? ' draw' : ' draws');
  const others = (shares, own) => shares
    .map((share, player) => ({ player: 'P' + (player + 1), share }))
    .filter(({ share }, player) => share > 0 && player !== own - 1)
    .sort((a, b) => b.share - a.share);
  const rivals = others(record.empath_shares, record.empath);
  if (one) {
    const drawn = (shares) => 'P' + (shares.indexOf(Math.max(...shares)) + 1);
    sentences.push('In the one draw, ' + drawn(record.empath_shares) + ' is the empath and ' +
      drawn(record.driver_shares) + ' the driver.');
  } else {
    sentences.push('P' + record.empath + ' is the empath in ' + percent(record.empath_share) + ' of ' + draws +
      (rivals.length === 0 ? '' : ' (' + rivals.slice(0, 3).map(({ player, share }) =>
        player + ' in ' + percent(share)).join(', ') + (rivals.length > 3 ? ', others in the rest' : '') + ')') + '.');
    sentences.push('P' + record.driver + ' is the driver in ' + percent(record.driver_share) + ' of them.');
  }
  const had = 1 - record.singular_share;
  const hadText = record.singular_share === 0 ? (one ? 'the draw has one' : 'every draw has one')
    : percent(had) + ' of the draws have one; the others have a singular M or an S_E that is not finite';
  if (record.s_e_low === null) {
    sentences.push('No draw has an S_E: M is singular, or S_E not finite, in every one.');
  } else if (undefinedSE) {
    const [low, high] = interval(record.s_e_low, record.s_e_high);
    sentences.push('Moving the values by up to D gives S_E anywhere from ' + low + ' to ' + high + ' in 95 % of the ' +
      'draws that have one (' + hadText + '; median ' + record.s_e_median.toFixed(4) + '): the mark of an S_E that does ' +
      'not exist, not a range in which it lies.');
  } else if (had < 0.5) {
    sentences.push('Only ' + percent(had) + ' of the draws have an S_E; the others have a singular M or an S_E that is ' +
      'not finite. Too few to give S_E a range: M is close to singular, and S_E cannot be trusted.');
  } else {
    const [low, high] = interval(record.s_e_low, record.s_e_high);
    sentences.push('S_E is between ' + low + ' and ' + high + ' in 95 % of the draws that have one (' + hadText +
      '); their median is ' + record.s_e_median.toFixed(4) + '.');
  }
  if (worst !== null && worst >= 0.1 && !undefinedSE) {
    sentences.push('The condition number of M (in the summary) lets errors of up to D move the weights Q, and S_E, ' +
      'by up to about ' + (worst >= 1 ? fixedShare(worst) + ' times their size' : fixedShare(worst * 100) + '%') +
      ': that is the worst case, errors lined up to push them as far as they go. The draws show the typical case, ' +
      'errors at random, which moves them less. Both are true: rely on Q and S_E only as far as the worst case allows.');
  }
  const bars = record.empath_shares
    .map((share, player) => ({ player: 'P' + (player + 1), share }))
    .filter(({ share }) => share > 0);
  return { sentences, bars };
}

// A share or a factor with two digits that count: 15, 1.5, 0.15.
function fixedShare(value) {
  if (value >= 1e6) {
    const exponent = Math.floor(Math.log10(value));
    return (value / 10 ** exponent).toFixed(1) + ' × 10^' + exponent;
  }
  return value.toFixed(Math.max(0, 1 - Math.floor(Math.log10(value))));
}

// The pause in the typing of D or the draws after which they are asked: a
// value passed on the way to the one typed is never run.
const typingPause = 500;

// Set up the section: elements {spread, draws, note, question, answer,
// bars, message, working, stop, again, section}; runner {run(args, entry),
// stop()} runs kelvarin-table with args on entry in How sure?'s own worker,
// and ends that worker and what it is doing. Return {show(entry)}, which
// answers for the shown entry. A newer question (another entry, an edit, D
// or the draws) ends the older run, and its answer is hidden meanwhile: the
// working line says what is being drawn, with a button to stop.
export function howSure(elements, runner) {
  let shown = null;
  let generation = 0;
  let running = false;
  let typing = null;
  let spreadOf = null;  // the entry whose default D is in the control
  let places = 2;       // the decimals of that entry's values
  let largest = 0;      // the largest |value| of that entry
  const decoder = new TextDecoder();
  const { spread, draws, answer: said, bars, message, section, working, stop, again } = elements;
  function clear() {
    said.textContent = '';
    bars.textContent = '';
    bars.setAttribute('aria-label', '');
    delete section.dataset.record;
    delete section.dataset.file;
  }
  // End the run under way, if any: its worker ends with it.
  function end() {
    generation++;
    if (running) {
      running = false;
      runner.stop();
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
    const current = generation;
    clear();
    const refused = checkSure(spread.value, draws.value);
    spread.setAttribute('aria-invalid', String(refused.startsWith('D ')));
    draws.setAttribute('aria-invalid', String(refused.startsWith('Draws ')));
    message.textContent = refused;
    // The question in bold, what D stands for after it.
    const asked = refused === '' ? question(spread.value.trim(), places) : '';
    const strong = document.createElement('strong');
    strong.textContent = asked.slice(0, asked.indexOf('?') + 1);
    elements.question.replaceChildren(strong, asked.slice(asked.indexOf('?') + 1));
    if (refused !== '') {
      setWorking('', 'refused');
      return;
    }
    const [d, k] = [spread.value.trim(), draws.value.trim()];
    setWorking('Working: ' + count(Number(k)) + (k === '1' ? ' draw' : ' draws') + ' of ' + entry.name + ' with D = ' + d +
      '. A new choice, an edit, D or the draws ends it, and so does Stop.', 'running');
    running = true;
    let result;
    try {
      result = await runner.run(['--json', '--perturb=' + d, '--draws=' + k], entry);
    } catch (error) {
      result = { status: 2, stdout: new Uint8Array(0), stderr: new TextEncoder().encode(error.message) };
    }
    if (current !== generation) {
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
    bars.setAttribute('aria-label', 'The empath of the draws: ' + shares.map(({ player, share }) =>
      player + ' ' + (share * 100).toFixed(1) + ' %').join(', '));
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
    setWorking('Waiting for the typing to pause…', 'typing');
    clearTimeout(typing);
    typing = setTimeout(answer, typingPause);
  }
  spread.addEventListener('input', typed);
  draws.addEventListener('input', typed);
  stop.addEventListener('click', () => {
    end();
    setWorking('Stopped: no answer for these draws. Run them again, or change D or the draws.', 'stopped');
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
        elements.note.textContent = 'D is ' + found.spread + ' by default for this file: half a unit of the last ' +
          'place its values are written to (' + placesText(found.places) + ').';
      }
      return answer();
    },
  };
}
