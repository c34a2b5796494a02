// The C library's console as the programs' objects see it in a face:
// face/console.syms renames their uses of stdout, stderr, printf, puts,
// putchar, exit and abort to these. Standard output is the report being
// written (kelvarin_stdout, set by Report while it writes), standard error
// takes every byte and keeps none (every message of the shared code goes to
// its diagnostics, which are kept), and what would end the process throws
// std::logic_error, which the face's edge makes its language's error.
#ifndef KELVARIN_FACE_CONSOLE_H_
#define KELVARIN_FACE_CONSOLE_H_

#include <cstdio>

extern "C" {
extern std::FILE* kelvarin_stdout;
extern std::FILE* kelvarin_stderr;

// Open kelvarin_stderr; once, before anything else of the face runs.
void kelvarin_open_console();
}

#endif  // KELVARIN_FACE_CONSOLE_H_
