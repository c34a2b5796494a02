// The draws of a group under measurement error, each analysed as the group
// is, in room taken once for all of them.
#include "analysis/sureness.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "matrix/matrix.h"

namespace {

// SplitMix64's increment, and its shifts and multipliers in order.
constexpr std::uint64_t kGolden = 0x9E3779B97F4A7C15U;
constexpr unsigned kFirstShift = 30;
constexpr std::uint64_t kFirstMultiplier = 0xBF58476D1CE4E5B9U;
constexpr unsigned kSecondShift = 27;
constexpr std::uint64_t kSecondMultiplier = 0x94D049BB133111EBU;
constexpr unsigned kLastShift = 31;

// A double's bits of precision, and 2^-53.
constexpr int kDoubleBits = 53;
constexpr double kUnit = 0x1.0p-53;

// The largest float, 0x1.fffffep127, plus half its unit in the last place.
constexpr double kFloatOverflow = 0x1.ffffffp127;

// Return the value x with the error of the generator's next number, at most
// spread either way, rounded to single precision as the reader rounds a
// value.
double Perturbed(double x, double spread, std::uint64_t* state) {
  const double u = static_cast<double>(SplitMix64(state) >> (64 - kDoubleBits)) * kUnit;
  // 2u - 1, exactly: from -1 up to 1 in steps of 2^-52.
  const double error = spread * (u + u - 1.0);
  const double sum = x + error;
  // From halfway between the largest float and the next power of two on, a
  // sum rounds to an infinity, which the conversion must not be asked for.
  if (sum >= kFloatOverflow || sum <= -kFloatOverflow) {
    return sum > 0.0 ? HUGE_VAL : -HUGE_VAL;
  }
  return static_cast<double>(static_cast<float>(sum));
}

}  // namespace

bool DrawsCanOverflow(const gsl_matrix* influence, int n, double spread) {
  double largest = 0.0;
  for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
    for (size_t j = 0; j < static_cast<size_t>(n); ++j) {
      largest = std::max(largest, std::fabs(gsl_matrix_get(influence, i, j)));
    }
  }
  // Rounding is monotonic: no sum x + error can pass largest + spread.
  return largest + spread >= kFloatOverflow;
}

std::uint64_t SplitMix64(std::uint64_t* state) {
  *state += kGolden;
  std::uint64_t z = *state;
  z = (z ^ (z >> kFirstShift)) * kFirstMultiplier;
  z = (z ^ (z >> kSecondShift)) * kSecondMultiplier;
  return z ^ (z >> kLastShift);
}

double Quantile(const double* sorted, long long n, double p) {
  const double h = static_cast<double>(n - 1) * p;
  // h >= 0, so the conversion is floor h.
  const auto low = static_cast<long long>(h);
  const double fraction = h - static_cast<double>(low);
  if (fraction == 0.0 || low + 1 >= n) {
    return sorted[low];
  }
  return sorted[low] + fraction * (sorted[low + 1] - sorted[low]);
}

bool Perturb(const gsl_matrix* influence, int n, const Analysis& analysis,
             const Perturbation& perturbation, Sureness* sureness) {
  *sureness = Sureness();
  const long long draws = perturbation.draws;
  Analysis draw;
  const Matrix values(gsl_matrix_alloc(static_cast<size_t>(n), static_cast<size_t>(n)));
  const std::unique_ptr<double[]> s_e(new (std::nothrow) double[static_cast<size_t>(draws)]);
  if (!values || !s_e || !MakeRoomToAnalyse(n, &draw)) {
    return false;
  }
  sureness->empaths.assign(static_cast<size_t>(n), 0);
  sureness->drivers.assign(static_cast<size_t>(n), 0);
  std::uint64_t state = perturbation.seed;
  long long finite = 0;
  for (long long k = 0; k < draws; ++k) {
    for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
      for (size_t j = 0; j < static_cast<size_t>(n); ++j) {
        gsl_matrix_set(values.get(), i, j,
                       Perturbed(gsl_matrix_get(influence, i, j), perturbation.spread, &state));
      }
    }
    if (AnalyseAgain(values.get(), &draw)) {
      // -0 as 0, so that sorting leaves no order between them to chance.
      s_e[static_cast<size_t>(finite++)] = *draw.s_e + 0.0;
    }
    ++sureness->empaths[static_cast<size_t>(draw.empath.player)];
    ++sureness->drivers[static_cast<size_t>(draw.driver.player)];
    if (perturbation.between_draws != nullptr &&
        !perturbation.between_draws(perturbation.context)) {
      *sureness = Sureness();
      return false;
    }
  }
  sureness->draws = draws;
  sureness->empath = sureness->empaths[static_cast<size_t>(analysis.empath.player)];
  sureness->driver = sureness->drivers[static_cast<size_t>(analysis.driver.player)];
  sureness->singular = draws - finite;
  if (finite > 0) {
    std::sort(s_e.get(), s_e.get() + finite);
    sureness->s_e_low = Quantile(s_e.get(), finite, kLowQuantile);
    sureness->s_e_median = Quantile(s_e.get(), finite, kMedianQuantile);
    sureness->s_e_high = Quantile(s_e.get(), finite, kHighQuantile);
  }
  return true;
}
