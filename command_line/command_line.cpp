// The companions' command line: getopt_long with the true reason for each
// refusal, and the end of what they write.
#include "command_line/command_line.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "numbers/numbers.h"
#include "text/utf8.h"
#include "version/version.h"

namespace {

// Return the number of options whose name begins with name, and set match
// to the last of them (or to the one it names exactly); candidates gets
// their names in alphabetical order, "--a, --b or --c".
int Matches(std::string_view name, const option* options, const option** match,
            std::string* candidates) {
  std::vector<std::string> names;
  for (const option* o = options; o->name != nullptr; ++o) {
    if (name == o->name) {
      *match = o;
      return 1;
    }
    if (std::string_view(o->name).substr(0, name.size()) == name) {
      *match = o;
      names.push_back(std::string("--") + o->name);
    }
  }
  std::sort(names.begin(), names.end());
  for (size_t i = 0; i < names.size(); ++i) {
    *candidates += (i == 0 ? "" : i + 1 < names.size() ? ", " : " or ") + names[i];
  }
  return static_cast<int>(names.size());
}

// Report the option argument that getopt_long refused, with the true reason.
[[noreturn]] void BadOption(const Program& program, const char* argument, int short_option,
                            const option* options) {
  if (short_option != 0 && std::strncmp(argument, "--", 2) != 0) {
    const char text[] = {'-', static_cast<char>(short_option), '\0'};
    BadCommandLine(program, "unknown option", text);
  }
  const std::string_view written = argument + 2;
  const size_t equals = written.find('=');
  const option* match = nullptr;
  std::string candidates;
  const int count = Matches(written.substr(0, equals), options, &match, &candidates);
  if (count == 0) {
    BadCommandLine(program, "unknown option", argument);
  }
  if (count > 1) {
    const std::string what =
        "--" + Escaped(std::string(written.substr(0, equals))) + " is ambiguous: " + candidates;
    BadCommandLine(program, what.c_str());
  }
  if (match->has_arg == no_argument && equals != std::string_view::npos) {
    std::string what = std::string("--") + match->name + " takes no argument, not";
    BadCommandLine(program, what.c_str(), argument);
  }
  std::string what = std::string("--") + match->name + " needs an argument";
  BadCommandLine(program, what.c_str());
}

}  // namespace

Argument NextArgument(const Program& program, int argc, char* argv[], const char* short_options,
                      const option* options, bool* options_ended) {
  // "-" first: operands come back in their place among the options, and
  // ":" reports a missing argument apart from an unknown option; -h is
  // --help.
  const std::string optstring = std::string("-:h") + short_options;
  opterr = 0;
  // After "--" every argument is an operand.
  const int c = *options_ended ? -1 : getopt_long(argc, argv, optstring.c_str(), options, nullptr);
  if (c == -1) {
    *options_ended = true;
    if (optind < argc) {
      return Argument{1, argv[optind++]};
    }
    return Argument{};
  }
  if (c == '?') {
    BadOption(program, argv[optind - 1], optopt, options);
  }
  if (c == ':') {
    // A long option's missing argument, or (from mingw-w64's getopt_long,
    // where glibc's gives '?') an argument to an option that takes none.
    const char* argument = argv[optind - 1];
    if (std::strncmp(argument, "--", 2) == 0) {
      BadOption(program, argument, 0, options);
    }
    const std::string what = std::string("-") + static_cast<char>(optopt) + " needs an argument";
    BadCommandLine(program, what.c_str());
  }
  // The help or the version ends the process: a failure to write it, too.
  if (c == kHelpOption || c == 'h') {
    program.print_help();
    std::exit(FinishOutput(program, "the help") ? kSuccess : kFailure);
  }
  if (c == kVersionOption) {
    PrintVersion(program);
    std::exit(FinishOutput(program, "the version") ? kSuccess : kFailure);
  }
  return Argument{c, optarg};
}

void BadCommandLine(const Program& program, const char* what, const char* argument) {
  Diagnostics diagnostics;
  diagnostics.program = program.name;
  if (argument != nullptr) {
    SayAboutProgram(&diagnostics, Severity::kError, "%s '%s'", what, Escaped(argument).c_str());
  } else {
    SayAboutProgram(&diagnostics, Severity::kError, "%s", what);
  }
  SayAboutProgram(&diagnostics, Severity::kNote, "usage: %s %s; '%s --help' tells more",
                  program.name, program.usage, program.name);
  std::exit(kBadCommandLine);
}

const char* TakeLabel(const Program& program, const char* label, const char* name) {
  if (label != nullptr) {
    BadCommandLine(program, "--label names the FILE given next, which has one already:", name);
  }
  return name;
}

void LabelAllUsed(const Program& program, const char* label) {
  if (label != nullptr) {
    BadCommandLine(program, "--label names the FILE given next, and none follows it:", label);
  }
}

template <typename Number>
OptionNumber ReadOptionNumber(const char* text, Number low, Number high, Number* value) {
  const char* end = text + std::strlen(text);
  Number number = 0;
  std::from_chars_result result{};
  if constexpr (std::is_floating_point_v<Number>) {
    result = numbers::FromChars(text, end, &number);
  } else {
    result = std::from_chars(text, end, number);
  }
  // A number too large (or a double too small) to hold, written whole.
  if (result.ec == std::errc::result_out_of_range && result.ptr == end) {
    return OptionNumber::kOutOfRange;
  }
  if (result.ec != std::errc() || result.ptr != end) {
    return OptionNumber::kNotNumber;
  }
  if constexpr (std::is_floating_point_v<Number>) {
    if (std::isnan(number)) {
      return OptionNumber::kNotNumber;
    }
    if (std::isinf(number)) {
      return OptionNumber::kInfinite;
    }
  }
  if (number < low) {
    return OptionNumber::kBelow;
  }
  if (number > high) {
    return OptionNumber::kAbove;
  }
  *value = number;
  return OptionNumber::kRead;
}

template OptionNumber ReadOptionNumber(const char*, int, int, int*);
template OptionNumber ReadOptionNumber(const char*, long long, long long, long long*);
template OptionNumber ReadOptionNumber(const char*, std::uint64_t, std::uint64_t, std::uint64_t*);
template OptionNumber ReadOptionNumber(const char*, double, double, double*);

void PrintVersion(const Program& program) {
  std::printf("%s (Kelvarin) %s\n", program.name, kProgramVersion);
  std::printf("License GPLv3+: GNU General Public License version 3 or later.\n");
}

bool FinishOutput(const Program& program, const char* what) {
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    Diagnostics diagnostics;
    diagnostics.program = program.name;
    SayAboutProgram(&diagnostics, Severity::kError, "cannot write %s: %s", what,
                    SystemReason(errno));
    return false;
  }
  return true;
}
