#!/usr/bin/env bash
# Checks kelvarin-graph's DOT with Graphviz's dot, which must render it with
# no warning and no error:
#   every example and every end-to-end case that has a data file: a file
#     that kelvarin reports on gives a graph (and kelvarin's warnings), one
#     it rejects gives kelvarin's diagnostics and error text and no graph
#   descriptions with every kind of byte that DOT or a label treats
#     specially, drawn as the text itself
#   the 20-player example: one edge per non-zero influence of one player on
#     another, with its value and sign, those below --min left out and
#     counted in the title, and the weights Q of the report
#   the command line: status 2 when it is wrong, 1 for a file that does not
#     open or a graph that cannot be written, 0 for --help and --version
# Usage: graph_test.sh <kelvarin-graph> <examples folder> <cases folder>
set -uo pipefail
program=$(realpath "$1")
examples=$2
cases=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Render the DOT in $work/graph.gv; any message from dot fails.
render() {
  if ! dot -Tsvg "$work/graph.gv" >"$work/graph.svg" 2>"$work/dot.err" || [ -s "$work/dot.err" ]; then
    fail "$1: dot: $(cat "$work/dot.err")"
  fi
}

command -v dot >/dev/null || {
  echo "FAIL: Graphviz's dot is not installed"
  exit 1
}

for example in "$examples"/*.dat; do
  "$program" "$example" >"$work/graph.gv" 2>"$work/err"
  status=$?
  [ $status -eq 0 ] || fail "$example: status $status: $(cat "$work/err")"
  render "$example"
done

# Each case runs in its folder on "input", as the end-to-end runner runs it,
# so that the diagnostics name the file alike.
for folder in "$cases"/*/; do
  name=$(basename "$folder")
  [ -f "$folder/input" ] && [ ! -f "$folder/args" ] || continue
  (cd "$folder" && "$program" input) >"$work/graph.gv" 2>"$work/err"
  status=$?
  expected=$(cat "$folder/status")
  if [ "$expected" = 1 ]; then
    # kelvarin's diagnostic lines, then its fixed message without the
    # block around it (the last six lines).
    {
      head -n -6 "$folder/stderr" | sed 's/^kelvarin: /kelvarin-graph: /'
      sed -n 's/^Kelvarin error: \(.*\) $/kelvarin-graph: error: \1/p' "$folder/stderr"
    } >"$work/err.expected"
    [ $status -eq 1 ] && [ ! -s "$work/graph.gv" ] || fail "$name: status $status, or a graph"
    cmp -s "$work/err" "$work/err.expected" ||
      fail "$name: standard error was:"$'\n'"$(cat "$work/err")"
    continue
  fi
  # kelvarin's notes on its near-tie warnings are its own; a figure that
  # overflowed, a warning under its report, fails the graph.
  sed '/^kelvarin: note: near tie/d
    s/^kelvarin: warning: \(.* not finite: solving\)/kelvarin-graph: error: \1/
    s/^kelvarin: /kelvarin-graph: /' "$folder/stderr" >"$work/err.expected"
  grep -q ' not finite: solving' "$work/err.expected" && expected_status=1 || expected_status=0
  [ $status -eq $expected_status ] || fail "$name: status $status: $(cat "$work/err")"
  if [ "$expected" = abort ]; then
    # A singular M: a note, and no weights.
    grep -q "^kelvarin-graph: note: M, .* is singular" "$work/err" ||
      fail "$name: no note of the singular M: $(cat "$work/err")"
    ! grep -q 'Q = ' "$work/graph.gv" || fail "$name: weights drawn for a singular M"
  else
    cmp -s "$work/err.expected" "$work/err" ||
      fail "$name: standard error was:"$'\n'"$(cat "$work/err")"
  fi
  render "$name"
done

# Descriptions, each with the text that its SVG must show (as XML writes it).
descriptions=(
  'say "hi" to {all} & <you>'
  'back\slash \N \G \n \l \r \\'
  'a lone trailing backslash \'
  'entities &lt; &amp; &#65;'
  $'controls \x01 \x1b[31m \x7f, a tab\there, a CR\r here'
  $'not UTF-8: \xff \xc3( \xc0\xaf \xed\xa0\x80 \x81 end'
  $'UTF-8: caf\xc3\xa9 \xe2\x88\x92 \xc2\x85'
)
shown=(
  'say &quot;hi&quot; to {all} &amp; &lt;you&gt;'
  'back\slash \N \G \n \l \r \\'
  'a lone trailing backslash \'
  'entities &amp;lt; &amp;amp; &amp;#65;'
  'controls \x01 \x1b[31m \x7f, a tab\x09here, a CR\x0d here'
  $'not UTF-8: \xc3\xbf \xc3\x83( \xc3\x80\xc2\xaf \xc3\xad\xc2\xa0\xe2\x82\xac \xef\xbf\xbd end'
  $'UTF-8: caf\xc3\xa9 \xe2\x88\x92 \\xc2\\x85'
)
for i in "${!descriptions[@]}"; do
  printf '%s\n2\n1 -0.5\n0.25 1\n' "${descriptions[$i]}" >"$work/hostile.dat"
  "$program" "$work/hostile.dat" >"$work/graph.gv" 2>"$work/err"
  status=$?
  [ $status -eq 0 ] && [ ! -s "$work/err" ] ||
    fail "description $i: status $status: $(cat "$work/err")"
  render "description $i"
  # dot writes '-' as &#45;.
  sed 's/&#45;/-/g' "$work/graph.svg" | grep -qF ">${shown[$i]}</text>" ||
    fail "description $i: the SVG does not show '${shown[$i]}':"$'\n'"$(grep '<text' "$work/graph.svg")"
done

# The 20-player example: its edges, values and weights as lines
# "FROM TO VALUE" and "Q PLAYER WEIGHT", from the data file and the report,
# and from the graph.
twenty=$examples/group20.dat
report=$cases/twenty_players/stdout
cmp -s "$twenty" "$cases/twenty_players/input" || fail "the case twenty_players is not $twenty"
empath=$(sed -n 's/^The empath is P\([0-9]*\)\.$/\1/p' "$report")
awk 'NR > 2 { for (j = 1; j <= NF; ++j) if (NR - 2 != j && $j != 0) print NR - 2, j, $j + 0 }' \
  "$twenty" | sort >"$work/edges"
awk -v empath="$empath" '/^The vector of weights Q/ { on = 1; next }
  /^The synchronization/ { on = 0 }
  on && NF { ++k; print "Q", k < empath ? k : k + 1, $1 }' "$report" | sort >"$work/weights"
for min in 0 0.5; do
  "$program" --min $min "$twenty" >"$work/graph.gv" 2>"$work/err" || fail "--min $min: status $?"
  awk -v min=$min '{ v = $3 < 0 ? -$3 : $3; if (v >= min) print }' "$work/edges" >"$work/expected"
  cat "$work/weights" >>"$work/expected"
  sort -o "$work/expected" "$work/expected"
  {
    sed -n 's/^  P\([0-9]*\) -> P\([0-9]*\) \[label="\([^"\\]*\).*/\1 \2 \3/p' "$work/graph.gv" |
      awk '{ $3 += 0; print }'
    sed -n 's/^  P\([0-9]*\) .*Q = \([^"\\]*\)".*/Q \1 \2/p' "$work/graph.gv"
  } | sort >"$work/drawn"
  diff "$work/expected" "$work/drawn" >"$work/diff" ||
    fail "--min $min: edges or weights differ (< expected, > drawn):"$'\n'"$(cat "$work/diff")"
  all=$(wc -l <"$work/edges")
  left_out=$((all - $(grep -cv '^Q' "$work/expected")))
  if [ "$min" = 0 ]; then
    ! grep -q 'left out' "$work/graph.gv" || fail "--min 0: the title speaks of edges left out"
  else
    grep -qF "$left_out of $all edges left out: |influence| < $min" "$work/graph.gv" ||
      fail "--min $min: the title does not say that $left_out of $all edges are left out"
  fi
  # Negative edges, and only they, are dashed.
  [ "$(grep -c -- '-> P.*label="-.*style=dashed' "$work/graph.gv")" = \
    "$(grep -c 'style=dashed' "$work/graph.gv")" ] || fail "--min $min: a positive edge is dashed"
  [ "$(grep -c -- '-> P.*label="-' "$work/graph.gv")" = \
    "$(grep -c 'style=dashed' "$work/graph.gv")" ] || fail "--min $min: a negative edge is solid"
done
render "$twenty --min 0.5"

# A leader is a near tie only when the next sum is within 0.0001: a zero
# first column makes kelvarin warn, but its empath leads by 0.125.
printf 'Zero column\n3\n0 0.5 0.25\n0 1 0.75\n0 0.5 1\n' >"$work/zero.dat"
"$program" "$work/zero.dat" 2>/dev/null | grep -qF 'empath P3, driver P2;' ||
  fail "a zero column: the title marks a near tie"
printf 'Identity\n2\n1 0\n0 1\n' >"$work/identity.dat"
"$program" "$work/identity.dat" | grep -qF 'empath P1 (near tie), driver P1 (near tie)' ||
  fail "equal sums: the title does not mark the near ties"
printf 'Column tie\n3\n1 0 0\n0 1 0\n0.5 0.5 1\n' >"$work/column_tie.dat"
"$program" "$work/column_tie.dat" 2>/dev/null | grep -qF 'empath P1 (near tie), driver P3;' ||
  fail "a near tie of the empath only: the title marks it on the wrong leader"

# An edge's width is in proportion to its |influence|, from 1 to 4 points.
"$program" "$examples/triad.dat" >"$work/graph.gv"
grep -qxF '  P1 -> P3 [label="0.25\nQ = -0.1667", penwidth=2.00];' "$work/graph.gv" ||
  fail "triad: the edge P1 -> P3 is not as its influence, weight and width"$'\n'"$(cat "$work/graph.gv")"

# Weights that overflowed are said in words, with their sign.
(cd "$cases/inverse_overflow" && "$program" input) >"$work/graph.gv" 2>/dev/null
for label in 'P3 -> P1 [label="1e+10\nQ is not a number"' \
  'P4 -> P1 [label="1e+10\nQ overflowed to infinity"' \
  'P5 -> P1 [label="1e+10\nQ overflowed to minus infinity"' 'P7 -> P1 [label="1e+10\nQ = -1e+280"'; do
  grep -qF "  $label" "$work/graph.gv" || fail "inverse_overflow: no edge $label"
done

# The command line, each with its status and the start of what it prints.
triad=$examples/triad.dat
while IFS='|' read -r expected start arguments; do
  read -ra words <<<"$arguments"
  "$program" "${words[@]}" >"$work/out" 2>&1
  status=$?
  [ $status -eq "$expected" ] && [ "$(head -c ${#start} "$work/out")" = "$start" ] ||
    fail "kelvarin-graph $arguments: status $status:"$'\n'"$(cat "$work/out")"
done <<EOF
0|Usage: kelvarin-graph [--min=X] FILE|--help
0|Usage: kelvarin-graph [--min=X] FILE|--he
0|kelvarin-graph (Kelvarin) |--version
2|kelvarin-graph: error: no data file given|
2|kelvarin-graph: error: --min needs an argument|$triad --min
2|kelvarin-graph: error: --min needs a number of at least 0, not '-1'|--min -1 $triad
2|kelvarin-graph: error: --min needs a number, not 'nan'|--min nan $triad
2|kelvarin-graph: error: --min needs a finite number, not 'inf'|--min=inf $triad
2|kelvarin-graph: error: --min needs a number, not '0.5x'|--min 0.5x $triad
2|kelvarin-graph: error: --min is beyond the range of double precision: '1e-400'|--min 1e-400 $triad
2|kelvarin-graph: error: --help takes no argument, not '--help=x'|--help=x
2|kelvarin-graph: error: unknown option '--mix=0.5'|--mix=0.5 $triad
2|kelvarin-graph: error: unknown option '-x'|-x $triad
2|kelvarin-graph: error: one data file is drawn at a time; another is '$triad'|$triad $triad
1|kelvarin-graph: error: cannot open '-x': no such file|-- -x
1|kelvarin-graph: error: cannot open '/dev/null': it is a device|/dev/null
0|digraph|--min 1e-3 -- $triad
0|digraph|--mi=0 $triad
EOF
# --min=X as --min X; "-" is standard input.
"$program" --min 0.5 "$twenty" >"$work/spaced.gv"
"$program" --min=0.5 - <"$twenty" >"$work/graph.gv" && cmp -s "$work/spaced.gv" "$work/graph.gv" ||
  fail "--min=0.5 with standard input differs from --min 0.5 with the file"
"$program" --help >/dev/full 2>"$work/err"
status=$?
[ $status -eq 1 ] && grep -q '^kelvarin-graph: error: cannot write the help' "$work/err" ||
  fail "the help written to a full disk: status $status: $(cat "$work/err")"
"$program" "$triad" >/dev/full 2>"$work/err"
status=$?
[ $status -eq 1 ] && grep -q '^kelvarin-graph: error: cannot write the graph' "$work/err" ||
  fail "a graph written to a full disk: status $status: $(cat "$work/err")"

[ $failures -eq 0 ] || exit 1
echo "kelvarin-graph: all DOT rendered by dot without a message; edges and weights as the matrix"
