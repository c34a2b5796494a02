// The influence structure of a group as one Graphviz DOT digraph, in one of
// three views: the network (a node per player, an edge per non-zero
// influence of one player on another, the empath and the driver marked, and
// the weights Q on the edges into the empath), the heat map of the matrix,
// and the focus on the empath and the driver. Graphviz lays it out
// (dot -Tsvg, dot -Tpng). The views' own writers are in graph/views.h; the
// parts they share with the network are declared here. The writers do not
// fail: whether the stream took what they wrote is for its owner to ask.
#ifndef KELVARIN_GRAPH_DOT_H_
#define KELVARIN_GRAPH_DOT_H_

#include <gsl/gsl_matrix.h>
#include <gsl/gsl_vector.h>

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/analysis.h"
#include "numbers/numbers.h"
#include "routines/routines.h"

// How a group is drawn.
enum class View {
  kNetwork,  // every influence as an edge
  kHeatmap,  // the matrix as a grid of shaded cells, with its sums and weights
  kFocus,    // only the influences on the empath and those of the driver
};

// What the picture of a group shows. Players are 0-based here and drawn as
// P1 to PN, or by their names as "NAME (Pk)".
struct GroupGraph {
  std::string_view description;           // the data file's first line, any bytes
  const gsl_matrix* influence = nullptr;  // n by n; (i, j) is i's influence on j
  // The analysis of the group: n, the empath and the driver with their
  // margins, and the weights Q and S_E when M is not singular.
  const Analysis* analysis = nullptr;
  double min = 0.0;  // edges whose |influence| is below it are left out
  // When above 0, each player's edges other than its top strongest by
  // |influence| (ties to the lower player) are left out.
  int top = 0;
  View view = View::kNetwork;
  // The players' names, any bytes, in order (graph/names.h); a player past
  // their end or with an empty name is drawn as Pk alone.
  const std::vector<std::string>* names = nullptr;
};

// Return text as the inside of a DOT string that Graphviz draws as the text
// itself: valid UTF-8 (see AsUtf8), controls as \xHH, then '"' as \", '\'
// as \\ (a label would read \n, \l, \N ... as its own escapes) and '&' as
// &amp; (a label would read &lt; as '<').
std::string QuoteLabel(std::string_view text);

// Return text as the inside of an HTML-like label that Graphviz draws as the
// text itself: valid UTF-8 (see AsUtf8), controls as \xHH, and '&', '<',
// '>' and '"' as entities.
std::string HtmlLabel(std::string_view text);

// Where a player's name goes: inside a quoted DOT string, or inside an
// HTML-like label.
enum class Markup { kQuoted, kHtml };

// Return player as drawn, "NAME (Pk)" when graph names it, else "Pk",
// escaped for markup.
std::string PlayerText(const GroupGraph& graph, int player, Markup markup);

// Write graph's influence network as a DOT digraph on stream (the heat map
// and the focus are graph/views.h's). Each edge i -> j (i != j) with
// |influence| >= graph.min is drawn, its width growing with |influence| and
// dashed and red when it is negative; the label gives the influence with 4
// significant digits and, on an edge into the empath, the player's weight
// "Q = " with the report's four decimals (words where it is not finite). A
// weight whose edge is not drawn goes into its player's node label. The
// graph's label is the description, the empath, the driver (each marked as
// a near tie when the next sum is within 0.0001) and S_E, and, when
// graph.min or graph.top is above 0, how many edges they left out.
void WriteDot(std::FILE* stream, const GroupGraph& graph);

// The parts of the DOT that the views share.

// Influences are labelled with this many significant digits, enough to tell
// apart the two-decimal values data files hold.
constexpr int kLabelDigits = 4;

// Room for any number as text: the longest is a fixed-point weight.
constexpr int kNumberCapacity = kFixedCapacity + 1;

// Room for a weight's text with its name.
constexpr int kWeightCapacity = kNumberCapacity + 32;

// The fills of the empath and the driver, kept apart in grey by their
// outlines and shapes, and the colour of negative edges.
constexpr const char* kEmpathFill = "#a5d8ff";
constexpr const char* kDriverFill = "#ffc078";
constexpr const char* kNegativeColour = "#c92a2a";

// Write value into text, NUL-terminated, as std::to_chars writes it in
// format, with precision digits when precision is not negative.
void FormatNumber(char text[kNumberCapacity], double value, numbers::Form format, int precision);

// Write a weight into text, NUL-terminated: "NAME = value" when name is not
// empty, else the value alone; value with the report's four decimals, or
// kLabelDigits significant digits when its magnitude is a million or more,
// or in words when it is not finite.
void FormatWeight(char text[kWeightCapacity], const char* name, double value);

// Return true when the edge from -> to is drawn: an edge that graph.min and
// graph.top keep.
bool IsDrawn(const GroupGraph& graph, int from, int to);

// Return the largest |influence| of an edge, 0 when there is none.
double LargestInfluence(const GroupGraph& graph);

// Begin the digraph: its character set, and its title at its top as its
// label: the description, the empath, the driver and S_E, then view_line
// when it is not empty, then how many edges graph.min and graph.top left out
// when either is set.
void WriteGraphStart(std::FILE* stream, const GroupGraph& graph, const char* view_line);

// Write player's node: its name, its role, and its weight Q when its edge
// into the empath is not drawn; the roles' shapes and fills.
void WriteNode(std::FILE* stream, const GroupGraph& graph, int player);

// Write the edge from -> to, its width in proportion to |influence| over
// largest, dashed and red when negative, with the weight Q when into the
// empath.
void WriteEdge(std::FILE* stream, const GroupGraph& graph, int from, int to, double largest);

#endif  // KELVARIN_GRAPH_DOT_H_
