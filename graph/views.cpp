#include "graph/views.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// A colour as its red, green and blue from 0 to 255.
struct Rgb {
  double red;
  double green;
  double blue;
};

// The two arms of the heat map's diverging scale, from no influence to the
// largest: light grey to dark blue for positive influences, to dark red for
// negative ones. Their lightness falls alike, so grey print keeps the
// magnitude and the number's sign keeps the direction.
constexpr int kSteps = 5;
constexpr Rgb kPositiveScale[kSteps] = {
    {247, 247, 247}, {209, 229, 240}, {146, 197, 222}, {67, 147, 195}, {33, 102, 172}};
constexpr Rgb kNegativeScale[kSteps] = {
    {247, 247, 247}, {253, 219, 199}, {244, 165, 130}, {214, 96, 77}, {178, 24, 43}};

// The diagonal (a player's own influence) is off the scale, in this grey.
constexpr const char* kDiagonalFill = "#e0e0e0";

// The font sizes of the heat map's cells and of its headers and legend.
constexpr int kCellFontSize = 10;

// Room for "#rrggbb".
constexpr int kColourCapacity = 8;

// Return the colour of an influence whose magnitude is fraction (0 to 1)
// of the largest, on the arm of its sign.
Rgb ScaleColour(double fraction, bool negative) {
  const Rgb* scale = negative ? kNegativeScale : kPositiveScale;
  const double position = std::fmin(std::fmax(fraction, 0.0), 1.0) * (kSteps - 1);
  const int low = std::fmin(static_cast<int>(position), kSteps - 2);
  const double weight = position - low;
  const Rgb& a = scale[low];
  const Rgb& b = scale[low + 1];
  return {a.red + (b.red - a.red) * weight, a.green + (b.green - a.green) * weight,
          a.blue + (b.blue - a.blue) * weight};
}

// Write colour as "#rrggbb" into text, NUL-terminated.
void FormatColour(char text[kColourCapacity], const Rgb& colour) {
  char* out = text;
  *out++ = '#';
  for (const double channel : {colour.red, colour.green, colour.blue}) {
    const int value = static_cast<int>(std::lround(std::fmin(std::fmax(channel, 0.0), 255.0)));
    if (value < 16) {
      *out++ = '0';
    }
    out = std::to_chars(out, text + kColourCapacity - 1, value, 16).ptr;
  }
  *out = '\0';
}

// Return the relative luminance of colour (0 black to 1 white) by WCAG's
// formula, to choose the text colour of the greater contrast.
double Luminance(const Rgb& colour) {
  double sum = 0.0;
  const double weights[] = {0.2126, 0.7152, 0.0722};
  const double channels[] = {colour.red, colour.green, colour.blue};
  for (int i = 0; i < 3; ++i) {
    const double c = channels[i] / 255.0;
    sum += weights[i] * (c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
  }
  return sum;
}

// Return the text colour that reads best on fill: white or black.
const char* TextColour(const Rgb& fill) {
  const double luminance = Luminance(fill);
  return (1.05 / (luminance + 0.05)) > ((luminance + 0.05) / 0.05) ? "#ffffff" : "#000000";
}

// Write one shaded cell holding value, its colour from value over largest;
// attributes go into the TD tag as they are.
void WriteShadedCell(std::FILE* stream, double value, double largest, const char* attributes) {
  const Rgb fill = ScaleColour(largest > 0.0 ? std::fabs(value) / largest : 0.0, value < 0.0);
  char colour[kColourCapacity];
  FormatColour(colour, fill);
  char number[kNumberCapacity];
  FormatNumber(number, value, std::chars_format::general, kLabelDigits);
  std::fprintf(stream, "<TD%s BGCOLOR=\"%s\"><FONT COLOR=\"%s\">%s</FONT></TD>", attributes, colour,
               TextColour(fill), number);
}

// Write a header cell for player: "Pk", bold, its role under it and its
// fill when it has one.
void WritePlayerHeader(std::FILE* stream, const GroupGraph& graph, int player) {
  const bool empath = player == graph.figures->empath;
  const bool driver = player == graph.figures->driver;
  const char* fill = empath ? kEmpathFill : driver ? kDriverFill : "#ffffff";
  std::fprintf(stream, "<TD BGCOLOR=\"%s\"><B>P%d</B>", fill, player + 1);
  if (empath || driver) {
    std::fprintf(stream, "<BR/><FONT POINT-SIZE=\"8\">%s%s%s</FONT>", empath ? "empath" : "",
                 empath && driver ? ", " : "", driver ? "driver" : "");
  }
  std::fprintf(stream, "</TD>");
}

// Write the thick outline's attributes of the cell in row from, column to:
// the sides that bound the empath's column and the driver's row.
void FormatSides(char sides[8], const GroupGraph& graph, int from, int to) {
  char* out = sides;
  if (to == graph.figures->empath) {
    *out++ = 'L';
    *out++ = 'R';
  }
  if (from == graph.figures->driver) {
    *out++ = 'T';
    *out++ = 'B';
  }
  *out = '\0';
}

// Write the matrix's table: the header row, a row per player with its
// row sum of squares and weight, and the column sums of squares.
void WriteMatrixTable(std::FILE* stream, const GroupGraph& graph, double largest) {
  const Figures& figures = *graph.figures;
  const int n = figures.n;
  std::fprintf(stream,
               "<TABLE BORDER=\"0\" CELLBORDER=\"1\" CELLSPACING=\"0\" CELLPADDING=\"3\" "
               "COLOR=\"#9e9e9e\">\n");
  std::fprintf(stream, "<TR><TD><FONT POINT-SIZE=\"8\">row on<BR/>column</FONT></TD>");
  for (int to = 0; to < n; ++to) {
    WritePlayerHeader(stream, graph, to);
  }
  std::fprintf(stream, "<TD><FONT POINT-SIZE=\"8\">row sum<BR/>of squares</FONT></TD>");
  if (figures.has_weights) {
    std::fprintf(stream, "<TD><FONT POINT-SIZE=\"8\">weight Q<BR/>on P%d</FONT></TD>",
                 figures.empath + 1);
  }
  std::fprintf(stream, "</TR>\n");
  char number[kWeightCapacity];
  for (int from = 0; from < n; ++from) {
    std::fprintf(stream, "<TR>");
    WritePlayerHeader(stream, graph, from);
    std::fprintf(stream, "\n");
    for (int to = 0; to < n; ++to) {
      // One line per cell, its ID naming row and column; -0 is shown as 0.
      const double value = gsl_matrix_get(graph.influence, from, to) + 0.0;
      char sides[8];
      FormatSides(sides, graph, from, to);
      char attributes[64];
      (void)std::snprintf(attributes, sizeof attributes, " ID=\"a%d_%d\"%s%s%s", from + 1, to + 1,
                          sides[0] != '\0' ? " BORDER=\"3\" COLOR=\"#000000\" SIDES=\"" : "", sides,
                          sides[0] != '\0' ? "\"" : "");
      if (from == to) {
        FormatNumber(number, value, std::chars_format::general, kLabelDigits);
        std::fprintf(stream, "<TD%s BGCOLOR=\"%s\"><I>%s</I></TD>\n", attributes, kDiagonalFill,
                     number);
      } else {
        WriteShadedCell(stream, value, largest, attributes);
        std::fprintf(stream, "\n");
      }
    }
    FormatNumber(number, figures.row_sums[from], std::chars_format::general, kLabelDigits);
    const bool driver = from == figures.driver;
    std::fprintf(stream, "<TD ALIGN=\"RIGHT\">%s%s%s</TD>", driver ? "<B>" : "", number,
                 driver ? "</B>" : "");
    if (figures.has_weights) {
      if (from == figures.empath) {
        std::fprintf(stream, "<TD></TD>");
      } else {
        FormatWeight(number, "", figures.weights[from]);
        std::fprintf(stream, "<TD ID=\"q%d\" ALIGN=\"RIGHT\">%s</TD>", from + 1, number);
      }
    }
    std::fprintf(stream, "</TR>\n");
  }
  std::fprintf(stream, "<TR><TD><FONT POINT-SIZE=\"8\">column sum<BR/>of squares</FONT></TD>");
  for (int to = 0; to < n; ++to) {
    FormatNumber(number, figures.column_sums[to], std::chars_format::general, kLabelDigits);
    const bool empath = to == figures.empath;
    std::fprintf(stream, "<TD>%s%s%s</TD>", empath ? "<B>" : "", number, empath ? "</B>" : "");
  }
  std::fprintf(stream, "<TD BORDER=\"0\"></TD>%s</TR>\n</TABLE>",
               figures.has_weights ? "<TD BORDER=\"0\"></TD>" : "");
}

// Write the legend: the scale's colours at steps of a quarter of the
// largest off-diagonal |influence|, the diagonal's grey, and what the thick
// outlines mean.
void WriteLegend(std::FILE* stream, const GroupGraph& graph, double largest) {
  std::fprintf(stream,
               "<TABLE BORDER=\"0\" CELLBORDER=\"1\" CELLSPACING=\"0\" CELLPADDING=\"3\" "
               "COLOR=\"#9e9e9e\"><TR><TD BORDER=\"0\">negative</TD>");
  const int quarters = largest > 0.0 ? 4 : 0;
  for (int step = -quarters; step <= quarters; ++step) {
    WriteShadedCell(stream, largest * step / 4.0, largest, "");
  }
  std::fprintf(stream,
               "<TD BORDER=\"0\">positive</TD><TD BORDER=\"0\"> </TD>"
               "<TD BGCOLOR=\"%s\"><I>own</I></TD><TD BORDER=\"0\">the diagonal, "
               "off the scale</TD></TR>\n",
               kDiagonalFill);
  std::fprintf(stream,
               "<TR><TD BORDER=\"0\" COLSPAN=\"%d\">The darker, the larger the influence; "
               "the thick outlines mark the empath P%d's column and the driver P%d's "
               "row.</TD></TR></TABLE>",
               2 * quarters + 6, graph.figures->empath + 1, graph.figures->driver + 1);
}

}  // namespace

void WriteHeatmap(std::FILE* stream, const GroupGraph& graph) {
  // The scale's end is the largest off-diagonal |influence|, as the network's
  // widest edge: the diagonal, mostly larger, would wash the others out.
  GroupGraph network = graph;
  network.view = View::kNetwork;
  const double largest = LargestInfluence(network);
  std::fprintf(stream, "digraph influence {\n");
  std::fprintf(stream, "  charset=\"UTF-8\";\n");
  WriteGraphLabel(stream, graph, "Heat map: row Pi's influence on column Pj");
  std::fprintf(stream, "  labelloc=t;\n");
  std::fprintf(stream, "  node [shape=plain, fontsize=%d];\n", kCellFontSize);
  std::fprintf(stream, "  heatmap [label=<<TABLE BORDER=\"0\" CELLSPACING=\"8\">\n<TR><TD>");
  WriteMatrixTable(stream, graph, largest);
  std::fprintf(stream, "</TD></TR>\n<TR><TD>");
  WriteLegend(stream, graph, largest);
  std::fprintf(stream, "</TD></TR>\n</TABLE>>];\n}\n");
}

void WriteFocus(std::FILE* stream, const GroupGraph& graph) {
  const Figures& figures = *graph.figures;
  const int n = figures.n;
  const double largest = LargestInfluence(graph);
  char view_line[96];
  (void)std::snprintf(view_line, sizeof view_line,
                      "Focus: the influences on the empath P%d and those of the driver P%d",
                      figures.empath + 1, figures.driver + 1);
  std::fprintf(stream, "digraph influence {\n");
  std::fprintf(stream, "  charset=\"UTF-8\";\n");
  WriteGraphLabel(stream, graph, view_line);
  std::fprintf(stream, "  labelloc=t;\n");
  // Left to right: the driver's influences fan out to the players, whose
  // influences gather into the empath.
  std::fprintf(stream, "  rankdir=LR;\n  ranksep=1.2;\n");
  for (int player = 0; player < n; ++player) {
    WriteNode(stream, graph, player);
  }
  if (figures.empath != figures.driver) {
    std::fprintf(stream, "  { rank=source; P%d; }\n  { rank=sink; P%d; }\n", figures.driver + 1,
                 figures.empath + 1);
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
