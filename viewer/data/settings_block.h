// The settings block of a report file: the memo F_INIT of its first record.
// Entries "<KEY>=♬value♬" separated by CR LF; "♬" is the CP949 byte pair A2 DD.
// Token lists are tokens each followed by "|", numbered from 1.
// All texts are CP949 bytes; lengths and positions count bytes.
#pragma once

#include <string>
#include <vector>

namespace zel {

inline constexpr char kValueMarker[] = "\xA2\xDD";  // "♬" in code page 949

std::string GetKey(const std::string& block, const std::string& key);
void SetKey(std::string& block, const std::string& key, const std::string& value);
std::string Token(int n, const std::string& list, const std::string& def);
int TokenInt(int n, const std::string& list, int def);
std::vector<std::string> SplitTokens(const std::string& list, int capacity);
bool IsAllDigits(const std::string& text);
// Decimal text to int: optional leading blanks, optional sign, then digits and
// nothing else. False for anything else, including overflow.
bool ParseInt(const std::string& text, int& out);

struct DecimalSettings {
  int price = 0;  // PRCDEC
  int cost = 0;  // CSTDEC
  int third = 0;  // MOKDEC
};
DecimalSettings ReadDecimalSettings(const std::string& block, const std::string& kindCode);

}  // namespace zel
