// The two views of a group beside its network, for groups too large for a
// readable tangle of edges: the heat map of the influence matrix and the
// focus on the empath and the driver. Each is one DOT digraph that
// Graphviz's dot lays out, titled as the network is.
#ifndef KELVARIN_GRAPH_VIEWS_H_
#define KELVARIN_GRAPH_VIEWS_H_

#include <cstdio>

#include "graph/dot.h"

// Write the influence matrix of graph as a grid of shaded cells in one
// HTML-like label: row Pi's influence on column Pj with kLabelDigits
// significant digits, blue when positive and red when negative, the darker
// the larger its magnitude over the largest off-diagonal one (the diagonal
// light grey, off the scale); the empath's column and the driver's row
// outlined thickly and named in their headers; the row sums of squares in a
// right margin, the weights Q beside them (none for the empath, or for a
// singular M), the column sums of squares in a bottom margin; and a legend
// of the colours under it. graph.min and graph.top are not used.
void WriteHeatmap(std::FILE* stream, const GroupGraph& graph);

// Write the influences of graph on the empath (each with its player's
// weight Q) and those of the driver, as kept by graph.min and graph.top,
// left to right: the driver, the other players, the empath. The title also
// says how many edges graph.min and graph.top left out of these.
void WriteFocus(std::FILE* stream, const GroupGraph& graph);

#endif  // KELVARIN_GRAPH_VIEWS_H_
