#include "shaped_text_cache.h"

#include <algorithm>
#include <functional>

namespace zel {

std::size_t ShapedTextCache::KeyHash::operator()(const Key& key) const {
  const std::size_t h = std::hash<std::string_view>()(key.text);
  return h ^ (std::hash<const void*>()(key.font) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2));
}

ShapedTextCache::ShapedTextCache(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1)) {
  index_.reserve(capacity_);
}

ShapedText* ShapedTextCache::find(const void* font, std::string_view cp949) {
  const auto found = index_.find(Key{font, cp949});
  if (found == index_.end()) return nullptr;
  entries_.splice(entries_.begin(), entries_, found->second);
  return &found->second->shaped;
}

ShapedText& ShapedTextCache::insert(const void* font, std::string_view cp949) {
  if (entries_.size() >= capacity_) {
    const Entry& oldest = entries_.back();
    index_.erase(Key{oldest.font, oldest.cp949});
    entries_.pop_back();
    ++evictions_;
  }
  entries_.push_front(Entry{font, std::string(cp949), {}});
  index_.emplace(Key{font, entries_.front().cp949}, entries_.begin());
  return entries_.front().shaped;
}

void ShapedTextCache::clear() {
  evictions_ += entries_.size();
  index_.clear();
  entries_.clear();
}

}  // namespace zel
