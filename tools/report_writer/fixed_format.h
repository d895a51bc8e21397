// Fixed-point text of a double with a given number of decimals, as
// printf("%.*f") writes it, without printf's cost on the common values (the
// generated million-line reports format a dozen numbers a line). Internal.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>

namespace zel::reportwriter {

inline std::string formatFixed(double value, int decimals) {
  static constexpr double kPow10[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
  // Below these the scaled value's rounding error stays far under the margin
  // kept around halves (with no decimals the scaling is exact).
  constexpr double kExactLimit = 1e15;
  constexpr double kScaledLimit = 1e9;
  if (decimals >= 0 && decimals <= 9 && std::isfinite(value)) {
    const double scaled = std::fabs(value) * kPow10[decimals];
    const double fraction = scaled - std::floor(scaled);
    // Near a half, printf's exact binary rounding decides; leave those to it.
    if (scaled < (decimals == 0 ? kExactLimit : kScaledLimit) && std::fabs(fraction - 0.5) > 1e-6) {
      unsigned long long units = static_cast<unsigned long long>(std::floor(scaled + 0.5));
      char buf[48];
      char* end = buf + sizeof buf;
      char* p = end;
      for (int i = 0; i < decimals; ++i) {
        *--p = static_cast<char>('0' + units % 10);
        units /= 10;
      }
      if (decimals > 0) *--p = '.';
      do {
        *--p = static_cast<char>('0' + units % 10);
        units /= 10;
      } while (units != 0);
      // printf keeps the sign of a negative value that rounds to zero ("-0.00").
      if (std::signbit(value)) *--p = '-';
      return std::string(p, end);
    }
  }
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  return buf;
}

}  // namespace zel::reportwriter
