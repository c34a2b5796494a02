// The picture's choices as kelvarin-graph's options, and the values its
// controls refuse themselves.
import { say } from './words.js';

// Return what the Top K control holds: {top} with the number of influences
// kept (null for all), or {message} with why it is refused. text is the
// control's value and badInput its validity's (a number input gives "" for
// text it cannot read).
export function checkTop(text, badInput) {
  if (badInput) {
    return { message: say('top.digits') };
  }
  if (text === '') {
    return { top: null };
  }
  if (!/^\d+$/.test(text)) {
    return { message: say('top.not', { text }) };
  }
  if (/^0+$/.test(text)) {
    return { message: say('top.zero') };
  }
  return { top: text.replace(/^0+/, '') };
}

// Return kelvarin-graph's options for the view ("network", "heatmap" or
// "focus"), top (null for all) and min (the slider's value as text, "0" for
// all): the heat map draws every influence and takes neither.
export function graphOptions(view, top, min) {
  if (view === 'heatmap') {
    return ['--heatmap'];
  }
  const options = view === 'focus' ? ['--focus'] : [];
  if (top !== null) {
    options.push('--top=' + top);
  }
  if (min !== '0') {
    options.push('--min=' + min);
  }
  return options;
}

// Return kelvarin-graph's notes on a picture (its standard error) in the
// page's words: its options named as the page's controls are.
export function pictureNotes(text) {
  return text
    .replace(/--heatmap/g, 'the heat map')
    .replace(/--focus/g, 'the focus view')
    .replace(/--top[ =](\d+)/g, 'Top K $1')
    .replace(/--top\b/g, 'Top K')
    .replace(/--min\b/g, 'the smallest |influence| drawn')
    .replace(/--names(-from)?\b/g, 'the names');
}

// Return the end of the heat map's scale in kelvarin-graph --heatmap's DOT
// (the text of its legend's last cell, before "positive"), the largest
// off-diagonal |influence|; null where the picture has no scale.
export function heatmapEnd(dot) {
  const match = /([^<>]*)(?:<\/[A-Z]+>)+<TD BORDER="0">positive<\/TD>/.exec(dot);
  return match ? match[1] : null;
}
