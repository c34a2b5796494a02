// The report shown whole in its pane: the font size at which its widest
// line fits the width it has, and whether the panes stand one above the
// other for it.

// The smallest font size, in pixels, that the report is shrunk to; a report
// that does not fit at it scrolls sideways, and says so.
export const smallestSize = 7;

// Return the font size, in pixels, at which text as wide as natural at size
// fits available (all three in pixels): size itself when it fits, never
// below smallest, and rounded down to a quarter pixel.
export function fittedSize(size, natural, available, smallest = smallestSize) {
  if (natural <= available) {
    return size;
  }
  return Math.max(smallest, Math.floor(size * available / natural * 4) / 4);
}

// Return true when a report as wide as natural (pixels) at its full size
// needs the results' whole width (results): beside the picture it would
// have a little over half of it, and be shrunk below three quarters of its
// size.
export function stacks(natural, results) {
  return natural * 0.75 > results * 0.55;
}
