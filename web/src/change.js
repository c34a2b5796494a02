// What an edit changed against the file as opened, in words, from the two
// reports kelvarin wrote: the figures are read as the report prints them.
import { say } from './words.js';

// Return the figures of a report of kelvarin: {players, empath, driver,
// sE}, each the report's text (the players' numbers without their P), or
// null where the report has none (a file not read, a run ended early).
export function figuresOf(report) {
  const find = (pattern) => {
    const match = pattern.exec(report);
    return match ? match[1] : null;
  };
  return {
    players: find(/^Number of players \(dimension of matrix\) = (\d+)$/m),
    empath: find(/^The empath is P(\d+)\.$/m),
    driver: find(/^The driver is P(\d+)\.$/m),
    sE: find(/^The synchronization coefficient S_E is: (\S+)$/m),
  };
}

// Return player k (its number as text) as the page calls it: Pk, or
// "NAME (Pk)" when names[k - 1] names it.
export function playerName(k, names = []) {
  const name = (names[Number(k) - 1] || '').trim();
  return name === '' ? 'P' + k : name + ' (P' + k + ')';
}

// Return the sentence that says what changed from the figures before (of
// the file as opened) to after (of the edited file), players named by
// names: "S_E 0.5833 to 0.6120; the empath is still P3; the driver is now
// P1 (was P2)."
export function changeSentence(before, after, names = []) {
  const parts = [];
  if (before.players !== after.players && before.players !== null && after.players !== null) {
    parts.push(say('change.players', { before: before.players, after: after.players }));
  }
  // Which change each figure had: the key of its words.
  const moved = (was, is) => is === null ? (was === null ? 'still-none' : 'gone')
    : was === is ? 'same' : was === null ? 'new' : 'moved';
  parts.push(say('change.s-e-' + moved(before.sE, after.sE), { before: before.sE, after: after.sE }));
  for (const role of ['empath', 'driver']) {
    const was = before[role] === null ? null : playerName(before[role], names);
    const is = after[role] === null ? null : playerName(after[role], names);
    parts.push(say('change.' + role + '-' + moved(was, is), { before: was, after: is }));
  }
  const sentence = say('change.end', { sentence: parts.reduce((first, rest) => say('change.list', { first, rest })) });
  return sentence.charAt(0).toUpperCase() + sentence.slice(1);
}

// Return the legend of the players of a group of players that names names
// ("The players named: Ann (P1), P3."), or '' when none of them is named.
export function legendText(names, players) {
  const named = names.slice(0, players).map((name, k) => [name.trim(), k]).filter(([name]) => name !== '');
  return named.length === 0 ? '' : say('legend.named', { players: named.map(([, k]) => playerName(String(k + 1), names))
    .reduce((first, rest) => say('legend.list', { first, rest })) });
}
