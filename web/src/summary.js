// The summary above the report: the empath, the driver, S_E, the
// determinant and the condition number of the shown file, each with one
// plain sentence on what it means for this group. Every figure is one the
// programs wrote: kelvarin's report gives the texts shown (its four
// decimals), kelvarin-table's JSON line the full doubles behind them and
// how the file's run ended.

import { fixed, fourDecimals } from './decimals.js';
import { playerName } from './change.js';
import { say } from './words.js';

// The difference below which the report calls two sums a near tie.
const nearTie = 1e-4;

// Return the figures of kelvarin's report (text): {empath, driver} as
// numbers, {sE, determinant, condition} as the report writes them (without
// the blanks that pad its fields), and largest, the text of the influence
// table's value of largest size; each null where the report has none. A
// line is matched whole, so that a description cannot pass for one.
export function reportFigures(text) {
  const figures = { empath: null, driver: null, sE: null, determinant: null, condition: null, largest: null };
  const lines = {
    empath: /^The empath is P(\d+)\.$/,
    driver: /^The driver is P(\d+)\.$/,
    sE: /^The synchronization coefficient S_E is: *(\S+)$/,
    determinant: /^The determinant of M is: \t\t\t *(\S+)$/,
    condition: /^The 1-condition number of M is: \t\t *(\S+)$/,
  };
  let size = -1;
  for (const line of text.split('\n')) {
    for (const [name, pattern] of Object.entries(lines)) {
      const match = pattern.exec(line);
      if (match) {
        figures[name] = name === 'empath' || name === 'driver' ? Number(match[1]) : match[1];
      }
    }
    // A row of the influence table: FromK, the row's values, its sum of squares.
    const row = /^ +From\d+ +(\S.*\S) *$/.exec(line);
    if (row) {
      for (const value of row[1].split(/ +/).slice(0, -1)) {
        if (Math.abs(Number(value)) > size) {
          size = Math.abs(Number(value));
          figures.largest = value;
        }
      }
    }
  }
  return figures;
}

// Return the most decimals that a value of the data file text is written
// with (1.5e-2 has three), or null when its n times n values are not all
// plain decimal numbers after the description line and N.
export function decimalsOf(text, n) {
  const words = text.slice(text.indexOf('\n') + 1).split(/\s+/).filter(Boolean).slice(1, 1 + n * n);
  if (!(n > 0) || words.length !== n * n) {
    return null;
  }
  let most = 0;
  for (const word of words) {
    const number = /^[-+]?(?:\d+\.?(\d*)|\.(\d+))(?:[eE]([-+]?\d+))?$/.exec(word);
    if (!number) {
      return null;
    }
    most = Math.max(most, (number[1] || number[2] || '').length - Number(number[3] || 0));
  }
  return most;
}

// Return a share (0.0026) as a percentage with two digits that count
// ("0.26%", below 0.0001% as "5.0 × 10^-18%"), or a factor of one or more
// as "N times".
function share(value) {
  if (value >= 1) {
    const exponent = Math.floor(Math.log10(value));
    return say('summary.times', { value: exponent < 6 ? fixed(value, Math.max(0, 1 - exponent)) : fixed(value / 10 ** exponent, 1) + ' × 10^' + exponent });
  }
  const percent = value * 100;
  const exponent = Math.floor(Math.log10(percent));
  if (exponent < -4) {
    return say('summary.percent', { value: fixed(percent / 10 ** exponent, 1) + ' × 10^' + exponent });
  }
  return say('summary.percent', { value: fixed(percent, Math.min(20, Math.max(0, 1 - exponent))) });
}

// Return value as the report writes it, "%.4f", up to 10^15; beyond, where
// a double holds fewer digits than "%.4f" writes, with five that count
// ("1.6250 × 10^40").
export function shownFigure(value) {
  const size = Math.abs(value);
  if (!(size >= 1e15) || size === Infinity) {
    return fourDecimals(value);
  }
  const [digits, exponent] = value.toExponential(4).split('e');
  return digits + ' × 10^' + Number(exponent);
}

// Return the player, other than leader, with the largest of sums (the
// first of equal ones), 1-based.
function runnerUp(sums, leader) {
  let best = -1;
  sums.forEach((sum, index) => {
    if (index + 1 !== leader && (best < 0 || sum > sums[best])) {
      best = index;
    }
  });
  return best + 1;
}

// Return the sentence on the empath or the driver (who: "empath" or
// "driver"), the player numbered player, from its sums and margin; players
// called by their names where names has them.
function leaderSentence(who, player, sums, margin, names) {
  if (!sums || sums.length < 2 || margin === null) {
    return say('summary.' + who + '-leads', { player: playerName(player, names) });
  }
  const next = playerName(runnerUp(sums, player), names);
  const sentence = say('summary.' + who + '-ahead', { player: playerName(player, names), sum: shownFigure(sums[player - 1]),
    next, margin: shownFigure(margin) });
  return margin < nearTie ? sentence + ' ' + say('summary.' + who + '-tie', { next }) : sentence;
}

// Return the sentence on the condition number: how far rounding the values
// to the decimals the file has (decimals, or null where unknown) may move
// Q, to first order, against the largest value (its report text largest).
function conditionSentence(condition, conditionText, decimals, largest, warned) {
  if (!Number.isFinite(condition)) {
    return say('summary.condition-infinite');
  }
  if (warned) {
    // Figures of a file not read as meant are not vouched for.
    return say('summary.condition-warned', { condition: conditionText });
  }
  const size = largest === null ? 0 : Math.abs(Number(largest));
  if (decimals === null || !(size > 0)) {
    return say('summary.condition-unknown', { condition: conditionText });
  }
  const places = Math.min(decimals, 19);
  const half = 0.5 * 10 ** -places;
  const change = half / size;
  const moved = condition * change;
  const verdict = moved < 0.01 ? 'hardly' : moved < 0.1 ? 'about' : moved < 1 ? 'first-digit' : 'nothing';
  return say(moved >= 1 ? 'summary.condition-factor' : 'summary.condition-share', {
    decimals: say(places === 1 ? 'places.one' : 'places.many', { count: places }), half: fixed(half, places + 1),
    change: share(change), largest, condition: conditionText, moved: share(moved), verdict: say('summary.verdict-' + verdict),
  });
}

// Return the sentence that opens the summary of a file read with warnings
// (diagnostics, as diagnosticsOf gives them): their count and the first,
// with its place; '' where there are none.
export function warningSentence(warnings) {
  if (warnings.length === 0) {
    return '';
  }
  const [first] = warnings;
  // The diagnostic is kelvarin's own words, quoted as it wrote them.
  const said = first.text.replace(/^.*?\b(warning): /, '');
  return say('summary.warning-' + (warnings.length === 1 ? 'one' : 'many') + (first.line > 0 ? '-placed' : ''),
    { count: warnings.length, line: first.line, column: first.column, said: said + (/[.!?]$/.test(said) ? '' : '.') });
}

// Return the value the data file text gives player's influence on itself
// (1-based, of n players), as the programs read it: in single precision;
// null where the text does not give it as a plain number.
function ownValue(data, n, player) {
  const words = data.slice(data.indexOf('\n') + 1).split(/\s+/).filter(Boolean);
  const word = words[1 + (player - 1) * n + (player - 1)];
  return word !== undefined && /^[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?$/.test(word) ? Math.fround(Number(word)) : null;
}

// Return the sentence on S_E: what it is, what it would be were the other
// players to influence only themselves (V' · V', the empath's column sum of
// squares without its own value), and what its sign and size say.
function sESentence(found, row, data, names, condition) {
  let sentence = say('summary.s-e-units');
  const own = row && row.column_sums ? ownValue(data, row.players, found.empath) : null;
  const sE = Number(found.sE);
  if (own !== null && Number.isFinite(sE)) {
    const alone = row.column_sums[found.empath - 1] - own * own;
    const key = found.sE === shownFigure(alone) ? 'same' : sE < alone ? 'smaller' : 'larger';
    sentence += ' ' + say('summary.s-e-' + key, { alone: shownFigure(alone), empath: playerName(found.empath, names) });
  }
  if (sE < 0) {
    sentence += ' ' + say('summary.s-e-negative');
  }
  if (condition >= 1e3) {
    sentence += ' ' + say('summary.s-e-ill');
  }
  return sentence;
}

// Return the summary of a run: report is kelvarin's standard output (text)
// and ending how it ended ("complete", "error" or "abort"); row is
// kelvarin-table's JSON line of the same file (an object, or null when it
// could not be had); data is the data file's text; names the players'
// names the page knows (names[k - 1] of Pk), which call the players "NAME
// (Pk)" where given. The summary is {state,
// empath, driver, sE, figures, note}: state "ok", "warnings", "error",
// "singular" or "not_finite"; empath and driver the players' numbers and
// sE the report's text, each null where the run has none; figures
// [{name, label, value, help, sentence}], name being empath, driver, s-e,
// determinant or condition and help the id of its explanation; note what
// happened, where the figures are not all there. warnings are the
// diagnostics of kelvarin's run that are warnings ({text, line, column}, as
// diagnosticsOf gives them): the summary opens with their count and the
// first (warning, '' where none), and vouches for no figure of the file.
export function summarise(report, ending, row, data, names = [], warnings = []) {
  const found = reportFigures(report);
  const status = row ? row.status : ending === 'abort' ? 'singular' : ending === 'error' ? 'error' : 'ok';
  const summary = { state: status, empath: found.empath, driver: found.driver, sE: found.sE, figures: [], note: '',
    warning: warningSentence(warnings) };
  const warned = warnings.length > 0 || Boolean(row && row.warnings > 0);
  if (status === 'ok' && warned) {
    summary.state = 'warnings';
  }
  if (ending === 'error' || status === 'error' || found.empath === null) {
    summary.state = 'error';
    summary.empath = summary.driver = summary.sE = null;
    summary.note = say('summary.error-note');
    return summary;
  }
  const figure = (name, label, value, sentence) => summary.figures.push({ name, label: say('summary.' + label), value,
    help: 'help-' + name, sentence });
  const none = say('summary.none');
  figure('empath', 'empath', playerName(found.empath, names),
    leaderSentence('empath', found.empath, row && row.column_sums, row && row.empath_margin, names));
  figure('driver', 'driver', playerName(found.driver, names),
    leaderSentence('driver', found.driver, row && row.row_sums, row && row.driver_margin, names));
  if (status === 'singular' || ending === 'abort') {
    summary.state = 'singular';
    summary.sE = null;
    const determinant = row && row.determinant !== null ? fourDecimals(row.determinant) : null;
    figure('s-e', 's-e', none, say('summary.singular-s-e'));
    figure('determinant', 'determinant', determinant === null ? none : determinant, say('summary.singular-determinant'));
    figure('condition', 'condition', none, say('summary.singular-condition'));
    summary.note = say('summary.singular-note');
    return summary;
  }
  if (status === 'not_finite') {
    summary.note = say('summary.not-finite-note', { message: row.message || say('summary.not-finite-message') });
  }
  const condition = row && row.condition !== null ? row.condition : Infinity;
  figure('s-e', 's-e', found.sE, status === 'not_finite'
    ? say('summary.not-finite-s-e')
    : sESentence(found, row, data, names, condition));
  figure('determinant', 'determinant', found.determinant, say('summary.determinant-says'));
  figure('condition', 'condition', found.condition,
    conditionSentence(condition, found.condition, decimalsOf(data, found.empath && row ? row.players : 0), found.largest,
      warned));
  return summary;
}
