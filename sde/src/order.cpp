#include "order.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>

#include "table.h"

namespace sde {

namespace {
constexpr uint32_t kMaxKeyLen = 240;  // xBase keys are at most this wide
constexpr size_t kCacheEntries = 16;

// Integer text as N fields store it: blanks, an optional '-', digits, nothing after.
bool isPlainInteger(const char* p, uint32_t n) {
  uint32_t i = 0;
  while (i < n && p[i] == ' ') ++i;
  if (i < n && p[i] == '-') ++i;
  if (i == n) return false;
  for (; i < n; ++i)
    if (p[i] < '0' || p[i] > '9') return false;
  return true;
}
}  // namespace

size_t OrderData::positionOf(uint32_t recno) const {
  if (identity_) return recno == 0 || recno > recCount_ ? recCount_ : recno - 1;
  if (recno == 0 || recno > recCount_ || position_[recno - 1] == 0) return sorted_.size();
  return position_[recno - 1] - 1;
}

int OrderData::compare(std::string_view a, std::string_view b) const {
  int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
  if (c == 0) c = a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
  return descending_ ? -c : c;
}

size_t OrderData::bound(std::string_view k, size_t len, bool past) const {
  len = std::min<size_t>(len, keyLen_);
  k = k.substr(0, len);
  size_t lo = 0, hi = size();
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    int c = compare(key(recnoAt(mid)).substr(0, len), k);
    if (c < 0 || (past && c == 0))
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

namespace {
// Records sorted in one piece before the pieces are merged; a stop is asked between pieces.
constexpr size_t kSortRun = size_t(1) << 16;
}  // namespace

zel::Result<std::shared_ptr<const OrderData>> OrderData::build(Table& table, const Expression& keyExpr,
                                                               const Expression* condition, bool descending,
                                                               const std::function<bool()>& stop) {
  auto d = std::make_shared<OrderData>();
  d->descending_ = descending;
  uint32_t n = table.recCount();
  d->recCount_ = n;

  // The key width is what the expression gives for a blank record.
  std::vector<uint8_t> blank = table.blankRecord();
  Value v;
  if (auto s = keyExpr.eval(EvalContext{blank.data(), 0, false}, &v); !s) return s;
  std::string probe = keyBytes(v);
  if (probe.empty() || probe.size() > kMaxKeyLen)
    return zel::Status::invalidArgument("key of \"" + keyExpr.text() + "\" must be 1 to " + std::to_string(kMaxKeyLen) +
                                        " bytes long");
  d->keyLen_ = uint32_t(probe.size());
  const uint32_t kl = d->keyLen_;
  d->keys_.reset(new char[size_t(n) * kl + 1]);  // no zero fill: every key is written below
  if (condition) d->sorted_.reserve(n);

  const FieldDesc* raw = keyExpr.rawNumericKeyField();
  const uint32_t rawOffset = raw ? raw->offset : 0;
  const uint32_t recLen = table.recLen();
  bool sorted = true;
  const char* prev = nullptr;
  zel::Status evalError;
  auto evalKey = [&](const uint8_t* rec, uint32_t recno, char* dst) {
    Value kv;
    if (auto st = keyExpr.eval(EvalContext{rec, recno, false}, &kv); !st) {
      evalError = st;
      return false;
    }
    std::string k = keyBytes(kv);
    k.resize(kl, ' ');
    std::memcpy(dst, k.data(), kl);
    return true;
  };
  auto s = table.scanChunks(1, n, [&](uint32_t first, const uint8_t* data, uint32_t count) {
    if (stop && stop()) {
      evalError = zel::Status::invalidArgument("building the order of " + table.path() + " was interrupted");
      return false;
    }
    char* dst = &d->keys_[size_t(first - 1) * kl];
    for (uint32_t i = 0; i < count; ++i, dst += kl) {
      const uint32_t recno = first + i;
      const uint8_t* rec = data + size_t(i) * recLen;
      if (condition) {
        Value c;
        if (auto st = condition->eval(EvalContext{rec, recno, false}, &c); !st) {
          evalError = st;
          return false;
        }
        if (c.type != Value::Type::kLogical) {
          evalError = zel::Status::invalidArgument("condition \"" + condition->text() + "\" is not logical");
          return false;
        }
        if (!c.b) {
          std::memset(dst, ' ', kl);
          continue;
        }
        d->sorted_.push_back(recno);
      }
      // str(F, width) of an integer field is its stored text: copy it.
      const char* src = raw ? reinterpret_cast<const char*>(rec + rawOffset) : nullptr;
      if (raw && isPlainInteger(src, kl))
        std::memcpy(dst, src, kl);
      else if (!evalKey(rec, recno, dst))
        return false;
      if (sorted && prev) {
        int c = std::memcmp(prev, dst, kl);
        if (descending ? c < 0 : c > 0) sorted = false;
      }
      prev = dst;
    }
    return true;
  });
  if (!s) return s;
  if (!evalError.isOk()) return evalError;

  if (sorted && !condition) {
    d->identity_ = true;
    return std::shared_ptr<const OrderData>(std::move(d));
  }
  if (!condition) {
    d->sorted_.resize(n);
    for (uint32_t i = 0; i < n; ++i) d->sorted_[i] = i + 1;
  }
  // Report files arrive in page order: skip the sort when the keys already are.
  if (!sorted) {
    const char* base = d->keys_.get();
    const auto before = [&](uint32_t a, uint32_t b) {
      int c = std::memcmp(base + size_t(a - 1) * kl, base + size_t(b - 1) * kl, kl);
      return descending ? c > 0 : c < 0;
    };
    // A stable merge sort in pieces, so a stop is seen between them: runs
    // sorted alone, then merged pairwise (std::merge keeps equal keys in order).
    std::vector<uint32_t>& v = d->sorted_;
    const size_t count = v.size();
    const auto interrupted = [&] {
      return zel::Status::invalidArgument("building the order of " + table.path() + " was interrupted");
    };
    for (size_t lo = 0; lo < count; lo += kSortRun) {
      if (stop && stop()) return interrupted();
      std::stable_sort(v.begin() + long(lo), v.begin() + long(std::min(lo + kSortRun, count)), before);
    }
    std::vector<uint32_t> merged(count > kSortRun ? count : 0);
    for (size_t width = kSortRun; width < count; width *= 2) {
      for (size_t lo = 0; lo < count; lo += 2 * width) {
        if (stop && stop()) return interrupted();
        const size_t mid = std::min(lo + width, count), hi = std::min(lo + 2 * width, count);
        std::merge(v.begin() + long(lo), v.begin() + long(mid), v.begin() + long(mid), v.begin() + long(hi),
                   merged.begin() + long(lo), before);
      }
      v.swap(merged);
    }
  }
  d->position_.assign(n, 0);
  for (size_t i = 0; i < d->sorted_.size(); ++i) d->position_[d->sorted_[i] - 1] = uint32_t(i + 1);
  return std::shared_ptr<const OrderData>(std::move(d));
}

namespace {
struct CacheState {
  std::map<std::string, std::shared_ptr<const OrderData>> entries;
  std::deque<std::string> age;  // oldest first
};
CacheState& cache() {
  static CacheState c;
  return c;
}
}  // namespace

std::shared_ptr<const OrderData> OrderCache::find(const std::string& key) {
  auto& c = cache();
  auto it = c.entries.find(key);
  return it == c.entries.end() ? nullptr : it->second;
}

void OrderCache::put(const std::string& key, std::shared_ptr<const OrderData> data) {
  auto& c = cache();
  // Entries of the same table and tag but older contents are dead: drop them.
  std::string prefix = key.substr(0, key.find('\x1f'));
  std::string tail = key.substr(key.find('\x1e') == std::string::npos ? key.size() : key.find('\x1e'));
  for (auto it = c.entries.begin(); it != c.entries.end();) {
    bool sameTable = it->first.compare(0, prefix.size(), prefix) == 0 && it->first[prefix.size()] == '\x1f';
    bool sameTag =
        it->first.size() >= tail.size() && it->first.compare(it->first.size() - tail.size(), tail.size(), tail) == 0;
    if (sameTable && sameTag && it->first != key) {
      c.age.erase(std::remove(c.age.begin(), c.age.end(), it->first), c.age.end());
      it = c.entries.erase(it);
    } else {
      ++it;
    }
  }
  if (!c.entries.count(key)) c.age.push_back(key);
  c.entries[key] = std::move(data);
  while (c.age.size() > kCacheEntries) {
    c.entries.erase(c.age.front());
    c.age.pop_front();
  }
}

void OrderCache::clear() {
  cache().entries.clear();
  cache().age.clear();
}

std::string OrderCache::makeKey(const std::string& path, uint64_t size, int64_t mtimeNs, uint32_t recCount,
                                const std::string& tag, const std::string& expr, const std::string& cond,
                                bool descending) {
  // path US identity RS definition: put() splits on the separators.
  return path + '\x1f' + std::to_string(size) + ':' + std::to_string(mtimeNs) + ':' + std::to_string(recCount) +
         '\x1e' + tag + '\x1d' + expr + '\x1d' + cond + '\x1d' + (descending ? "D" : "A");
}

}  // namespace sde
