// libFuzzer target for the settings-block routines: any bytes as block, key
// and value must neither crash nor read out of bounds, and a value written with
// SetKey must read back through GetKey.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "settings_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Input: key bytes, NUL, value bytes, NUL, block bytes.
  std::string input(reinterpret_cast<const char*>(data), size);
  std::size_t a = input.find('\0');
  std::size_t b = a == std::string::npos ? std::string::npos : input.find('\0', a + 1);
  std::string key = input.substr(0, a);
  std::string value = a == std::string::npos ? "" : input.substr(a + 1, b == std::string::npos ? b : b - a - 1);
  std::string block = b == std::string::npos ? input : input.substr(b + 1);

  (void)zel::GetKey(block, key);
  for (int n = -1; n < 20; ++n) {
    (void)zel::Token(n, value, "d");
    (void)zel::TokenInt(n, value, 7);
  }
  // Token and SplitTokens agree on every position; a selection index taken
  // from the value itself (up to 999999999) must come back at once.
  const std::vector<std::string> items = zel::SplitTokens(value, 18);
  for (int n = 1; n <= 18; ++n) {
    const std::string& item = items[static_cast<std::size_t>(n - 1)];
    if (zel::Token(n, value, "d") != (item.empty() ? "d" : item)) std::abort();
  }
  (void)zel::Token(zel::TokenInt(2, value, 1) + 2, value, "C");
  (void)zel::IsAllDigits(value);
  (void)zel::ReadDecimalSettings(block, key);

  const bool plainKey = !key.empty() && key.find_first_of("<>") == std::string::npos;
  const bool plainValue = value.find(zel::kValueMarker) == std::string::npos;
  std::string changed = block;
  zel::SetKey(changed, key, value);
  if (plainKey && plainValue && zel::GetKey(changed, key) != value) std::abort();
  return 0;
}
