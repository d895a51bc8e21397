#include "report_lines.h"

#include "report_table.h"

namespace zel {

bool ReportTableLines::hasField(const std::string& name) { return table_.FieldNumber(name) != 0; }
std::string ReportTableLines::fieldTypeName(const std::string& name) { return table_.FieldTypeName(name); }
double ReportTableLines::fieldAsFloat(const std::string& name) { return table_.FieldAsFloat(name); }
long ReportTableLines::fieldAsInteger(const std::string& name) { return table_.FieldAsInteger(name); }
std::string ReportTableLines::fieldAsPaddedText(const std::string& name) { return table_.FieldAsPaddedText(name); }
void ReportTableLines::goTop() { table_.GoTop(); }
bool ReportTableLines::softSeek(const std::string& key) { return table_.SoftSeekKey(key); }
bool ReportTableLines::eof() { return table_.Eof(); }
void ReportTableLines::next() { table_.MoveRecords(1); }

}  // namespace zel
