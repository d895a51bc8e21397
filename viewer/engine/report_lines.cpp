#include "report_lines.h"

#include "apollo.h"

namespace zel {

bool ApolloLines::hasField(const std::string& name) { return apollo_.FieldNumber(name) != 0; }
std::string ApolloLines::fieldTypeName(const std::string& name) { return apollo_.FieldTypeName(name); }
double ApolloLines::fieldAsFloat(const std::string& name) { return apollo_.FieldAsFloat(name); }
long ApolloLines::fieldAsInteger(const std::string& name) { return apollo_.FieldAsInteger(name); }
std::string ApolloLines::fieldAsPaddedText(const std::string& name) { return apollo_.FieldAsPaddedText(name); }
void ApolloLines::goTop() { apollo_.GoTop(); }
bool ApolloLines::softSeek(const std::string& key) { return SoftSeekKey(apollo_, key); }
bool ApolloLines::eof() { return apollo_.Eof(); }
void ApolloLines::next() { apollo_.MoveRecords(1); }

}  // namespace zel
