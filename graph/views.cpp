#include "graph/views.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "text/utf8.h"

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

// The font size of the heat map's cells.
constexpr int kCellFontSize = 10;

// Room for "#rrggbb".
constexpr int kColourCapacity = 8;

// A colour channel's largest value.
constexpr double kChannelMax = 255.0;

// WCAG's relative luminance: the weights of red, green and blue, the sRGB
// curve's linear part and power law, and the flare in a contrast ratio.
constexpr double kRedWeight = 0.2126;
constexpr double kGreenWeight = 0.7152;
constexpr double kBlueWeight = 0.0722;
constexpr double kLinearEnd = 0.04045;
constexpr double kLinearSlope = 12.92;
constexpr double kGammaOffset = 0.055;
constexpr double kGamma = 2.4;
constexpr double kFlare = 0.05;

// The legend shows the scale at this many steps on each side of 0.
constexpr int kLegendSteps = 4;

// Room for a cell's attributes and its thick sides.
constexpr int kAttributesCapacity = 80;
constexpr int kSidesCapacity = 8;

// Return the colour of an influence whose magnitude is fraction (0 to 1)
// of the largest, on the arm of its sign.
Rgb ScaleColour(double fraction, bool negative) {
  const Rgb* scale = negative ? kNegativeScale : kPositiveScale;
  const double position = std::fmin(std::fmax(fraction, 0.0), 1.0) * (kSteps - 1);
  const int low = std::min(static_cast<int>(position), kSteps - 2);
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
    out = WriteHex(
        static_cast<unsigned char>(std::lround(std::fmin(std::fmax(channel, 0.0), kChannelMax))),
        out);
  }
  *out = '\0';
}

// Return channel (0 to 255) as linear light from 0 to 1.
double Linear(double channel) {
  const double c = channel / kChannelMax;
  return c <= kLinearEnd ? c / kLinearSlope
                         : std::pow((c + kGammaOffset) / (1 + kGammaOffset), kGamma);
}

// Return the text colour that reads best on fill, white or black: the one
// of the greater contrast ratio by WCAG's relative luminance.
const char* TextColour(const Rgb& fill) {
  const double luminance = kRedWeight * Linear(fill.red) + kGreenWeight * Linear(fill.green) +
                           kBlueWeight * Linear(fill.blue);
  const double on_white = (1 + kFlare) / (luminance + kFlare);
  const double on_black = (luminance + kFlare) / kFlare;
  return on_white > on_black ? "#ffffff" : "#000000";
}

// Write one shaded cell holding value, its colour from value over largest;
// attributes go into the TD tag as they are.
void WriteShadedCell(std::FILE* stream, double value, double largest, const char* attributes) {
  const Rgb fill = ScaleColour(largest > 0.0 ? std::fabs(value) / largest : 0.0, value < 0.0);
  char colour[kColourCapacity];
  FormatColour(colour, fill);
  char number[kNumberCapacity];
  FormatNumber(number, value, numbers::Form::kGeneral, kLabelDigits);
  std::fprintf(stream, "<TD%s BGCOLOR=\"%s\"><FONT COLOR=\"%s\">%s</FONT></TD>", attributes, colour,
               TextColour(fill), number);
}

// Write a header cell for player: "Pk" or its name, bold, its role under it and its
// fill when it has one.
void WriteHeaderCell(std::FILE* stream, const GroupGraph& graph, int player) {
  const bool empath = player == graph.analysis->empath.player;
  const bool driver = player == graph.analysis->driver.player;
  const char* fill = empath ? kEmpathFill : driver ? kDriverFill : "#ffffff";
  std::fprintf(stream, "<TD BGCOLOR=\"%s\"><B>%s</B>", fill,
               PlayerText(graph, player, Markup::kHtml).c_str());
  if (empath || driver) {
    std::fprintf(stream, "<BR/><FONT POINT-SIZE=\"8\">%s%s%s</FONT>", empath ? "empath" : "",
                 empath && driver ? ", " : "", driver ? "driver" : "");
  }
  std::fprintf(stream, "</TD>");
}

// Write into attributes the cell's ID "aROW_COLUMN" (1-based) and, on the
// empath's column and the driver's row, the thick black sides that bound
// them.
void FormatCellAttributes(char attributes[kAttributesCapacity], const GroupGraph& graph, int from,
                          int to) {
  char sides[kSidesCapacity] = {};
  (void)std::snprintf(sides, sizeof sides, "%s%s", to == graph.analysis->empath.player ? "LR" : "",
                      from == graph.analysis->driver.player ? "TB" : "");
  const bool thick = sides[0] != '\0';
  (void)std::snprintf(attributes, kAttributesCapacity, " ID=\"a%d_%d\"%s%s%s", from + 1, to + 1,
                      thick ? " BORDER=\"3\" COLOR=\"#000000\" SIDES=\"" : "", sides,
                      thick ? "\"" : "");
}

// Write the header row: the corner, a header per player, and the margins'.
void WriteHeaderRow(std::FILE* stream, const GroupGraph& graph) {
  std::fprintf(stream, "<TR><TD><FONT POINT-SIZE=\"8\">row on<BR/>column</FONT></TD>");
  for (int to = 0; to < graph.analysis->n; ++to) {
    WriteHeaderCell(stream, graph, to);
  }
  std::fprintf(stream, "<TD><FONT POINT-SIZE=\"8\">row sum<BR/>of squares</FONT></TD>");
  if (graph.analysis->has_weights) {
    std::fprintf(stream, "<TD><FONT POINT-SIZE=\"8\">weight Q<BR/>on %s</FONT></TD>",
                 PlayerText(graph, graph.analysis->empath.player, Markup::kHtml).c_str());
  }
  std::fprintf(stream, "</TR>\n");
}

// Write player from's row: its header, a cell per influence (one a line),
// its row sum of squares, bold for the driver, and its weight Q.
void WritePlayerRow(std::FILE* stream, const GroupGraph& graph, int from, double largest) {
  const Analysis& analysis = *graph.analysis;
  std::fprintf(stream, "<TR>");
  WriteHeaderCell(stream, graph, from);
  std::fprintf(stream, "\n");
  char number[kWeightCapacity];
  for (int to = 0; to < analysis.n; ++to) {
    // -0 is shown as 0.
    const double value = gsl_matrix_get(graph.influence, from, to) + 0.0;
    char attributes[kAttributesCapacity];
    FormatCellAttributes(attributes, graph, from, to);
    if (from == to) {
      FormatNumber(number, value, numbers::Form::kGeneral, kLabelDigits);
      std::fprintf(stream, "<TD%s BGCOLOR=\"%s\"><I>%s</I></TD>\n", attributes, kDiagonalFill,
                   number);
    } else {
      WriteShadedCell(stream, value, largest, attributes);
      std::fprintf(stream, "\n");
    }
  }
  FormatNumber(number, analysis.row_sums[from], numbers::Form::kGeneral, kLabelDigits);
  const bool driver = from == analysis.driver.player;
  std::fprintf(stream, "<TD ALIGN=\"RIGHT\">%s%s%s</TD>", driver ? "<B>" : "", number,
               driver ? "</B>" : "");
  if (analysis.has_weights && from == analysis.empath.player) {
    std::fprintf(stream, "<TD></TD>");
  } else if (analysis.has_weights) {
    FormatWeight(number, "", Weight(analysis, from));
    std::fprintf(stream, "<TD ID=\"q%d\" ALIGN=\"RIGHT\">%s</TD>", from + 1, number);
  }
  std::fprintf(stream, "</TR>\n");
}

// Write the bottom margin: the column sums of squares, bold for the empath.
void WriteSumsRow(std::FILE* stream, const GroupGraph& graph) {
  const Analysis& analysis = *graph.analysis;
  std::fprintf(stream, "<TR><TD><FONT POINT-SIZE=\"8\">column sum<BR/>of squares</FONT></TD>");
  char number[kNumberCapacity];
  for (int to = 0; to < analysis.n; ++to) {
    FormatNumber(number, analysis.column_sums[to], numbers::Form::kGeneral, kLabelDigits);
    const bool empath = to == analysis.empath.player;
    std::fprintf(stream, "<TD>%s%s%s</TD>", empath ? "<B>" : "", number, empath ? "</B>" : "");
  }
  std::fprintf(stream, "<TD BORDER=\"0\"></TD>%s</TR>\n",
               analysis.has_weights ? "<TD BORDER=\"0\"></TD>" : "");
}

// Write the matrix's table: the header row, a row per player with its
// row sum of squares and weight, and the column sums of squares.
void WriteMatrixTable(std::FILE* stream, const GroupGraph& graph, double largest) {
  std::fprintf(stream,
               "<TABLE BORDER=\"0\" CELLBORDER=\"1\" CELLSPACING=\"0\" CELLPADDING=\"3\" "
               "COLOR=\"#9e9e9e\">\n");
  WriteHeaderRow(stream, graph);
  for (int from = 0; from < graph.analysis->n; ++from) {
    WritePlayerRow(stream, graph, from, largest);
  }
  WriteSumsRow(stream, graph);
  std::fprintf(stream, "</TABLE>");
}

// Write the legend: the scale's colours at steps of a quarter of the
// largest off-diagonal |influence|, the diagonal's grey, and what the thick
// outlines mean.
void WriteLegend(std::FILE* stream, const GroupGraph& graph, double largest) {
  std::fprintf(stream,
               "<TABLE BORDER=\"0\" CELLBORDER=\"1\" CELLSPACING=\"0\" CELLPADDING=\"3\" "
               "COLOR=\"#9e9e9e\"><TR><TD BORDER=\"0\">negative</TD>");
  const int steps = largest > 0.0 ? kLegendSteps : 0;
  for (int step = -steps; step <= steps; ++step) {
    WriteShadedCell(stream, largest * step / kLegendSteps, largest, "");
  }
  std::fprintf(stream,
               "<TD BORDER=\"0\">positive</TD><TD BORDER=\"0\"> </TD>"
               "<TD BGCOLOR=\"%s\"><I>own</I></TD><TD BORDER=\"0\">the diagonal, "
               "off the scale</TD></TR>\n",
               kDiagonalFill);
  // The first row's cells: the scale's, and five around them.
  const int cells = 2 * steps + 1 + 5;
  std::fprintf(stream,
               "<TR><TD BORDER=\"0\" COLSPAN=\"%d\">The darker, the larger the influence; "
               "the thick outlines mark the empath %s's column and the driver %s's "
               "row.</TD></TR></TABLE>",
               cells, PlayerText(graph, graph.analysis->empath.player, Markup::kHtml).c_str(),
               PlayerText(graph, graph.analysis->driver.player, Markup::kHtml).c_str());
}

}  // namespace

void WriteHeatmap(std::FILE* stream, const GroupGraph& graph) {
  // The scale's end is the largest off-diagonal |influence|, as the network's
  // widest edge: the diagonal, mostly larger, would wash the others out.
  GroupGraph network = graph;
  network.view = View::kNetwork;
  const double largest = LargestInfluence(network);
  WriteGraphStart(stream, graph, "Heat map: row Pi's influence on column Pj");
  std::fprintf(stream, "  node [shape=plain, fontsize=%d];\n", kCellFontSize);
  std::fprintf(stream, "  heatmap [label=<<TABLE BORDER=\"0\" CELLSPACING=\"8\">\n<TR><TD>");
  WriteMatrixTable(stream, graph, largest);
  std::fprintf(stream, "</TD></TR>\n<TR><TD>");
  WriteLegend(stream, graph, largest);
  std::fprintf(stream, "</TD></TR>\n</TABLE>>];\n}\n");
}

void WriteFocus(std::FILE* stream, const GroupGraph& graph) {
  const Analysis& analysis = *graph.analysis;
  const int n = analysis.n;
  const double largest = LargestInfluence(graph);
  const std::string view_line = "Focus: the influences on the empath " +
                                PlayerText(graph, analysis.empath.player, Markup::kQuoted) +
                                " and those of the driver " +
                                PlayerText(graph, analysis.driver.player, Markup::kQuoted);
  WriteGraphStart(stream, graph, view_line.c_str());
  // Left to right: the driver's influences fan out to the players, whose
  // influences gather into the empath.
  std::fprintf(stream, "  rankdir=LR;\n  ranksep=1.2;\n");
  for (int player = 0; player < n; ++player) {
    WriteNode(stream, graph, player);
  }
  if (analysis.empath.player != analysis.driver.player) {
    std::fprintf(stream, "  { rank=source; P%d; }\n  { rank=sink; P%d; }\n",
                 analysis.driver.player + 1, analysis.empath.player + 1);
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
