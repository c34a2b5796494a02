// The base-10 logarithm of the condition number, the same double on every
// system the programs are built for.
#ifndef KELVARIN_LOGARITHM_LOG10_H_
#define KELVARIN_LOGARITHM_LOG10_H_

namespace logarithm {

// Return log10(x) correctly rounded: the double nearest to the exact
// logarithm, as GNU MPFR's mpfr_log10 rounds it to nearest in 53 bits (a C
// library's log10 may be a last bit away, each its own way). 0 gives -inf,
// inf gives inf, a negative x a NaN, and a NaN itself.
double Log10(double x);

}  // namespace logarithm

#endif  // KELVARIN_LOGARITHM_LOG10_H_
