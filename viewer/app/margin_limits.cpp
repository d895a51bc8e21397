#include "margin_limits.h"

#include "margin_writer.h"

namespace zel {
namespace {

constexpr int kMarginUnit = 20;  // page units (0.1 mm) per margin unit
constexpr int kShortSide = 2100;
constexpr int kLongSide = 2970;
constexpr std::size_t kMaxTokenDigits = 9;  // longer tokens are cut when read back

// The frame needs at least one page unit of the side.
int maxSum(int side) { return (side - 1) / kMarginUnit; }

}  // namespace

int MaxVerticalMargins(bool landscape) { return maxSum(landscape ? kShortSide : kLongSide); }
int MaxHorizontalMargins(bool landscape) { return maxSum(landscape ? kLongSide : kShortSide); }

std::string MarginProblem(const std::array<std::string, 4>& fieldTexts, bool landscape) {
  std::array<long long, 4> value{};
  for (std::size_t i = 0; i < fieldTexts.size(); ++i) {
    const std::string digits = marginDigits(fieldTexts[i]);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos ||
        digits.size() > kMaxTokenDigits)
      return "여백은 0부터 999,999,999까지의 정수로 입력하십시오.";
    value[i] = std::stoll(digits);
  }
  const int vertical = MaxVerticalMargins(landscape);
  const int horizontal = MaxHorizontalMargins(landscape);
  if (value[0] + value[1] > vertical || value[2] + value[3] > horizontal) {
    return "여백이 용지보다 큽니다.\r상+하는 " + std::to_string(vertical) + " 이하, 좌+우는 " +
           std::to_string(horizontal) + " 이하로 입력하십시오. (단위 2mm)";
  }
  return {};
}

}  // namespace zel
