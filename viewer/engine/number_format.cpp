#include "number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "report_layout.h"

namespace zel {
namespace {

constexpr int kShownDecimals = 7;  // the text always carries seven decimals before trimming

// Decimals printed before padding to seven: fewer as the integer part grows,
// one fewer again for a negative value, so at most 15 (14) significant digits.
int printedDecimals(double x) {
  const double a = std::fabs(x);
  int p = 7;
  if (a >= 1e12)
    p = 2;
  else if (a >= 1e11)
    p = 3;
  else if (a >= 1e10)
    p = 4;
  else if (a >= 1e9)
    p = 5;
  else if (a >= 1e8)
    p = 6;
  return x < 0 ? p - 1 : p;
}

bool isTrimmable(unsigned char c) { return c <= ' '; }

}  // namespace

std::string FormatNumber(double x, int d) {
  if (!std::isfinite(x)) return {};
  const int p = printedDecimals(x);
  // to_chars with a precision prints exactly as printf's "%.*f" (the value
  // rounded, halves to even), without printf's cost: a long report formats
  // millions of cells.
  char fixed[400];
  const char* end = std::to_chars(fixed, fixed + sizeof fixed, x, std::chars_format::fixed, p).ptr;
  const char* digits = fixed;
  // A negative value that rounds to zero would read "-0"; it is zero.
  const bool negative =
      *digits == '-' && std::find_if(digits + 1, end, [](char c) { return c != '0' && c != '.'; }) != end;
  if (*digits == '-') ++digits;
  const char* point = std::find(digits, end, '.');

  char text[sizeof fixed * 2];
  std::size_t n = 0;
  if (negative) text[n++] = '-';
  const auto whole = static_cast<std::size_t>(point - digits);
  for (std::size_t i = 0; i < whole; ++i) {
    if (i > 0 && (whole - i) % 3 == 0) text[n++] = ',';
    text[n++] = digits[i];
  }
  // The point and p decimals, padded to seven.
  for (const char* c = point; c < end; ++c) text[n++] = *c;
  for (int i = p; i < kShownDecimals; ++i) text[n++] = '0';
  const std::string_view shown(text, n);
  if (shown == "0.0000000") return {};

  std::size_t t = 0;
  while (t < n && text[n - 1 - t] == '0') ++t;
  if (t < n && text[n - 1 - t] == '.') ++t;
  std::size_t remove = t;
  if (d > 0) remove = d >= kShownDecimals ? 0 : std::min<std::size_t>(t, static_cast<std::size_t>(kShownDecimals - d));
  return std::string(text, n - remove);
}

int DecimalsFor(const TFieldDesc& desc, const DecimalRules& rules, const std::string& lineType) {
  if (!rules.fixedDecimals) return 0;
  if (lineType == "M") return rules.ItemDecimals;
  if (desc.DecClass() == "D") return rules.PriceDecimals;
  if (desc.DecClass() == "G") return rules.CostDecimals;
  return 0;
}

std::string VariantText(const std::optional<std::string>& value) {
  if (!value) return {};
  const std::string& s = *value;
  std::size_t b = 0, e = s.size();
  while (b < e && isTrimmable(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && isTrimmable(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

std::string PadLeft(const std::optional<std::string>& value, int n) {
  if (n <= 0) return {};
  std::string s = VariantText(value);
  const auto width = static_cast<std::size_t>(n);
  if (s.size() >= width) return s.substr(0, width);
  return std::string(width - s.size(), ' ') + s;
}

std::string PadLeft(long value, int n) { return PadLeft(std::optional<std::string>(std::to_string(value)), n); }

}  // namespace zel
