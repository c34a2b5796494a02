#!/usr/bin/env bash
# Checks kelvarin-graph's DOT with Graphviz's dot, which must render it with
# no warning and no error, in each view (the network, --heatmap, --focus and
# --top 3):
#   every example and every end-to-end case that has a data file: a file
#     that kelvarin reports on gives a graph (and kelvarin's warnings, and a
#     note on the tangle when the network has more than 8 players), one it
#     rejects gives kelvarin's diagnostics and error text and no graph
#   random groups of 2 to 20 players: the note on the tangle from 9 players
#     on, a heat map at most 1,600 points wide, and --top's ties
#   descriptions with every kind of byte that DOT or a label treats
#     specially, drawn as the text itself (bytes that are not UTF-8 as
#     Windows-1252, and said to be so)
#   the examples' networks drawn by neato and sfdp with no node over another
#   the 20-player example: one edge per non-zero influence of one player on
#     another, with its value and sign, those below --min, beyond --top or
#     outside --focus left out and counted in the title, and the weights Q
#     of the report; its heat map's cells and weights
# (graph_options_test.sh checks the title's near ties, the labels, the command
# line and the failures to write.)
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

# The views beside the network, each drawn for every file the network is.
views=(--heatmap --focus '--top 3')

# The note on a network of more than 8 players.
tangle() {
  echo "kelvarin-graph: note: a group of $1 players draws as a tangle of edges: try --heatmap, --focus or --top 3"
}

# The width in points of the SVG in $work/graph.svg.
svg_width() {
  sed -n 's/^<svg width="\([0-9.]*\)pt".*/\1/p' "$work/graph.svg"
}

# Draw $2 in each view with status $3 and standard error $work/err.views,
# and render each; a heat map must be at most 1,600 points wide.
render_views() {
  local view status
  for view in "${views[@]}"; do
    read -ra words <<<"$view"
    "$program" "${words[@]}" "$2" >"$work/graph.gv" 2>"$work/err"
    status=$?
    [ $status -eq "$3" ] && cmp -s "$work/err" "$work/err.views" ||
      fail "$1 $view: status $status, standard error:"$'\n'"$(cat "$work/err")"
    render "$1 $view"
    if [ "$view" = --heatmap ] && ! awk -v w="$(svg_width)" 'BEGIN { exit !(w > 0 && w <= 1600) }'; then
      fail "$1 --heatmap: $(svg_width) points wide"
    fi
  done
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
  grep -v '^kelvarin-graph: note: a group of .* tangle' "$work/err" >"$work/err.views"
  render_views "$example" "$example" 0
done

# neato and sfdp draw the examples' networks with no node over another: the
# number of pairs of nodes whose boxes meet, from their centres and sizes.
for example in "$examples"/triad.dat "$examples"/group20.dat; do
  "$program" "$example" >"$work/graph.gv" 2>/dev/null
  for engine in neato sfdp; do
    overlaps=$("$engine" -Tplain "$work/graph.gv" | awk '$1 == "node" {
        n++; x[n] = $3; y[n] = $4; w[n] = $5; h[n] = $6 }
      END {
        for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++)
          if ((x[i] - x[j]) ^ 2 < ((w[i] + w[j]) / 2) ^ 2 && (y[i] - y[j]) ^ 2 < ((h[i] + h[j]) / 2) ^ 2) c++
        print (n > 0 ? c + 0 : "no nodes")
      }')
    [ "$overlaps" = 0 ] || fail "$example: $engine draws $overlaps pairs of nodes over each other"
  done
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
  players=$(grep -c '^  P[0-9]* \[label=' "$work/graph.gv")
  [ "$players" -le 8 ] || tangle "$players" >>"$work/err.expected"
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
  # The views say what the network says, less the note on the tangle.
  grep -vxF "$(tangle "$players")" "$work/err" >"$work/err.views"
  here=$PWD
  cd "$folder" && render_views "$name" input $expected_status
  cd "$here" || exit 1
done

# Random groups of 2 to 20 players, drawn in every view, each a description
# line, N and N rows: two-decimal values in [-1, 1] with zeros, values from
# {-1, -0.5, 0, 0.5, 1} with many ties, or values of 4 to 7 significant
# digits from 1e-6 to 1e6 in magnitude, the widest labels.
for group in 2:decimals 3:ties 8:decimals 9:ties 14:wide 17:decimals 20:ties 20:wide; do
  n=${group%%:*}
  kind=${group#*:}
  awk -v n="$n" -v kind="$kind" -v seed="$((301 + n))" 'BEGIN {
    srand(seed)
    printf "Random %s group of %d\n%d\n", kind, n, n
    for (i = 1; i <= n; ++i) {
      for (j = 1; j <= n; ++j) {
        if (kind == "ties") v = (int(rand() * 5) - 2) / 2
        else if (kind == "wide") v = (rand() < 0.5 ? -1 : 1) * 10 ^ (12 * rand() - 6)
        else v = rand() < 0.15 ? 0 : int(rand() * 201 - 100) / 100
        if (i == j) v = kind == "wide" ? v * 3 : 1 + rand()
        printf "%s%.7g", (j > 1 ? " " : ""), v
      }
      printf "\n"
    }
  }' >"$work/random$n$kind.dat"
done
for file in "$work"/random*.dat; do
  n=$(sed -n 2p "$file")
  "$program" "$file" >"$work/graph.gv" 2>"$work/err"
  status=$?
  render "$(basename "$file")"
  # A singular M is a note of its own; the tangle's note comes from 9 on.
  grep -v '^kelvarin-graph: note: M, .* is singular' "$work/err" >"$work/err.views"
  { [ "$n" -le 8 ] || tangle "$n"; } >"$work/tangle"
  [ $status -eq 0 ] && cmp -s "$work/err.views" "$work/tangle" ||
    fail "$(basename "$file"): status $status, standard error:"$'\n'"$(cat "$work/err")"
  grep '^kelvarin-graph: note: M, .* is singular' "$work/err" >"$work/err.views"
  render_views "$(basename "$file")" "$file" 0
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
# The description that is not UTF-8 is said to be read as Windows-1252.
not_utf8="$work/hostile.dat:1:12: warning: the description is not UTF-8; it is read as Windows-1252: '"$'\xc3\xbf'
for i in "${!descriptions[@]}"; do
  printf '%s\n2\n1 -0.5\n0.25 1\n' "${descriptions[$i]}" >"$work/hostile.dat"
  "$program" "$work/hostile.dat" >"$work/graph.gv" 2>"$work/err"
  status=$?
  if [ "$i" = 5 ]; then
    [ "$(head -n 1 "$work/err" | cut -d "'" -f 1-2)" = "$not_utf8" ] && [ "$(wc -l <"$work/err")" = 3 ] ||
      fail "description $i: not said to be read as Windows-1252: $(cat "$work/err")"
    cp "$work/err" "$work/err.said"
  else
    : >"$work/err.said"
  fi
  [ $status -eq 0 ] && cmp -s "$work/err" "$work/err.said" ||
    fail "description $i: status $status: $(cat "$work/err")"
  render "description $i"
  # dot writes '-' as &#45;.
  # grep reads to the end: with -q, sed could die of SIGPIPE and fail the pipe.
  sed 's/&#45;/-/g' "$work/graph.svg" | grep -F ">${shown[$i]}</text>" >/dev/null ||
    fail "description $i: the SVG does not show '${shown[$i]}':"$'\n'"$(grep '<text' "$work/graph.svg")"
  for view in "${views[@]}"; do
    read -ra words <<<"$view"
    "$program" "${words[@]}" "$work/hostile.dat" >"$work/graph.gv" 2>"$work/err" &&
      cmp -s "$work/err" "$work/err.said" || fail "description $i $view: $(cat "$work/err")"
    render "description $i $view"
    # grep reads to the end: with -q, sed could die of SIGPIPE and fail the pipe.
  sed 's/&#45;/-/g' "$work/graph.svg" | grep -F ">${shown[$i]}</text>" >/dev/null ||
      fail "description $i $view: the SVG does not show '${shown[$i]}'"
  done
done

# The 20-player example: its edges, values and weights as lines
# "FROM TO VALUE" and "Q PLAYER WEIGHT", from the data file and the report,
# and from the graph.
twenty=$examples/group20.dat
report=$cases/twenty_players/stdout
cmp -s "$twenty" "$cases/twenty_players/input" || fail "the case twenty_players is not $twenty"
empath=$(sed -n 's/^The empath is P\([0-9]*\)\.$/\1/p' "$report")
driver=$(sed -n 's/^The driver is P\([0-9]*\)\.$/\1/p' "$report")
awk 'NR > 2 { for (j = 1; j <= NF; ++j) if (NR - 2 != j && $j != 0) print NR - 2, j, $j + 0 }' \
  "$twenty" | sort >"$work/edges"
awk -v empath="$empath" '/^The vector of weights Q/ { on = 1; next }
  /^The synchronization/ { on = 0 }
  on && NF { ++k; print "Q", k < empath ? k : k + 1, $1 }' "$report" | sort >"$work/weights"

# Write to $work/expected the edges of $work/edges that are drawn with
# --min $1, --top $2 (0: none) and, when $3 is 1, --focus: in the focus,
# into the empath or out of the driver; among a player's $2 largest
# |influence| on the others, a tie to the lower player; |influence| >= $1.
# Write "EDGES LEFT_OUT" of the view to $work/counts.
expect_edges() {
  awk -v min="$1" -v top="$2" -v focus="$3" -v empath="$empath" -v driver="$driver" \
    -v counts="$work/counts" '
    { from[NR] = $1; to[NR] = $2; value[NR] = $3; size[NR] = $3 < 0 ? -$3 : $3 }
    END {
      for (e = 1; e <= NR; ++e) {
        if (focus && to[e] != empath && from[e] != driver) continue
        ++edges
        keep = size[e] >= min
        stronger = 0
        for (o = 1; o <= NR; ++o)
          if (o != e && from[o] == from[e] &&
              (size[o] > size[e] || (size[o] == size[e] && to[o] < to[e]))) ++stronger
        if (top > 0 && stronger >= top) keep = 0
        if (keep) print from[e], to[e], value[e]; else ++left_out
      }
      print edges + 0, left_out + 0 >counts
    }' "$work/edges" | sort >"$work/expected"
}

# The edges "FROM TO VALUE" of the DOT in $work/graph.gv, and with $1 the
# weights "Q PLAYER WEIGHT" on its edges and in its nodes, to $work/drawn.
drawn_edges() {
  {
    sed -n 's/^  P\([0-9]*\) -> P\([0-9]*\) \[label="\([^"\\]*\).*/\1 \2 \3/p' "$work/graph.gv" |
      awk '{ $3 += 0; print }'
    [ -z "${1:-}" ] || sed -n 's/^  P\([0-9]*\) .*Q = \([^"\\]*\)".*/Q \1 \2/p' "$work/graph.gv"
  } | sort >"$work/drawn"
}

# Each row: --min, --top and --focus (1) as the options give them.
while read -r min top focus; do
  options=()
  [ "$min" = 0 ] || options+=(--min "$min")
  [ "$top" = 0 ] || options+=(--top "$top")
  [ "$focus" = 0 ] || options+=(--focus)
  name="${options[*]:-the network}"
  "$program" "${options[@]}" "$twenty" >"$work/graph.gv" 2>"$work/err" || fail "$name: status $?"
  expect_edges "$min" "$top" "$focus"
  cat "$work/weights" >>"$work/expected"
  sort -o "$work/expected" "$work/expected"
  drawn_edges weights
  diff "$work/expected" "$work/drawn" >"$work/diff" ||
    fail "$name: edges or weights differ (< expected, > drawn):"$'\n'"$(cat "$work/diff")"
  read -r all left_out <"$work/counts"
  reason=
  [ "$min" = 0 ] || reason="|influence| < $min"
  [ "$top" = 0 ] || reason="${reason:+$reason or }not among each player's $top strongest"
  if [ -z "$reason" ]; then
    ! grep -q 'left out' "$work/graph.gv" || fail "$name: the title speaks of edges left out"
  else
    grep -qF "$left_out of $all edges left out: $reason\"" "$work/graph.gv" ||
      fail "$name: the title does not say that $left_out of $all edges are left out: $reason"
  fi
  # Negative edges, and only they, are dashed.
  [ "$(grep -c -- '-> P.*label="-.*style=dashed' "$work/graph.gv")" = \
    "$(grep -c 'style=dashed' "$work/graph.gv")" ] || fail "$name: a positive edge is dashed"
  [ "$(grep -c -- '-> P.*label="-' "$work/graph.gv")" = \
    "$(grep -c 'style=dashed' "$work/graph.gv")" ] || fail "$name: a negative edge is solid"
  # The note on the tangle, for the network without --top.
  { [ "$top$focus" != 00 ] || tangle 20; } >"$work/tangle"
  cmp -s "$work/err" "$work/tangle" || fail "$name: standard error was:"$'\n'"$(cat "$work/err")"
  render "$name"
done <<ROWS
0 0 0
0.5 0 0
0 3 0
0.85 1 0
0 25 0
0 0 1
0.5 3 1
ROWS

# --top on the random groups whose values often tie: a tie goes to the
# lower player. The empath and the driver are the title's.
for file in "$work"/random*ties.dat; do
  for top in 1 2; do
    for focus in 0 1; do
      options=(--top $top)
      [ $focus = 0 ] || options+=(--focus)
      "$program" "${options[@]}" "$file" >"$work/graph.gv" 2>"$work/err" ||
        fail "$(basename "$file") ${options[*]}: status $?: $(cat "$work/err")"
      empath=$(sed -n 's/^  label=.*empath P\([0-9]*\).*/\1/p' "$work/graph.gv")
      driver=$(sed -n 's/^  label=.*driver P\([0-9]*\).*/\1/p' "$work/graph.gv")
      awk 'NR > 2 { for (j = 1; j <= NF; ++j) if (NR - 2 != j && $j != 0) print NR - 2, j, $j + 0 }' \
        "$file" >"$work/edges"
      expect_edges 0 $top $focus
      drawn_edges
      diff "$work/expected" "$work/drawn" >"$work/diff" ||
        fail "$(basename "$file") ${options[*]}: edges differ:"$'\n'"$(cat "$work/diff")"
    done
  done
done
empath=$(sed -n 's/^The empath is P\([0-9]*\)\.$/\1/p' "$report")
driver=$(sed -n 's/^The driver is P\([0-9]*\)\.$/\1/p' "$report")

# The heat map of the 20-player example: a cell "ROW COLUMN VALUE" per
# influence with 4 significant digits, the weights of the report, and the
# empath and the driver named in their headers.
"$program" --heatmap "$twenty" >"$work/graph.gv" 2>"$work/err" && [ ! -s "$work/err" ] ||
  fail "--heatmap $twenty: $(cat "$work/err")"
awk 'NR > 2 { for (j = 1; j <= NF; ++j) printf "%d %d %.4g\n", NR - 2, j, $j == 0 ? 0 : $j }' \
  "$twenty" | sort >"$work/expected"
sed -n 's/^<TD ID="a\([0-9]*\)_\([0-9]*\)"[^>]*>\(<FONT[^>]*>\|<I>\)\([^<]*\)<.*/\1 \2 \4/p' \
  "$work/graph.gv" | awk '{ printf "%d %d %.4g\n", $1, $2, $3 }' | sort >"$work/drawn"
[ "$(wc -l <"$work/drawn")" = 400 ] && diff "$work/expected" "$work/drawn" >"$work/diff" ||
  fail "--heatmap: the cells are not the matrix (< file, > heat map):"$'\n'"$(cat "$work/diff")"
# Each shaded cell has its influence's sign: more blue than red when
# positive, more red than blue when negative, grey when 0.
sed -n 's/^<TD ID="a\([0-9]*_[0-9]*\)"[^>]* BGCOLOR="#\(..\)..\(..\)"><FONT[^>]*>\([^<]*\)<.*/\1 \2 \3 \4/p' \
  "$work/graph.gv" | awk '{ red = $2 ""; blue = $3 "" }
    !($4 > 0 && red < blue || $4 < 0 && red > blue || $4 == 0 && red == blue) { print; bad = 1 }
    END { exit !(NR == 380 && !bad) }' >"$work/diff" ||
  fail "--heatmap: cells whose colour has not the sign of their influence:"$'\n'"$(cat "$work/diff")"
grep -o 'ID="q[0-9]*"[^>]*>[^<]*<' "$work/graph.gv" |
  sed 's/ID="q\([0-9]*\)"[^>]*>\([^<]*\)</Q \1 \2/' | sort >"$work/drawn"
diff "$work/weights" "$work/drawn" >"$work/diff" ||
  fail "--heatmap: the weights are not the report's:"$'\n'"$(cat "$work/diff")"
grep -q "<B>P$empath</B><BR/><FONT POINT-SIZE=\"8\">empath<" "$work/graph.gv" &&
  grep -q "<B>P$driver</B><BR/><FONT POINT-SIZE=\"8\">driver<" "$work/graph.gv" ||
  fail "--heatmap: the empath P$empath or the driver P$driver is not named in its header"
render "--heatmap $twenty"

[ $failures -eq 0 ] || exit 1
echo "kelvarin-graph: all DOT rendered by dot without a message; edges and weights as the matrix"
