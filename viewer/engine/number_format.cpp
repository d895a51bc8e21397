#include "number_format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

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

std::string withSeparators(const std::string& fixed) {
  std::size_t start = fixed[0] == '-' ? 1 : 0;
  std::size_t point = fixed.find('.');
  if (point == std::string::npos) point = fixed.size();
  std::string out = fixed.substr(0, start);
  const std::size_t digits = point - start;
  for (std::size_t i = 0; i < digits; ++i) {
    if (i > 0 && (digits - i) % 3 == 0) out += ',';
    out += fixed[start + i];
  }
  out += fixed.substr(point);
  return out;
}

bool isTrimmable(unsigned char c) { return c <= ' '; }

}  // namespace

std::string FormatNumber(double x, int d) {
  if (!std::isfinite(x)) return {};
  const int p = printedDecimals(x);
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", p, x);
  std::string text = buf;
  // A negative value that rounds to zero would read "-0"; it is zero.
  if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  text = withSeparators(text) + std::string(static_cast<std::size_t>(kShownDecimals - p), '0');
  if (text == "0.0000000") return {};

  std::size_t t = 0;
  while (t < text.size() && text[text.size() - 1 - t] == '0') ++t;
  if (t < text.size() && text[text.size() - 1 - t] == '.') ++t;
  std::size_t remove = t;
  if (d > 0) remove = d >= kShownDecimals ? 0 : std::min<std::size_t>(t, static_cast<std::size_t>(kShownDecimals - d));
  return text.substr(0, text.size() - remove);
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
