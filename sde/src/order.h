// Order: the in-memory key index of one tag over one table. No index data is
// ever written to disk; a tag's definition (see tag_file.h) is all that
// persists, and the keys are rebuilt from the table when needed.
//
// OrderData is immutable once built and shared (through OrderCache) by every
// work area that opens the same table contents. Cost: a fixed-width key per
// record plus two 32-bit numbers (record by position, position by record).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "expression.h"
#include "status.h"

namespace sde {

class Table;

class OrderData {
 public:
  uint32_t keyLen() const { return keyLen_; }
  uint32_t recCount() const { return recCount_; }
  // Records in the order (the condition may leave some out).
  size_t size() const { return identity_ ? recCount_ : sorted_.size(); }
  bool descending() const { return descending_; }
  uint32_t recnoAt(size_t pos) const { return identity_ ? uint32_t(pos + 1) : sorted_[pos]; }
  // Position of recno in the order, or size() when the record is not in it.
  size_t positionOf(uint32_t recno) const;
  std::string_view key(uint32_t recno) const { return {&keys_[size_t(recno - 1) * keyLen_], keyLen_}; }
  // First position whose key is not before `key` in the order's direction,
  // comparing only the first `len` bytes of each key (len <= keyLen).
  size_t lowerBound(std::string_view key, size_t len) const { return bound(key, len, false); }
  // First position whose key's first len bytes come after `key`.
  size_t upperBound(std::string_view key, size_t len) const { return bound(key, len, true); }

  // stop is asked before each chunk of records; true ends the build with an error.
  static zel::Result<std::shared_ptr<const OrderData>> build(Table& table, const Expression& key,
                                                             const Expression* condition, bool descending,
                                                             const std::function<bool()>& stop = {});

 private:
  int compare(std::string_view a, std::string_view b) const;
  // past: the first position after the keys equal to `key`, not the first of them.
  size_t bound(std::string_view key, size_t len, bool past) const;

  uint32_t keyLen_ = 0;
  uint32_t recCount_ = 0;
  bool descending_ = false;
  std::unique_ptr<char[]> keys_;  // by recno - 1
  // Keys already in record order (report files are written page by page) need
  // no permutation: identity_ stands for both arrays.
  bool identity_ = false;
  std::vector<uint32_t> sorted_;  // recnos in key order
  std::vector<uint32_t> position_;  // by recno - 1: position + 1, 0 when left out
};

// Process-wide cache of built orders, keyed by the table file's identity
// (path, size, modification time, record count) and the tag definition, so
// reopening a table does not rebuild its orders.
class OrderCache {
 public:
  static std::shared_ptr<const OrderData> find(const std::string& key);
  static void put(const std::string& key, std::shared_ptr<const OrderData> data);
  static void clear();
  static std::string makeKey(const std::string& path, uint64_t size, int64_t mtimeNs, uint32_t recCount,
                             const std::string& tag, const std::string& expr, const std::string& cond, bool descending);
};

}  // namespace sde
