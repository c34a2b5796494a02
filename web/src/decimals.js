// Figures written as kelvarin's report writes them: printf's "%.4f", the
// exact value of the double rounded to four decimals, an exact tie going
// to the even digit, and the minus kept on -0 and on a negative value that
// rounds to zero ("-0.0000").

// Return value written with places decimals (0 to 20) as printf's "%.*f"
// writes it. JavaScript's toFixed rounds the exact value too, but takes the
// larger of two equally near texts (0.03125 gives "0.0313", printf
// "0.0312") and drops the minus of -0. A double that lies exactly halfway
// has at most places + 1 decimals, all of which toFixed(100) writes exactly.
export function fixed(value, places) {
  if (Number.isNaN(value)) {
    return 'nan';
  }
  const sign = value < 0 || Object.is(value, -0) ? '-' : '';
  const size = Math.abs(value);
  if (size === Infinity) {
    return sign + 'inf';
  }
  if (size >= 1e21) {
    // Whole numbers, which toFixed would write with an exponent.
    return sign + BigInt(size).toString() + (places > 0 ? '.' + '0'.repeat(places) : '');
  }
  const exact = size.toFixed(100);
  const point = exact.indexOf('.');
  const rest = exact.slice(point + 1 + places);
  if (/^50*$/.test(rest)) {
    // A tie: the text cut after places decimals, if its last digit is even.
    const cut = exact.slice(0, places > 0 ? point + 1 + places : point);
    if (Number(cut[cut.length - 1]) % 2 === 0) {
      return sign + cut;
    }
  }
  return sign + size.toFixed(places);
}

// Return value as the report writes its figures: "%.4f".
export function fourDecimals(value) {
  return fixed(value, 4);
}
