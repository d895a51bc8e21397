#include "margin_writer.h"

#include "data_error.h"
#include "margin_limits.h"
#include "report_description.h"
#include "settings_block.h"

namespace zel {

namespace {

constexpr char kPageSpaceKey[] = "PAGESPACE";
constexpr char kSettingsField[] = "F_INIT";

}  // namespace

std::string marginDigits(const std::string& text) {
  std::string digits;
  for (char c : text) {
    if (c != ',' && c != ' ') digits += c;
  }
  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return "0";
  return digits.substr(first);
}

std::string pageSpaceValue(const std::array<std::string, 4>& fieldTexts) {
  std::string value;
  for (const std::string& text : fieldTexts) value += marginDigits(text) + "|";
  return value;
}

void MarginWriter::load(const std::string& directory, const std::string& fileName) {
  path_ = directory + "/" + fileName;
  landscape_ = !fileName.empty() && fileName[0] == 'L';
  // Without this the first read would fail with a closed-table error that hides the reason.
  if (!table_.OpenTable(directory, fileName, "CDX")) {
    const DataError& why = *table_.OpenError();
    throw DataError(why.kind(), path_ + "\r" + why.what(), why.sysError());
  }
  table_.First();
  block_ = table_.FieldAsString(kSettingsField);
}

bool MarginWriter::hasPageSpace() const { return !GetKey(block_, kPageSpaceKey).empty(); }

std::array<int, 4> MarginWriter::margins() const {
  std::array<int, 4> result{};
  std::string value = GetKey(block_, kPageSpaceKey);
  if (value.empty()) return result;
  for (int i = 0; i < 4; ++i) result[i] = TokenInt(i + 1, value, 0);
  return result;
}

void MarginWriter::save(const std::array<std::string, 4>& fieldTexts) {
  // Margins added to an unusable report would still leave it unusable, and the
  // write would grow its memo file: refused whoever asks.
  if (!settingsBlockReads(block_)) throw DataError(ErrorKind::kFieldMissing, path_ + "\r" + kUnreadableSettingsText);
  // A value the layout cannot read back would make the report unusable.
  if (const std::string problem = MarginProblem(fieldTexts, landscape_); !problem.empty())
    throw DataError(ErrorKind::kOther, problem);
  std::string block = block_;
  SetKey(block, kPageSpaceKey, pageSpaceValue(fieldTexts));
  // The engine writes a memo text into new blocks, so a save of the same
  // values would grow the memo file for nothing.
  if (block == block_) return;

  table_.First();
  try {
    table_.Edit();
  } catch (const DataError& e) {
    throw DataError(
        e.kind(), path_ + "\r다른 프로그램이 이 보고서를 사용하고 있어 여백을 저장하지 못했습니다.\r(" + e.what() + ")",
        e.sysError());
  }
  try {
    table_.SetFieldText(kSettingsField, block);
    table_.Post();
  } catch (const DataError& e) {
    try {
      table_.Cancel();
    } catch (const DataError&) {
      // The write already failed; that is the error the user needs to see.
    }
    throw DataError(e.kind(), path_ + "\r여백을 저장하지 못했습니다.\r(" + std::string(e.what()) + ")", e.sysError());
  }
  block_ = std::move(block);
}

}  // namespace zel
