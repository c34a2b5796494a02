// log10(x) correctly rounded, fast where that is sure and by GNU MPFR where
// it is not. An evaluation in pairs of doubles (double-double arithmetic)
// gives log10(x) within a relative error of kErrorBound; when every number
// that near it rounds to the same double, that double is the correctly
// rounded logarithm, and otherwise (a few x in a hundred) MPFR computes it.
// The evaluation uses only +, -, * and /, which every target rounds alike
// (the project compiles without fused multiply-adds), so the result never
// depends on a C library's log10.
//
// Method: x = 2^e m with sqrt(1/2) <= m < sqrt(2), c = 1 + j/64 the nearest
// such number to m, and s = (m - c) / (m + c); so |m - c| <= 1/128,
// m + c > 1.41 and |s| < 2^-7.49. Then
//   log10(x) = e log10(2) + (log(c) + 2 atanh(s)) / ln(10),
//   atanh(s) = s + s^3/3 + s^5/5 + s^7/7 + s^9/9 + ...
// Its error, with u = 2^-53:
// - s is the pair sh + sl within 8u^2 |s|: the remainder of the division
//   num / dh is exact, and |sh / s - 1| <= 2u.
// - t = sh z (1/3 + z (1/5 + z (1/7 + z/9))), z = sh^2, stands for
//   atanh(s) - s: |t| < 2^-16.5 |s|; its 8 roundings, its 4 rounded
//   coefficients and sh^3 for s^3 (6u) make at most 20u |t| < 2^-65.2 |s|,
//   and the terms left out are below s^11 / 11 < 2^-78 |s|.
// - log(m) = log(c) + 2 (sh + (sl + t)): the table's log(c) is within u^2
//   |log(c)|, the additions add at most 4u |t|, so the error is below
//   2^-64.9 (|log(c)| + 2 |atanh(s)|). For j != 0, |m - 1| >= 1/128 makes
//   |log(c)| + 2 |atanh(s)| at most 4 |log(m)|; for j = 0, log(c) = 0.
//   So log(m) is within 2^-62.9 |log(m)|.
// - Times 1/ln(10), plus e log10(2): a few u^2 more, and the error of
//   log10(m) counts at most once in |log10(x)|, since |log10(m)| <= log10(2) / 2
//   <= |e log10(2) + log10(m)| when e != 0.
// The pair is thus within 2^-62.8 |log10(x)|; kErrorBound leaves a factor of
// 7 above that.
#include "logarithm/log10.h"

#include <mpfr.h>

#include <cmath>
#include <limits>

namespace logarithm {
namespace {

// The relative error of the evaluation in pairs, with room to spare.
constexpr double kErrorBound = 0x1p-60;

// The unevaluated sum hi + lo of two doubles.
struct Pair {
  double hi;
  double lo;
};

// a + b exactly, as hi + lo (Knuth's two-sum).
Pair TwoSum(double a, double b) {
  const double sum = a + b;
  const double b_part = sum - a;
  return {sum, (a - (sum - b_part)) + (b - b_part)};
}

// a + b exactly, as hi + lo, where |a| >= |b| or a = 0 (Dekker's fast two-sum).
Pair FastTwoSum(double a, double b) {
  const double sum = a + b;
  return {sum, b - (sum - a)};
}

// a as hi + lo, each with at most 26 significant bits (Veltkamp's split).
Pair Split(double a) {
  constexpr double kSplitter = 0x1p27 + 1;
  const double scaled = kSplitter * a;
  const double hi = scaled - (scaled - a);
  return {hi, a - hi};
}

// a * b exactly, as hi + lo (Dekker's product, which needs no fused
// multiply-add).
Pair TwoProduct(double a, double b) {
  const double product = a * b;
  const Pair x = Split(a);
  const Pair y = Split(b);
  return {product, ((x.hi * y.hi - product) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo};
}

Pair Add(Pair a, Pair b) {
  const Pair sum = TwoSum(a.hi, b.hi);
  return FastTwoSum(sum.hi, sum.lo + (a.lo + b.lo));
}

Pair Multiply(Pair a, Pair b) {
  const Pair product = TwoProduct(a.hi, b.hi);
  return FastTwoSum(product.hi, product.lo + (a.hi * b.lo + a.lo * b.hi));
}

// 1 / ln(10) and log10(2), and ln(1 + j/64) for j = -19 to 27, each the
// double nearest to it and the double nearest to the rest.
constexpr Pair kLog10OfE = {0x1.bcb7b1526e50ep-2, 0x1.95355baaafad3p-57};
constexpr Pair kLog10Of2 = {0x1.34413509f79ffp-2, -0x1.9dc1da994fd21p-59};
constexpr int kSteps = 64;
constexpr int kLowestStep = -19;
constexpr Pair kLogOfSteps[] = {
    {-0x1.68ac83e9c6a14p-2, -0x1.a64eadd740178p-58},
    {-0x1.522ae0738a3d8p-2, 0x1.8f7e9b38a6979p-57},
    {-0x1.3c25277333184p-2, 0x1.2ad27e50a8ec6p-56},
    {-0x1.269621134db92p-2, -0x1.e0efadd9db02bp-56},
    {-0x1.1178e8227e47cp-2, 0x1.0e63a5f01c691p-57},
    {-0x1.f991c6cb3b379p-3, -0x1.f665066f980a2p-57},
    {-0x1.d1037f2655e7bp-3, -0x1.60629242471a2p-57},
    {-0x1.a93ed3c8ad9e3p-3, -0x1.bcafa9de97203p-57},
    {-0x1.823c16551a3c2p-3, 0x1.1232ce70be781p-57},
    {-0x1.5bf406b543db2p-3, 0x1.1f5b44c0df7e7p-61},
    {-0x1.365fcb0159016p-3, -0x1.7d411a5b944adp-58},
    {-0x1.1178e8227e47cp-3, 0x1.0e63a5f01c691p-58},
    {-0x1.da727638446a2p-4, -0x1.401fa71733019p-58},
    {-0x1.9335e5d594989p-4, 0x1.478a85704ccb7p-58},
    {-0x1.4d3115d207eacp-4, -0x1.769f42c7842ccp-58},
    {-0x1.08598b59e3a07p-4, 0x1.dd7009902bf32p-58},
    {-0x1.894aa149fb343p-5, -0x1.a8be97660a23dp-60},
    {-0x1.0415d89e74444p-5, -0x1.c05cf1d753622p-59},
    {-0x1.0205658935847p-6, -0x1.27c8e8416e71fp-60},
    {0x0p+0, 0x0p+0},
    {0x1.fc0a8b0fc03e4p-7, -0x1.83092c59642a1p-62},
    {0x1.f829b0e7833p-6, 0x1.33e3f04f1ef23p-60},
    {0x1.77458f632dcfcp-5, 0x1.18d3ca87b9296p-59},
    {0x1.f0a30c01162a6p-5, 0x1.85f325c5bbacdp-59},
    {0x1.341d7961bd1d1p-4, -0x1.b599f227becbbp-58},
    {0x1.6f0d28ae56b4cp-4, -0x1.906d99184b992p-58},
    {0x1.a926d3a4ad563p-4, 0x1.942f48aa70ea9p-58},
    {0x1.e27076e2af2e6p-4, -0x1.61578001e0162p-60},
    {0x1.0d77e7cd08e59p-3, 0x1.9a5dc5e9030acp-57},
    {0x1.29552f81ff523p-3, 0x1.301771c407dbfp-57},
    {0x1.44d2b6ccb7d1ep-3, 0x1.9f4f6543e1f88p-57},
    {0x1.5ff3070a793d4p-3, -0x1.bc60efafc6f6ep-58},
    {0x1.7ab890210d909p-3, 0x1.be36b2d6a0608p-59},
    {0x1.9525a9cf456b4p-3, 0x1.d904c1d4e2e26p-57},
    {0x1.af3c94e80bff3p-3, -0x1.398cff3641985p-58},
    {0x1.c8ff7c79a9a22p-3, -0x1.4f689f8434012p-57},
    {0x1.e27076e2af2e6p-3, -0x1.61578001e0162p-59},
    {0x1.fb9186d5e3e2bp-3, -0x1.caaae64f21acbp-57},
    {0x1.0a324e27390e3p-2, 0x1.7dcfde8061c03p-56},
    {0x1.1675cababa60ep-2, 0x1.ce63eab883717p-61},
    {0x1.22941fbcf7966p-2, -0x1.76f5eb09628afp-56},
    {0x1.2e8e2bae11d31p-2, -0x1.8f4cdb95ebdf9p-56},
    {0x1.3a64c556945eap-2, -0x1.c68651945f97cp-57},
    {0x1.4618bc21c5ec2p-2, 0x1.f42decdeccf1dp-56},
    {0x1.51aad872df82dp-2, 0x1.3927ac19f55e3p-59},
    {0x1.5d1bdbf5809cap-2, 0x1.4236383dc7fe1p-56},
    {0x1.686c81e9b14afp-2, -0x1.ddea0f7f58e3dp-57},
};

// 1/3, 1/5, 1/7 and 1/9, the coefficients of atanh(s) after s.
constexpr double kThird = 1.0 / 3;
constexpr double kFifth = 1.0 / 5;
constexpr double kSeventh = 1.0 / 7;
constexpr double kNinth = 1.0 / 9;

// sqrt(1/2), rounded: where the reduced m starts.
constexpr double kSqrtHalf = 0.7071067811865476;

// log10(x) for a finite x > 0 as a pair within kErrorBound |log10(x)|.
Pair Evaluate(double x) {
  int e = 0;
  double m = std::frexp(x, &e);
  if (m < kSqrtHalf) {
    m *= 2;
    --e;
  }
  const int j = static_cast<int>(std::lround((m - 1) * kSteps));
  const double c = 1 + static_cast<double>(j) / kSteps;
  // s = (m - c) / (m + c); m - c is exact (Sterbenz), m + c is dh + dl.
  const double num = m - c;
  const Pair den = TwoSum(m, c);
  const double sh = num / den.hi;
  const Pair back = TwoProduct(sh, den.hi);
  const double sl = (((num - back.hi) - back.lo) - sh * den.lo) / den.hi;
  const double z = sh * sh;
  const double t = sh * z * (kThird + z * (kFifth + z * (kSeventh + z * kNinth)));
  // log(m) = log(c) + 2 atanh(s).
  const Pair log_c = kLogOfSteps[j - kLowestStep];
  const Pair head = TwoSum(log_c.hi, 2 * sh);
  const Pair log_m = FastTwoSum(head.hi, head.lo + (log_c.lo + 2 * (sl + t)));
  const auto exponent = static_cast<double>(e);
  const Pair whole = TwoProduct(exponent, kLog10Of2.hi);
  return Add({whole.hi, whole.lo + exponent * kLog10Of2.lo}, Multiply(log_m, kLog10OfE));
}

// MPFR keeps the constants it computes (log(2), pi) for the thread that
// needs them, which must free its own as it ends.
struct MpfrConstants {
  MpfrConstants() = default;
  MpfrConstants(const MpfrConstants&) = delete;
  MpfrConstants& operator=(const MpfrConstants&) = delete;
  ~MpfrConstants() { mpfr_free_cache2(MPFR_FREE_LOCAL_CACHE); }
};

// log10(x) by MPFR, rounded to nearest in 53 bits, which a double holds
// exactly: the logarithm of a double is far inside a double's range.
double ByMpfr(double x) {
  thread_local const MpfrConstants constants;
  mpfr_t value;
  mpfr_init2(value, std::numeric_limits<double>::digits);
  mpfr_set_d(value, x, MPFR_RNDN);
  mpfr_log10(value, value, MPFR_RNDN);
  const double result = mpfr_get_d(value, MPFR_RNDN);
  mpfr_clear(value);
  return result;
}

}  // namespace

double Log10(double x) {
  if (std::isnan(x)) {
    return x;
  }
  if (x < 0) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  if (x == 0) {
    return -std::numeric_limits<double>::infinity();
  }
  if (std::isinf(x)) {
    return x;
  }
  const Pair y = Evaluate(x);
  const double error = kErrorBound * std::fabs(y.hi);
  const double below = y.hi + (y.lo - error);
  const double above = y.hi + (y.lo + error);
  return below == above ? below : ByMpfr(x);
}

}  // namespace logarithm
