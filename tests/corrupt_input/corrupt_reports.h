// The corrupt-input regression set: for every fault found in bad input, the
// smallest report that shows it, made from the report writer's output with
// byte edits (or writer options where the fault is in the settings block).
// Each maker writes into a directory and returns the path of the report.
#pragma once

#include <cstdint>
#include <string>

#include "sample_reports.h"

namespace zel::corrupt {

// A two-page bill (the smallest that can print short), written as fileName.
std::string writeBill(const std::string& dir, const std::string& fileName,
                      const reportwriter::BillOptions& options = {});
// The same with some settings values replaced (key, value pairs, CP949).
std::string writeBillWithSettings(const std::string& dir, const std::string& fileName,
                                  const reportwriter::SettingsEntries& replaced);

// Byte edits of a .dbf.
void setFieldType(const std::string& dbf, const std::string& field, char type);
// Sets a field's stored bytes in a record (1-based), padded with blanks to its width.
void setFieldBytes(const std::string& dbf, const std::string& field, std::uint32_t record, const std::string& bytes);
void setRecordCount(const std::string& dbf, std::uint32_t count);
std::uint32_t recordCount(const std::string& dbf);
std::uint32_t headerLength(const std::string& dbf);
std::uint32_t recordLength(const std::string& dbf);
void truncateTo(const std::string& file, std::uint64_t size);
void appendBytes(const std::string& file, std::uint64_t count, char byte);
std::uint64_t fileSize(const std::string& file);
std::string fileBytes(const std::string& file);  // "" when missing

}  // namespace zel::corrupt
