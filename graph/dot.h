// The influence network of a group as one Graphviz DOT digraph: a node per
// player, an edge per non-zero influence of one player on another, the
// empath and the driver marked, and the weights Q on the edges into the
// empath. Graphviz lays it out (dot -Tsvg, dot -Tpng).
#ifndef KELVARIN_GRAPH_DOT_H_
#define KELVARIN_GRAPH_DOT_H_

#include <gsl/gsl_matrix.h>
#include <gsl/gsl_vector.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "analysis/analysis.h"

// What the picture of a group shows. Players are 0-based here and drawn as
// P1 to PN.
struct GroupGraph {
  std::string_view description;           // the data file's first line, any bytes
  const gsl_matrix* influence = nullptr;  // n by n; (i, j) is i's influence on j
  // The analysis of the group: n, the empath and the driver with their
  // margins, and the weights Q and S_E when M is not singular.
  const Figures* figures = nullptr;
  double min = 0.0;  // edges whose |influence| is below it are left out
};

// Return text as the inside of a DOT string that Graphviz draws as the text
// itself: valid UTF-8 (see AsUtf8), controls as \xHH, then '"' as \", '\'
// as \\ (a label would read \n, \l, \N ... as its own escapes) and '&' as
// &amp; (a label would read &lt; as '<').
std::string QuoteLabel(std::string_view text);

// Write graph as a DOT digraph on stream. Each edge i -> j (i != j) with
// |influence| >= graph.min is drawn, its width growing with |influence| and
// dashed and red when it is negative; the label gives the influence with 4
// significant digits and, on an edge into the empath, the player's weight
// "Q = " with the report's four decimals (words where it is not finite). A
// weight whose edge is not drawn goes into its player's node label. The
// graph's label is the description, the empath, the driver (each marked as
// a near tie when the next sum is within 0.0001) and S_E, and, when
// graph.min is above 0, how many edges it left out.
void WriteDot(std::FILE* stream, const GroupGraph& graph);

#endif  // KELVARIN_GRAPH_DOT_H_
