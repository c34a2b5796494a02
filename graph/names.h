// The players' names that label a picture: given on the command line as a
// comma-separated list, or read from a file with one name a line. A data
// file holds no names; these only label the drawing, and a player without
// one is drawn as Pk.
#ifndef KELVARIN_GRAPH_NAMES_H_
#define KELVARIN_GRAPH_NAMES_H_

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// Return the names in text, split at each separator (',' for a list, '\n'
// for a file's lines): blanks and tabs around a name, a carriage return
// before a line's end and a leading UTF-8 byte-order mark are left out; an
// empty name stays, as a player drawn as Pk. The text after the last
// separator is a name when it is not empty, so a file's last line may end
// with a line end or not.
std::vector<std::string> SplitNames(std::string_view text, char separator);

// Read stream into *text up to its end, or up to one byte more than most
// (text is then longer than most). Return false when it could not be read.
bool ReadUpTo(std::FILE* stream, size_t most, std::string* text);

#endif  // KELVARIN_GRAPH_NAMES_H_
