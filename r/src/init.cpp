// The package's native routines, registered by name for .Call.
#include <R.h>
#include <R_ext/Rdynload.h>
#include <Rinternals.h>

extern "C" {
SEXP kelvarin_read_group(SEXP path);
SEXP kelvarin_analyse(SEXP values, SEXP n);
SEXP kelvarin_report(SEXP values, SEXP n, SEXP description);
SEXP kelvarin_analyse_files(SEXP paths, SEXP names, SEXP jobs, SEXP spread, SEXP draws, SEXP seed);
SEXP kelvarin_perturb(SEXP values, SEXP n, SEXP spread, SEXP draws, SEXP seed);
SEXP kelvarin_dot(SEXP values, SEXP n, SEXP description, SEXP view, SEXP names, SEXP min,
                  SEXP top);
SEXP kelvarin_read_numbers(SEXP texts);

void kelvarin_open_console();

static const R_CallMethodDef kRoutines[] = {
    {"kelvarin_read_group", reinterpret_cast<DL_FUNC>(&kelvarin_read_group), 1},
    {"kelvarin_analyse", reinterpret_cast<DL_FUNC>(&kelvarin_analyse), 2},
    {"kelvarin_report", reinterpret_cast<DL_FUNC>(&kelvarin_report), 3},
    {"kelvarin_analyse_files", reinterpret_cast<DL_FUNC>(&kelvarin_analyse_files), 6},
    {"kelvarin_perturb", reinterpret_cast<DL_FUNC>(&kelvarin_perturb), 5},
    {"kelvarin_dot", reinterpret_cast<DL_FUNC>(&kelvarin_dot), 7},
    {"kelvarin_read_numbers", reinterpret_cast<DL_FUNC>(&kelvarin_read_numbers), 1},
    {nullptr, nullptr, 0}};

void R_init_kelvarin(DllInfo* dll) {
  kelvarin_open_console();
  R_registerRoutines(dll, nullptr, kRoutines, nullptr, nullptr);
  R_useDynamicSymbols(dll, FALSE);
  R_forceSymbols(dll, TRUE);
}
}
