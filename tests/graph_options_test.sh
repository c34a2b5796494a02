#!/usr/bin/env bash
# Checks kelvarin-graph's title and labels, its command line and its
# failures to write:
#   a byte-order mark left out of the description in the title
#   a leader is a near tie in the title only when the next sum is within
#     0.0001; an edge's width and label; weights that overflowed in words
#   the command line: status 2 when it is wrong (with the true reason), 1 for
#     a file that does not open or a graph that cannot be written, 0 for
#     --help, -h and --version; --min=X as --min X; "-" as standard input;
#     --label=NAME naming the file given next in the messages
#   names from --names or --names-from label the players, escaped for the
#     quoted labels and for the heat map's HTML-like ones
# Usage: graph_options_test.sh <kelvarin-graph> <examples folder> <cases folder>
set -uo pipefail
program=$(realpath "$1")
examples=$2
cases=$3
twenty=$examples/group20.dat
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# A leader is a near tie only when the next sum is within 0.0001: a zero
# first column makes kelvarin warn, but its empath leads by 0.125. (grep reads
# all of the graph: quitting at the match could cut the program's later
# writes off, and pipefail would count that.)
printf 'Zero column\n3\n0 0.5 0.25\n0 1 0.75\n0 0.5 1\n' >"$work/zero.dat"
"$program" "$work/zero.dat" 2>/dev/null | grep -F 'empath P3, driver P2;' >/dev/null ||
  fail "a zero column: the title marks a near tie"
printf 'Identity\n2\n1 0\n0 1\n' >"$work/identity.dat"
"$program" "$work/identity.dat" | grep -F 'empath P1 (near tie), driver P1 (near tie)' >/dev/null ||
  fail "equal sums: the title does not mark the near ties"
printf 'Column tie\n3\n1 0 0\n0 1 0\n0.5 0.5 1\n' >"$work/column_tie.dat"
"$program" "$work/column_tie.dat" 2>/dev/null | grep -F 'empath P1 (near tie), driver P3;' >/dev/null ||
  fail "a near tie of the empath only: the title marks it on the wrong leader"

# A byte-order mark is no part of the description in the title.
printf '\357\273\277Gruppe M\303\274ller\n2\n1 0\n0 1\n' >"$work/marked.dat"
"$program" "$work/marked.dat" 2>/dev/null | grep -F '  label="Gruppe Müller\n2 players' >/dev/null ||
  fail "a byte-order mark: $("$program" "$work/marked.dat" 2>&1 | grep label=)"

# An edge's width is in proportion to its |influence|, from 1 to 4 points,
# whatever its sign. Each row: the data file and one of its edges.
printf 'Negative\n2\n1 -0.5\n0.25 1\n' >"$work/negative.dat"
while IFS='|' read -r file edge; do
  "$program" "$file" >"$work/graph.gv"
  grep -qxF "$edge" "$work/graph.gv" ||
    fail "$file: no edge as its influence, weight and width: $edge"$'\n'"$(cat "$work/graph.gv")"
done <<EOF
$examples/triad.dat|  P1 -> P3 [label="0.25\nQ = -0.1667", penwidth=2.00];
$work/negative.dat|  P1 -> P2 [label="-0.5\nQ = -0.5000", penwidth=4.00, style=dashed, color="#c92a2a", fontcolor="#c92a2a"];
EOF

# Weights that overflowed are said in words, with their sign.
(cd "$cases/inverse_overflow" && "$program" input) >"$work/graph.gv" 2>/dev/null
for label in 'P3 -> P1 [label="1e+10\nQ is not a number"' \
  'P4 -> P1 [label="1e+10\nQ overflowed to infinity"' \
  'P5 -> P1 [label="1e+10\nQ overflowed to minus infinity"' 'P7 -> P1 [label="1e+10\nQ = -1e+280"'; do
  grep -qF "  $label" "$work/graph.gv" || fail "inverse_overflow: no edge $label"
done

# Names label the players as "NAME (Pk)": a byte-order mark, blanks and a
# carriage return left out, an empty line keeping Pk, and each character
# that means something to Graphviz escaped where it goes. Each row: the
# options and a line of the graph.
printf '\357\273\277 A&B <x> "q" \r\n\nZo\303\253\\\n' >"$work/names.txt"
while IFS='|' read -r options line; do
  read -ra words <<<"${options//NAMES/$work/names.txt}"
  "$program" "${words[@]}" "$examples/triad.dat" >"$work/graph.gv" 2>&1
  grep -qF -- "$line" "$work/graph.gv" || fail "$options: no line $line"$'\n'"$(cat "$work/graph.gv")"
done <<'EOF'
--names-from=NAMES|  P1 [label="A&amp;B <x> \"q\" (P1)"];
--names-from=NAMES|  P2 [label="P2\ndriver", shape=box
--names-from=NAMES|3 players: empath Zoë\\ (P3), driver P2;
--names-from=NAMES --heatmap|<B>A&amp;B &lt;x&gt; &quot;q&quot; (P1)</B>
--names=,Ben --focus|the influences on the empath P3 and those of the driver Ben (P2)"
EOF

# The command line, each with its status and the start of what it prints.
triad=$examples/triad.dat
while IFS='|' read -r expected start arguments; do
  read -ra words <<<"$arguments"
  "$program" "${words[@]}" >"$work/out" 2>&1
  status=$?
  [ $status -eq "$expected" ] && [ "$(head -c ${#start} "$work/out")" = "$start" ] ||
    fail "kelvarin-graph $arguments: status $status:"$'\n'"$(cat "$work/out")"
done <<EOF
0|Usage: kelvarin-graph [--heatmap|--help
0|Usage: kelvarin-graph [--heatmap|--hel
2|kelvarin-graph: error: --he is ambiguous: --heatmap or --help|--he
0|Usage: kelvarin-graph [--heatmap|-h $triad
0|kelvarin-graph (Kelvarin) |--version
2|kelvarin-graph: error: no data file given|
2|kelvarin-graph: error: --min needs an argument|$triad --min
2|kelvarin-graph: error: --min needs a number of at least 0, not '-1'|--min -1 $triad
2|kelvarin-graph: error: --min needs a number, not 'nan'|--min nan $triad
2|kelvarin-graph: error: --min needs a finite number, not 'inf'|--min=inf $triad
2|kelvarin-graph: error: --min needs a number, not '0.5x'|--min 0.5x $triad
2|kelvarin-graph: error: --min is beyond the range of double precision: '1e-400'|--min 1e-400 $triad
2|kelvarin-graph: error: --min needs a number, not '1e400x'|--min 1e400x $triad
2|kelvarin-graph: error: --help takes no argument, not '--help=x'|--help=x
2|kelvarin-graph: error: unknown option '--mix=0.5'|--mix=0.5 $triad
2|kelvarin-graph: error: unknown option '-x'|-x $triad
2|kelvarin-graph: error: one data file is drawn at a time; another is '$triad'|$triad $triad
1|kelvarin-graph: error: cannot open '-x': no such file|-- -x
1|kelvarin-graph: error: cannot open '/dev/null': it is a device|/dev/null
0|--help.dat:6:1: warning: 3 more numbers|--label=--help.dat $cases/trailing_text/input
2|kelvarin-graph: error: --label names the FILE given next, and none follows it: 'x'|$triad --label=x
2|kelvarin-graph: error: --label names the FILE given next, which has one already: 'y'|--label=x --label=y $triad
0|digraph|--min 1e-3 -- $triad
2|kelvarin-graph: error: --heatmap and --focus are two views: give one of them|--heatmap --focus $triad
2|kelvarin-graph: error: --heatmap draws every influence: --top and --min are for the network and --focus|--heatmap --min 0 $triad
2|kelvarin-graph: error: --heatmap draws every influence: --top and --min are for the network and --focus|--top=2 --heatmap $triad
2|kelvarin-graph: error: --top needs a whole number of at least 1, not '0'|--top 0 $triad
2|kelvarin-graph: error: --top needs a whole number of at least 1, not '-1'|--top -1 $triad
2|kelvarin-graph: error: --top needs a whole number, not '2.5'|--top 2.5 $triad
2|kelvarin-graph: error: --top needs a whole number, not ''|--top= $triad
2|kelvarin-graph: error: --top needs a whole number, not '+3'|--top=+3 $triad
2|kelvarin-graph: error: --top needs an argument|$triad --top
0|digraph|--top=99999999999999999999 --focus --focus --min 0.1 $triad
0|digraph|--top=2147483647 $triad
2|kelvarin-graph: error: --top needs a whole number, not '99999999999999999999x'|--top 99999999999999999999x $triad
2|kelvarin-graph: error: --top needs a whole number of at least 1, not '-99999999999999999999'|--top=-99999999999999999999 $triad
0|digraph|--heatmap --heatmap $triad
0|digraph|--mi=0 $triad
2|kelvarin-graph: error: the players are named once, by --names or --names-from; again by 'b'|--names=a --names-from=b $triad
2|kelvarin-graph: error: cannot open the names file (no such file) '$work/none'|--names-from=$work/none $triad
0|kelvarin-graph: warning: 4 names for a group of 3 players: only the first 3 are drawn|--names=a,b,c,d $triad
0|kelvarin-graph: warning: 1 name for a group of 3 players: the players after P1 are drawn as numbers|--names=a $triad
EOF
# A label is the name of the file given next in every message.
"$program" --label=shown.dat -- -x >"$work/out" 2>&1
[ "$(cat "$work/out")" = "kelvarin-graph: error: cannot open 'shown.dat': no such file
kelvarin-graph: error: Data file not found: shown.dat" ] || fail "a labelled missing file: $(cat "$work/out")"
# --min=X as --min X; "-" is standard input.
"$program" --min 0.5 "$twenty" >"$work/spaced.gv" 2>/dev/null
"$program" --min=0.5 - <"$twenty" >"$work/graph.gv" 2>/dev/null && cmp -s "$work/spaced.gv" "$work/graph.gv" ||
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
echo "kelvarin-graph: the title, the labels, the command line and the failures to write as expected"
