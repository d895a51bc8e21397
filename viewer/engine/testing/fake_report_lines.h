// Test support: an in-memory report table behind ReportLines. Records are
// field -> text maps kept in page-index order (stable by F_PAGE, as the index
// keeps equal keys in record order); types default to "C", and fields named
// in `types` exist even on records that leave them out. A field the table
// lacks throws DataError, as the table layer does.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "data_error.h"
#include "number_format.h"
#include "report_lines.h"

namespace zel {

class FakeReportLines : public ReportLines {
 public:
  using Record = std::map<std::string, std::string>;

  std::map<std::string, std::string> types;  // field -> "C", "N", "I", "M", ...
  std::vector<Record> records;
  std::size_t pos = 0;
  int seeks = 0;
  std::string lastSeekKey;

  void add(Record r) { records.push_back(std::move(r)); }
  // Orders the records by the page index key.
  void index() {
    std::stable_sort(records.begin(), records.end(), [](const Record& a, const Record& b) {
      return std::stol(a.at("F_PAGE")) < std::stol(b.at("F_PAGE"));
    });
  }

  bool hasField(const std::string& name) override { return types.count(name) > 0; }
  std::string fieldTypeName(const std::string& name) override {
    auto it = types.find(name);
    return it == types.end() ? "" : it->second;
  }
  double fieldAsFloat(const std::string& name) override {
    return std::strtod(value(name).c_str(), nullptr);  // text that is no number reads as 0
  }
  long fieldAsInteger(const std::string& name) override { return std::strtol(value(name).c_str(), nullptr, 10); }
  std::string fieldAsPaddedText(const std::string& name) override { return value(name); }
  void goTop() override { pos = 0; }
  bool softSeek(const std::string& key) override {
    ++seeks;
    lastSeekKey = key;
    for (pos = 0; pos < records.size(); ++pos)
      if (PadLeft(std::optional<std::string>(records[pos].at("F_PAGE")), 5) >= key)
        return PadLeft(std::optional<std::string>(records[pos].at("F_PAGE")), 5) == key;
    return false;
  }
  bool eof() override { return pos >= records.size(); }
  void next() override {
    if (pos < records.size()) ++pos;
  }

 private:
  std::string value(const std::string& name) {
    if (!hasField(name)) throw DataError(ErrorKind::kFieldMissing, "Field '" + name + "' not found");
    if (eof()) return {};
    auto it = records[pos].find(name);
    return it == records[pos].end() ? std::string() : it->second;
  }
};

}  // namespace zel
