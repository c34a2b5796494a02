// "How sure?" in words: the default error D of a data file, half a unit of
// the last decimal place its values are written with (the error of
// rounding alone), the question D asks, and what kelvarin-table --perturb's
// draws of the file say.
import { mostPlayers } from './players.js';
import { say } from './words.js';

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
    return spread === '' ? say('how-sure.spread-digits') : say('how-sure.spread-digits-not', { spread });
  }
  if (!(Number(spread) > 0)) {
    return say('how-sure.spread-positive');
  }
  if (!(Number(spread) <= largestSpread)) {
    return say('how-sure.spread-largest');
  }
  if (!/^\d+$/.test(draws) || Number(draws) < 1 || Number(draws) > mostDraws) {
    return draws === '' ? say('how-sure.draws-whole') : say('how-sure.draws-whole-not', { draws });
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
  return say(d === r ? 'how-sure.rounding' : d > r ? 'how-sure.raters' : 'how-sure.below-rounding', { spread, decimals, rounding });
}

// Return how values written with places decimals are written, in words:
// "2 decimals", "whole numbers", "values rounded to 100".
export function placesText(places) {
  return places > 0 ? say(places === 1 ? 'places.one' : 'places.many', { count: places })
    : places === 0 ? say('places.whole') : say('places.rounded', { unit: halfUnit(places - 1).replace(/^5/, '1') });
}

// A count with a comma between thousands: 20,000.
export function count(number) {
  return String(number).replace(/\B(?=(\d{3})+$)/g, ',');
}

// A share of the draws as a percentage with one decimal: 97.1 %.
function percent(share) {
  return say('how-sure.percent', { value: (share * 100).toFixed(1) });
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
    sentences.push(say(record.warnings === 1 ? 'how-sure.warned-one' : 'how-sure.warned-many', { count: count(record.warnings) }));
  }
  if (record.draws === null || record.draws === undefined) {
    sentences.push(say('how-sure.no-draws', { message: record.message || say('how-sure.not-read') }));
    return { sentences, bars: [] };
  }
  const undefinedSE = record.status === 'singular' || record.status === 'not_finite';
  if (undefinedSE) {
    sentences.push(say(record.status === 'singular' ? 'how-sure.singular' : 'how-sure.not-finite'));
  }
  const one = record.draws === 1;
  const others = (shares, own) => shares
    .map((share, player) => ({ player: 'P' + (player + 1), share }))
    .filter(({ share }, player) => share > 0 && player !== own - 1)
    .sort((a, b) => b.share - a.share);
  const rivals = others(record.empath_shares, record.empath);
  if (one) {
    const drawn = (shares) => 'P' + (shares.indexOf(Math.max(...shares)) + 1);
    sentences.push(say('how-sure.one-draw', { empath: drawn(record.empath_shares), driver: drawn(record.driver_shares) }));
  } else {
    const listed = rivals.length === 0 ? '' : rivals.slice(0, 3).map(({ player, share }) => say('how-sure.rival', { player, percent: percent(share) }))
      .reduce((first, rest) => say('how-sure.list', { first, rest }));
    sentences.push(say(rivals.length === 0 ? 'how-sure.empath' : rivals.length > 3 ? 'how-sure.empath-rivals-more'
      : 'how-sure.empath-rivals', { player: 'P' + record.empath, percent: percent(record.empath_share),
      draws: count(record.draws), rivals: listed }));
    sentences.push(say('how-sure.driver', { player: 'P' + record.driver, percent: percent(record.driver_share) }));
  }
  const had = 1 - record.singular_share;
  const hadText = record.singular_share === 0 ? say(one ? 'how-sure.had-one' : 'how-sure.had-every')
    : say('how-sure.had-some', { percent: percent(had) });
  if (record.s_e_low === null) {
    sentences.push(say('how-sure.no-s-e'));
  } else if (undefinedSE) {
    const [low, high] = interval(record.s_e_low, record.s_e_high);
    sentences.push(say('how-sure.mark', { low, high, had: hadText, median: record.s_e_median.toFixed(4) }));
  } else if (had < 0.5) {
    sentences.push(say('how-sure.few', { percent: percent(had) }));
  } else {
    const [low, high] = interval(record.s_e_low, record.s_e_high);
    sentences.push(say('how-sure.range', { low, high, had: hadText, median: record.s_e_median.toFixed(4) }));
  }
  if (worst !== null && worst >= 0.1 && !undefinedSE) {
    sentences.push(say(worst >= 1 ? 'how-sure.worst-times' : 'how-sure.worst-percent',
      { value: worst >= 1 ? fixedShare(worst) : fixedShare(worst * 100) }));
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
