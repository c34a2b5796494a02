// How sure a group's figures are under measurement error: the group
// analysed again for each of K draws, in which every influence value gets an
// independent error uniform on [-D, D] and is rounded to single precision
// as the reader rounds a value; how often the empath and the driver stay,
// how often M is singular, and the spread of S_E.
//
// The errors come from SplitMix64 over a 64-bit counter that starts from the
// seed S for every group: its k-th number, k from 1, is z = S + k *
// 0x9E3779B97F4A7C15 (modulo 2^64), then z = (z ^ (z >> 30)) *
// 0xBF58476D1CE4E5B9, z = (z ^ (z >> 27)) * 0x94D049BB133111EB, z ^= z >> 31.
// Draw after draw, the values take the numbers in row order. A number's 53
// high bits make u = (z >> 11) * 2^-53 in [0, 1), exactly, and the value x
// becomes the double x + D * (2u - 1) rounded to the nearest float (ties to
// even) and widened back. Every step is one IEEE operation, and no function
// of the C library's mathematics is called, so every system draws the same
// values and finds the same figures.
#ifndef KELVARIN_ANALYSIS_SURENESS_H_
#define KELVARIN_ANALYSIS_SURENESS_H_

#include <gsl/gsl_matrix.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/analysis.h"

// The error model and the draws: D, in the values' units, K and S.
// A caller may be told of each draw, and stop them: between_draws, when
// not null, is called with context after each draw, and the draws end when
// it returns false.
struct Perturbation {
  double spread = 0.0;  // D > 0
  long long draws = 0;  // K
  std::uint64_t seed = 1;
  bool (*between_draws)(void* context) = nullptr;
  void* context = nullptr;
};

// The largest float, 0x1.fffffep127: the largest D, and beyond it no drawn
// value can be held.
constexpr double kLargestFloat = 0x1.fffffep127;

// Return true when a value of the n-by-n influence, with an error of at
// most spread either way, can round beyond single precision's range: when
// the largest |value| plus spread, in double precision, reaches halfway
// between the largest float and the next power of two. Such draws would be
// infinite, and their figures meaningless.
bool DrawsCanOverflow(const gsl_matrix* influence, int n, double spread);

// The draws at most (and 1 at least).
constexpr long long kMostDraws = 1000000;

// The probabilities of S_E's low, median and high quantiles.
constexpr double kLowQuantile = 0.025;
constexpr double kMedianQuantile = 0.5;
constexpr double kHighQuantile = 0.975;

// What the draws of a group found. A draw whose M is singular, or whose
// S_E is not finite, has an empath and a driver but no S_E.
struct Sureness {
  long long draws = 0;     // K
  long long empath = 0;    // draws whose empath is the group's own
  long long driver = 0;    // draws whose driver is the group's own
  long long singular = 0;  // draws whose M is singular or whose S_E is not finite
  // The 2.5 %, 50 % and 97.5 % quantiles of S_E over the draws that have one,
  // as R's quantile() defines them by default (type 7); empty when none has.
  std::optional<double> s_e_low;
  std::optional<double> s_e_median;
  std::optional<double> s_e_high;
  std::vector<long long> empaths;  // for each player, the draws it is the empath of
  std::vector<long long> drivers;  // and the driver of
};

// Return the next number of SplitMix64 whose counter is state.
std::uint64_t SplitMix64(std::uint64_t* state);

// Return the quantile of probability p of the n values sorted ascending
// (n >= 1), by R's default definition: h = (n - 1) p, then sorted[floor h] +
// (h - floor h) (sorted[floor h + 1] - sorted[floor h]).
double Quantile(const double* sorted, long long n, double p);

// Draw perturbation.draws times from influence, the n-by-n influence matrix
// of the group whose analysis is analysis (its empath and driver found),
// into sureness. Return false when the memory for the draws cannot be had,
// or perturbation.between_draws stopped them; sureness is then empty.
bool Perturb(const gsl_matrix* influence, int n, const Analysis& analysis,
             const Perturbation& perturbation, Sureness* sureness);

#endif  // KELVARIN_ANALYSIS_SURENESS_H_
