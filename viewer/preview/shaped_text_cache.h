// ShapedTextCache: cell texts as the canvas draws them (converted from CP949,
// laid out, measured), kept for the texts used last and keyed by font and
// bytes. Captions, units, item names and many amounts repeat from line to
// line and page to page; a text found here costs no conversion, shaping or
// glyph loading. Bounded: the least recently used entry leaves first.
//
// An entry reference stays valid until the next insert(); evictions() tells
// a holder when an insert may have dropped it. Not thread-safe.
#pragma once

#include <QGlyphRun>
#include <QString>
#include <cstddef>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>

namespace zel {

struct ShapedText {
  QString text;
  double advance = 0;  // font pixels
  // Laid out without the shaper (CharGlyphs): run holds its glyphs, blanks
  // left out. Otherwise texts are drawn by the painter from text.
  bool hasRun = false;
  QGlyphRun run;
};

class ShapedTextCache {
 public:
  explicit ShapedTextCache(std::size_t capacity);
  ShapedTextCache(const ShapedTextCache&) = delete;
  ShapedTextCache& operator=(const ShapedTextCache&) = delete;

  // The entry of text in font (any stable identity), or null; a found entry
  // becomes the most recently used.
  ShapedText* find(const void* font, std::string_view cp949);
  // A new empty entry for text in font, dropping the least recently used one
  // when full. The key must not be cached already.
  ShapedText& insert(const void* font, std::string_view cp949);
  void clear();

  std::size_t size() const { return entries_.size(); }
  std::size_t capacity() const { return capacity_; }
  // How many entries have left so far.
  std::size_t evictions() const { return evictions_; }

 private:
  struct Key {
    const void* font;
    std::string_view text;  // points into the entry's own copy
    bool operator==(const Key& other) const { return font == other.font && text == other.text; }
  };
  struct KeyHash {
    std::size_t operator()(const Key& key) const;
  };
  struct Entry {
    const void* font;
    std::string cp949;
    ShapedText shaped;
  };

  std::size_t capacity_;
  std::size_t evictions_ = 0;
  std::list<Entry> entries_;  // most recently used first
  std::unordered_map<Key, std::list<Entry>::iterator, KeyHash> index_;
};

}  // namespace zel
