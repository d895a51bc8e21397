// ReportLines: the record walk the renderer and the find logic need from a
// report table: field tests and typed reads on the current record, top, seek
// in the page index, next, end. ReportTableLines reads a ReportTable (the
// real table); tests use an in-memory fake. Errors of the table layer
// (DataError) pass through unchanged. Not thread-safe.
#pragma once

#include <string>

namespace zel {

class ReportTable;

class ReportLines {
 public:
  virtual ~ReportLines() = default;
  virtual bool hasField(const std::string& name) = 0;
  virtual std::string fieldTypeName(const std::string& name) = 0;  // "" when absent
  virtual double fieldAsFloat(const std::string& name) = 0;
  virtual long fieldAsInteger(const std::string& name) = 0;
  virtual std::string fieldAsPaddedText(const std::string& name) = 0;
  virtual void goTop() = 0;
  // Soft seek in the current order: lands on the first key >= key (or the end).
  virtual bool softSeek(const std::string& key) = 0;
  virtual bool eof() = 0;
  virtual void next() = 0;
};

// Over an open report table, which must outlive this object.
class ReportTableLines : public ReportLines {
 public:
  explicit ReportTableLines(ReportTable& table) : table_(table) {}
  bool hasField(const std::string& name) override;
  std::string fieldTypeName(const std::string& name) override;
  double fieldAsFloat(const std::string& name) override;
  long fieldAsInteger(const std::string& name) override;
  std::string fieldAsPaddedText(const std::string& name) override;
  void goTop() override;
  bool softSeek(const std::string& key) override;
  bool eof() override;
  void next() override;

 private:
  ReportTable& table_;
};

}  // namespace zel
