// The influence network of a group as one Graphviz DOT digraph: a node per
// player, an edge per non-zero influence of one player on another, the
// empath and the driver marked, and the weights Q on the edges into the
// empath. Graphviz lays it out (dot -Tsvg, dot -Tpng).
#ifndef KELVARIN_GRAPH_DOT_H_
#define KELVARIN_GRAPH_DOT_H_

#include <gsl/gsl_matrix.h>
#include <gsl/gsl_vector.h>

#include <cstdio>

// What the picture of a group shows. Players are 0-based here and drawn as
// P1 to PN.
struct GroupGraph {
  const char* description = "";           // the data file's first line, any bytes
  const gsl_matrix* influence = nullptr;  // n by n; (i, j) is i's influence on j
  int n = 0;
  int empath = 0;
  int driver = 0;
  bool empath_tie = false;  // another column sum of squares is within 0.0001
  bool driver_tie = false;  // another row sum of squares is within 0.0001
  // Q, the weights of the other players' influence on the empath in player
  // order without the empath; null when M is singular and Q does not exist.
  const gsl_vector* q = nullptr;
  double synchronization = 0.0;  // S_E = V' . Q, when q is not null
  double min = 0.0;              // edges whose |influence| is below it are left out
};

// Room for a label of the description: each of its bytes may become a
// four-byte escape, and each of those may double in DOT.
constexpr int kQuotedCapacity = 1024;

// Write text[0..length) into out (capacity bytes, NUL-terminated) as the
// inside of a DOT string that Graphviz draws as the text itself: bytes that
// are controls or not valid UTF-8 as \xHH, then '"' as \", '\' as \\ (a
// label would read \n, \l, \N ... as its own escapes) and '&' as &amp; (a
// label would read &lt; as '<'). Text that does not fit is cut.
void QuoteLabel(const char* text, size_t length, char* out, size_t capacity);

// Write graph as a DOT digraph on stream. Each edge i -> j (i != j) with
// |influence| >= graph.min is drawn, its width growing with |influence| and
// dashed and red when it is negative; the label gives the influence with 4
// significant digits and, on an edge into the empath, the player's weight
// "Q = " with the report's four decimals. A weight whose edge is not drawn
// goes into its player's node label. The graph's label is the description,
// the empath, the driver and S_E, and, when graph.min is above 0, how many
// edges it left out.
void WriteDot(std::FILE* stream, const GroupGraph& graph);

#endif  // KELVARIN_GRAPH_DOT_H_
