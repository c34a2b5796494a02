#include "graph/dot.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "numbers/numbers.h"
#include "routines/routines.h"
#include "text/utf8.h"

namespace {

// An edge is from kMinPenWidth to kMinPenWidth + kPenWidthRange points
// wide, in proportion to its |influence| over the largest.
constexpr double kMinPenWidth = 1.0;
constexpr double kPenWidthRange = 3.0;

// Weights this large are labelled with kLabelDigits significant digits, not
// with hundreds of digits before the point.
constexpr double kLargeWeight = 1e6;

// Return true when the influence of from on to is an edge of graph.view: not
// zero, from not to, and in the focus, into the empath or out of the driver.
bool IsEdge(const GroupGraph& graph, int from, int to) {
  if (graph.view == View::kFocus && to != graph.analysis->empath.player &&
      from != graph.analysis->driver.player) {
    return false;
  }
  return from != to && gsl_matrix_get(graph.influence, from, to) != 0.0;
}

// Return true when the influence of from on to is among from's graph.top
// strongest on the other players by |influence|, a tie going to the lower
// player. Zero influences are no edges and do not count.
bool IsAmongTop(const GroupGraph& graph, int from, int to) {
  const double strength = std::fabs(gsl_matrix_get(graph.influence, from, to));
  int stronger = 0;
  for (int other = 0; other < graph.analysis->n; ++other) {
    const double other_strength = std::fabs(gsl_matrix_get(graph.influence, from, other));
    if (other != from && other != to && other_strength != 0.0 &&
        (other_strength > strength || (other_strength == strength && other < to))) {
      ++stronger;
    }
  }
  return stronger < graph.top;
}

// Write the title's line on the edges left out, "K of M edges left out: "
// and why, when graph.min or graph.top is set.
void WriteLeftOut(std::FILE* stream, const GroupGraph& graph) {
  if (!(graph.min > 0.0) && graph.top <= 0) {
    return;
  }
  int edges = 0;
  int left_out = 0;
  for (int from = 0; from < graph.analysis->n; ++from) {
    for (int to = 0; to < graph.analysis->n; ++to) {
      if (IsEdge(graph, from, to)) {
        ++edges;
        left_out += IsDrawn(graph, from, to) ? 0 : 1;
      }
    }
  }
  std::fprintf(stream, "\\n%d of %d edges left out: ", left_out, edges);
  if (graph.min > 0.0) {
    char min[kNumberCapacity];
    FormatNumber(min, graph.min, numbers::Form::kGeneral, -1);
    std::fprintf(stream, "|influence| < %s%s", min, graph.top > 0 ? " or " : "");
  }
  if (graph.top > 0) {
    std::fprintf(stream, "not among each player's %d strongest", graph.top);
  }
}

}  // namespace

void FormatNumber(char text[kNumberCapacity], double value, numbers::Form format, int precision) {
  const std::to_chars_result result =
      precision < 0 ? numbers::ToChars(text, text + kNumberCapacity - 1, value, format)
                    : numbers::ToChars(text, text + kNumberCapacity - 1, value, format, precision);
  *result.ptr = '\0';
}

void FormatWeight(char text[kWeightCapacity], const char* name, double value) {
  const bool named = name[0] != '\0';
  if (std::isnan(value)) {
    (void)std::snprintf(text, kWeightCapacity, "%s%snot a number", name, named ? " is " : "");
    return;
  }
  if (std::isinf(value)) {
    (void)std::snprintf(text, kWeightCapacity, "%s%s%sinfinity", name,
                        named ? " overflowed to " : "", value < 0 ? "minus " : "");
    return;
  }
  const int length = std::snprintf(text, kWeightCapacity, "%s%s", name, named ? " = " : "");
  text += length;
  if (std::fabs(value) >= kLargeWeight) {
    FormatNumber(text, value, numbers::Form::kGeneral, kLabelDigits);
  } else {
    *format_fixed(text, value, 0) = '\0';
  }
}

bool IsDrawn(const GroupGraph& graph, int from, int to) {
  return IsEdge(graph, from, to) &&
         !(std::fabs(gsl_matrix_get(graph.influence, from, to)) < graph.min) &&
         (graph.top <= 0 || IsAmongTop(graph, from, to));
}

double LargestInfluence(const GroupGraph& graph) {
  double largest = 0.0;
  for (int from = 0; from < graph.analysis->n; ++from) {
    for (int to = 0; to < graph.analysis->n; ++to) {
      if (IsEdge(graph, from, to)) {
        largest = std::fmax(largest, std::fabs(gsl_matrix_get(graph.influence, from, to)));
      }
    }
  }
  return largest;
}

void WriteGraphStart(std::FILE* stream, const GroupGraph& graph, const char* view_line) {
  const Analysis& analysis = *graph.analysis;
  const std::string description = QuoteLabel(graph.description);
  std::fprintf(stream,
               "digraph influence {\n  charset=\"UTF-8\";\n  label=\"%s%s%d players: empath %s%s, "
               "driver %s%s; ",
               description.c_str(), description.empty() ? "" : "\\n", analysis.n,
               PlayerText(graph, analysis.empath.player, Markup::kQuoted).c_str(),
               IsNearTie(analysis.empath.margin) ? " (near tie)" : "",
               PlayerText(graph, analysis.driver.player, Markup::kQuoted).c_str(),
               IsNearTie(analysis.driver.margin) ? " (near tie)" : "");
  if (analysis.has_weights) {
    char synchronization[kWeightCapacity];
    FormatWeight(synchronization, "S_E", *analysis.s_e);
    std::fprintf(stream, "%s", synchronization);
  } else {
    std::fprintf(stream, "M is singular: no weights Q");
  }
  if (view_line[0] != '\0') {
    std::fprintf(stream, "\\n%s", view_line);
  }
  WriteLeftOut(stream, graph);
  // Layouts other than dot's (neato, sfdp) would draw nodes over each other
  // without overlap=false; dot's own layout is the same. (Edges routed
  // around the nodes, splines=true, make Graphviz 2.43's neato crash on a
  // dense network of 12 or more players.)
  std::fprintf(stream, "\";\n  labelloc=t;\n  overlap=false;\n");
}

void WriteNode(std::FILE* stream, const GroupGraph& graph, int player) {
  const Analysis& analysis = *graph.analysis;
  const bool empath = player == analysis.empath.player;
  const bool driver = player == analysis.driver.player;
  std::fprintf(stream, "  P%d [label=\"%s", player + 1,
               PlayerText(graph, player, Markup::kQuoted).c_str());
  if (empath || driver) {
    std::fprintf(stream, "\\n%s%s%s", empath ? "empath" : "", empath && driver ? ", " : "",
                 driver ? "driver" : "");
  }
  // A weight whose edge into the empath is not drawn is shown here instead.
  if (!empath && analysis.has_weights && !IsDrawn(graph, player, analysis.empath.player)) {
    char weight[kWeightCapacity];
    FormatWeight(weight, "Q", Weight(analysis, player));
    std::fprintf(stream, "\\n%s", weight);
  }
  std::fprintf(stream, "\"");
  // The empath has a double outline and the driver is a box, which black
  // and white print keeps; the fill colours say the same in colour.
  if (empath && driver) {
    std::fprintf(stream, ", shape=box, peripheries=2, style=striped, fillcolor=\"%s:%s\"",
                 kEmpathFill, kDriverFill);
  } else if (empath) {
    std::fprintf(stream, ", peripheries=2, style=filled, fillcolor=\"%s\"", kEmpathFill);
  } else if (driver) {
    std::fprintf(stream, ", shape=box, style=filled, fillcolor=\"%s\"", kDriverFill);
  }
  std::fprintf(stream, "];\n");
}

void WriteEdge(std::FILE* stream, const GroupGraph& graph, int from, int to, double largest) {
  const double value = gsl_matrix_get(graph.influence, from, to);
  char label[kNumberCapacity];
  FormatNumber(label, value, numbers::Form::kGeneral, kLabelDigits);
  char width[kNumberCapacity];
  FormatNumber(width, kMinPenWidth + kPenWidthRange * std::fabs(value) / largest,
               numbers::Form::kFixed, 2);
  std::fprintf(stream, "  P%d -> P%d [label=\"%s", from + 1, to + 1, label);
  if (to == graph.analysis->empath.player && graph.analysis->has_weights) {
    char weight[kWeightCapacity];
    FormatWeight(weight, "Q", Weight(*graph.analysis, from));
    std::fprintf(stream, "\\n%s", weight);
  }
  std::fprintf(stream, "\", penwidth=%s", width);
  if (value < 0.0) {
    std::fprintf(stream, ", style=dashed, color=\"%s\", fontcolor=\"%s\"", kNegativeColour,
                 kNegativeColour);
  }
  std::fprintf(stream, "];\n");
}

std::string QuoteLabel(std::string_view text) {
  const std::string escaped = Escaped(AsUtf8(text));
  std::string out;
  for (const char byte : escaped) {
    if (byte == '"') {
      out += "\\\"";
    } else if (byte == '\\') {
      out += "\\\\";
    } else if (byte == '&') {
      out += "&amp;";
    } else {
      out += byte;
    }
  }
  return out;
}

std::string HtmlLabel(std::string_view text) {
  const std::string escaped = Escaped(AsUtf8(text));
  std::string out;
  for (const char byte : escaped) {
    switch (byte) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += byte;
    }
  }
  return out;
}

std::string PlayerText(const GroupGraph& graph, int player, Markup markup) {
  std::string number = "P" + std::to_string(player + 1);
  if (graph.names == nullptr || static_cast<size_t>(player) >= graph.names->size() ||
      (*graph.names)[player].empty()) {
    return number;
  }
  const std::string& name = (*graph.names)[player];
  return (markup == Markup::kQuoted ? QuoteLabel(name) : HtmlLabel(name)) + " (" + number + ")";
}

void WriteDot(std::FILE* stream, const GroupGraph& graph) {
  const double largest = LargestInfluence(graph);
  const int n = graph.analysis->n;
  WriteGraphStart(stream, graph, "");
  for (int player = 0; player < n; ++player) {
    WriteNode(stream, graph, player);
  }
  for (int from = 0; from < n; ++from) {
    for (int to = 0; to < n; ++to) {
      if (IsDrawn(graph, from, to)) {
        WriteEdge(stream, graph, from, to, largest);
      }
    }
  }
  std::fprintf(stream, "}\n");
}
