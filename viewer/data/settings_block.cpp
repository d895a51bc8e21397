#include "settings_block.h"

#include <cctype>
#include <climits>

namespace zel {
namespace {

constexpr std::size_t kMarkerLen = 2;
constexpr std::size_t kMaxIntChars = 9;  // longer numeric tokens are cut before conversion

std::size_t findMarker(const std::string& block, std::size_t from) {
  if (from >= block.size()) return std::string::npos;
  return block.find(kValueMarker, from);
}

std::string bracketed(const std::string& key) { return "<" + key + ">"; }

int digitsOr(const std::string& text, int def) {
  int value = def;
  if (IsAllDigits(text) && ParseInt(text, value)) return value;
  return def;
}

}  // namespace

bool ParseInt(const std::string& text, int& out) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return false;
  long long value = 0;
  for (; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) return false;
  }
  if (negative) value = -value;
  if (value > INT_MAX || value < INT_MIN) return false;
  out = static_cast<int>(value);
  return true;
}

std::string GetKey(const std::string& block, const std::string& key) {
  std::size_t p = block.find(bracketed(key));
  if (p == std::string::npos) return {};
  std::size_t open = findMarker(block, p + bracketed(key).size());
  if (open == std::string::npos) return {};
  std::size_t start = open + kMarkerLen;
  std::size_t close = findMarker(block, start);
  // A present key without its closing marker has no value.
  if (close == std::string::npos) return {};
  return block.substr(start, close - start);
}

void SetKey(std::string& block, const std::string& key, const std::string& value) {
  const std::string head = bracketed(key);
  std::size_t p = block.find(head);
  if (p == std::string::npos) {
    block += "\r\n" + head + "=" + kValueMarker + value + kValueMarker;
    return;
  }
  const std::size_t afterKey = p + head.size();
  const std::string opening = std::string("=") + kValueMarker;
  const bool wellFormedStart = block.compare(afterKey, opening.size(), opening) == 0;
  const std::size_t valueStart = afterKey + opening.size();
  std::size_t close = wellFormedStart ? findMarker(block, valueStart) : std::string::npos;
  if (wellFormedStart && close != std::string::npos) {
    block = block.substr(0, valueStart) + value + block.substr(close);
    return;
  }
  // A damaged entry (markers missing): rewrite it up to the end of its line
  // rather than splice into the entries that follow it.
  std::size_t lineEnd = block.find("\r\n", afterKey);
  if (lineEnd == std::string::npos) lineEnd = block.size();
  block = block.substr(0, afterKey) + opening + value + kValueMarker + block.substr(lineEnd);
}

std::string Token(int n, const std::string& list, const std::string& def) {
  // Walks the list once: past its last "|" every further token is empty, so
  // an index like 999999999 costs no more than the list is long.
  std::size_t start = 0;
  for (int i = 1; i <= n; ++i) {
    const std::size_t bar = list.find('|', start);
    if (bar == std::string::npos) return def;
    if (i == n) return bar == start ? def : list.substr(start, bar - start);
    start = bar + 1;
  }
  return def;
}

int TokenInt(int n, const std::string& list, int def) {
  std::string text = Token(n, list, std::to_string(def));
  if (text.size() > kMaxIntChars) text.resize(kMaxIntChars);
  int value = def;
  return ParseInt(text, value) ? value : def;
}

std::vector<std::string> SplitTokens(const std::string& list, int capacity) {
  if (capacity <= 0) return {};
  std::vector<std::string> items(static_cast<std::size_t>(capacity));
  std::size_t pos = 0;
  int filled = 0;
  // An unterminated tail is not a token, as with Token.
  while (pos < list.size() && filled < capacity) {
    std::size_t bar = list.find('|', pos);
    if (bar == std::string::npos) break;
    items[static_cast<std::size_t>(filled++)] = list.substr(pos, bar - pos);
    pos = bar + 1;
  }
  return items;
}

bool IsAllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

DecimalSettings ReadDecimalSettings(const std::string& block, const std::string& kindCode) {
  const std::string cut = GetKey(block, "NCUT");
  DecimalSettings result;
  result.price = digitsOr(GetKey(block, "PRCDEC"), 2);
  result.cost = digitsOr(GetKey(block, "CSTDEC"), 1);
  result.third = digitsOr(GetKey(block, "MOKDEC"), 0);

  std::string kindClass;
  if (!kindCode.empty()) {
    char first = static_cast<char>(std::toupper(static_cast<unsigned char>(kindCode[0])));
    if (first == 'G') {
      kindClass = kindCode.size() >= 2 ? "G" : "$";
    } else if (first == 'F' && kindCode.size() > 1) {
      kindClass = "F/";
    } else {
      kindClass = std::string(1, first);
    }
  }
  static const std::string kCutClasses = "ABCD0123456789";
  if (!kindClass.empty() && kCutClasses.find(kindClass) != std::string::npos && cut != "N") return {0, 0, 0};
  return result;
}

}  // namespace zel
