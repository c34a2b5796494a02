#include "graph/dot.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "numbers/numbers.h"
#include "reader/diagnostics.h"
#include "routines/routines.h"

namespace {

// Influences are labelled with this many significant digits, enough to tell
// apart the two-decimal values data files hold.
constexpr int kLabelDigits = 4;

// An edge is from kMinPenWidth to kMinPenWidth + kPenWidthRange points
// wide, in proportion to its |influence| over the largest.
constexpr double kMinPenWidth = 1.0;
constexpr double kPenWidthRange = 3.0;

// Colours that stay apart in grey, where the outlines and shapes also tell
// the roles apart: the empath's fill, the driver's, and negative edges.
constexpr const char* kEmpathFill = "#a5d8ff";
constexpr const char* kDriverFill = "#ffc078";
constexpr const char* kNegativeColour = "#c92a2a";

// Room for any number as text: the longest is a fixed-point weight.
constexpr int kNumberCapacity = kFixedCapacity + 1;

// Write value into text, NUL-terminated, as std::to_chars writes it in
// format, with precision digits when precision is not negative.
void FormatNumber(char text[kNumberCapacity], double value, numbers::Form format,
                  int precision) {
  const std::to_chars_result result =
      precision < 0 ? numbers::ToChars(text, text + kNumberCapacity - 1, value, format)
                    : numbers::ToChars(text, text + kNumberCapacity - 1, value, format, precision);
  *result.ptr = '\0';
}

// Weights this large are labelled with kLabelDigits significant digits, not
// with hundreds of digits before the point.
constexpr double kLargeWeight = 1e6;

// Room for a weight's text with its name and words.
constexpr int kWeightCapacity = kNumberCapacity + 32;

// Write "NAME = value" into text, NUL-terminated, value with the report's
// four decimals, or as a label's influence when its magnitude is
// kLargeWeight or more; in words when it is not finite.
void FormatWeight(char text[kWeightCapacity], const char* name, double value) {
  if (std::isnan(value)) {
    (void)std::snprintf(text, kWeightCapacity, "%s is not a number", name);
    return;
  }
  if (std::isinf(value)) {
    (void)std::snprintf(text, kWeightCapacity, "%s overflowed to %sinfinity", name,
                        value < 0 ? "minus " : "");
    return;
  }
  const int length = std::snprintf(text, kWeightCapacity, "%s = ", name);
  text += length;
  if (std::fabs(value) >= kLargeWeight) {
    FormatNumber(text, value, numbers::Form::kGeneral, kLabelDigits);
  } else {
    *format_fixed(text, value, 0) = '\0';
  }
}

bool IsEdge(const GroupGraph& graph, int from, int to) {
  return from != to && gsl_matrix_get(graph.influence, from, to) != 0.0;
}

bool IsDrawn(const GroupGraph& graph, int from, int to) {
  return IsEdge(graph, from, to) &&
         !(std::fabs(gsl_matrix_get(graph.influence, from, to)) < graph.min);
}

void WriteGraphLabel(std::FILE* stream, const GroupGraph& graph, int edges, int left_out) {
  const Figures& figures = *graph.figures;
  const std::string description = QuoteLabel(graph.description);
  std::fprintf(stream, "  label=\"%s%s%d players: empath P%d%s, driver P%d%s; ",
               description.c_str(), description.empty() ? "" : "\\n", figures.n, figures.empath + 1,
               IsNearTie(figures.empath_margin) ? " (near tie)" : "", figures.driver + 1,
               IsNearTie(figures.driver_margin) ? " (near tie)" : "");
  if (figures.has_weights) {
    char synchronization[kWeightCapacity];
    FormatWeight(synchronization, "S_E", *figures.s_e);
    std::fprintf(stream, "%s", synchronization);
  } else {
    std::fprintf(stream, "M is singular: no weights Q");
  }
  if (graph.min > 0.0) {
    char min[kNumberCapacity];
    FormatNumber(min, graph.min, numbers::Form::kGeneral, -1);
    std::fprintf(stream, "\\n%d of %d edges left out: |influence| < %s", left_out, edges, min);
  }
  std::fprintf(stream, "\";\n");
}

void WriteNode(std::FILE* stream, const GroupGraph& graph, int player) {
  const Figures& figures = *graph.figures;
  const bool empath = player == figures.empath;
  const bool driver = player == figures.driver;
  std::fprintf(stream, "  P%d [label=\"P%d", player + 1, player + 1);
  if (empath || driver) {
    std::fprintf(stream, "\\n%s%s%s", empath ? "empath" : "", empath && driver ? ", " : "",
                 driver ? "driver" : "");
  }
  // A weight whose edge into the empath is not drawn is shown here instead.
  if (!empath && figures.has_weights && !IsDrawn(graph, player, figures.empath)) {
    char weight[kWeightCapacity];
    FormatWeight(weight, "Q", figures.weights[player]);
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
  if (to == graph.figures->empath && graph.figures->has_weights) {
    char weight[kWeightCapacity];
    FormatWeight(weight, "Q", graph.figures->weights[from]);
    std::fprintf(stream, "\\n%s", weight);
  }
  std::fprintf(stream, "\", penwidth=%s", width);
  if (value < 0.0) {
    std::fprintf(stream, ", style=dashed, color=\"%s\", fontcolor=\"%s\"", kNegativeColour,
                 kNegativeColour);
  }
  std::fprintf(stream, "];\n");
}

}  // namespace

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

void WriteDot(std::FILE* stream, const GroupGraph& graph) {
  int edges = 0;
  int left_out = 0;
  double largest = 0.0;
  const int n = graph.figures->n;
  for (int from = 0; from < n; ++from) {
    for (int to = 0; to < n; ++to) {
      if (IsEdge(graph, from, to)) {
        ++edges;
        left_out += IsDrawn(graph, from, to) ? 0 : 1;
        largest = std::fmax(largest, std::fabs(gsl_matrix_get(graph.influence, from, to)));
      }
    }
  }

  std::fprintf(stream, "digraph influence {\n");
  std::fprintf(stream, "  charset=\"UTF-8\";\n");
  WriteGraphLabel(stream, graph, edges, left_out);
  std::fprintf(stream, "  labelloc=t;\n");
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
