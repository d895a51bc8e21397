// The margin dialog's hold on one report: the open table and its settings
// block, from the dialog's showing until it closes. Reading takes the four
// PAGESPACE tokens; writing replaces only that value and posts the first
// record under the engine's record lock, so every other byte of F_INIT stays
// as it was. One MarginWriter per dialog; it closes the table when destroyed.
#pragma once

#include <array>
#include <string>

#include "report_table.h"

namespace zel {

class MarginWriter {
 public:
  // True when the report's pages are landscape (its name begins with "L").
  bool landscape() const { return landscape_; }

  // Opens fileName in directory and reads the block of the first record.
  // Throws DataError (the closed-table error) when the report cannot be opened.
  void load(const std::string& directory, const std::string& fileName);

  // Tokens 1 to 4 of PAGESPACE as integers (0 for a missing or non-numeric
  // token); all zero when the block has no PAGESPACE value.
  std::array<int, 4> margins() const;
  bool hasPageSpace() const;

  // Writes the four field texts (top, bottom, left, right) as the PAGESPACE
  // value and posts the first record. Throws DataError with a message for the
  // user when the settings block does not read (settingsBlockReads), the
  // margins are ones the report cannot use (MarginProblem), the
  // record is locked by another program or the write fails; the file is then
  // unchanged.
  void save(const std::array<std::string, 4>& fieldTexts);

  const std::string& block() const { return block_; }

 private:
  ReportTable table_;
  std::string block_;
  std::string path_;
  bool landscape_ = false;
};

// The PAGESPACE value made from the fields' texts: plain digits, each followed
// by "|". Thousands separators and blanks are dropped, since the layout reads
// the tokens as whole numbers; an empty text counts as 0.
std::string pageSpaceValue(const std::array<std::string, 4>& fieldTexts);

// One field's text as stored: separators and blanks dropped, leading zeros
// dropped (so the token is as short as the number), "0" for an empty text.
std::string marginDigits(const std::string& text);

}  // namespace zel
