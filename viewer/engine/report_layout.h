// The run's page model: column descriptors (TFieldDesc) and the layout of one
// report run (TReportLayout), parsed from the report's settings block. The
// layout holds only what is the same on every page; pages are F_PAGE values in
// the table, never objects. One layout per run, owned by the run state
// (preview_session.h); the renderer reads it and never changes it.
//
// Display positions and field numbers count from 1, as the settings keys do;
// index 0 of the position-indexed arrays is unused.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zel {

inline constexpr int kMaxFields = 20;
inline constexpr int kDescriptorItems = 18;

// One column descriptor: the tokens of key "F<k>", items numbered from 0.
struct TFieldDesc {
  std::vector<std::string> items = std::vector<std::string>(kDescriptorItems);

  const std::string& item(int i) const { return items[i]; }
  const std::string& Seq() const { return items[0]; }
  const std::string& Group() const { return items[1]; }
  const std::string& CaptionRows() const { return items[2]; }
  const std::string& Kind() const { return items[3]; }
  const std::string& WidthPct() const { return items[4]; }
  const std::string& DataType() const { return items[6]; }
  const std::string& FieldName() const { return items[7]; }
  const std::string& LowerCaption() const { return items[9]; }
  const std::string& UpperCaption() const { return items[10]; }
  const std::string& DecClass() const { return items[12]; }
  const std::string& Align() const { return items[13]; }

  // Items read as integers; each throws DataError (the conversion error) when
  // the item is empty or not a decimal integer.
  int SeqValue() const;
  int GroupValue() const;
  int CaptionRowsValue() const;
  int KindValue() const;
  int WidthPctValue() const;
};

struct TReportLayout {
  std::string ReportCode;  // "RPTB01" or "RPTB02"
  std::string ReportDir;  // without a trailing separator
  std::string ReportBase;  // file name without extension
  std::string SettingsText;  // the settings block, CP949

  std::array<TFieldDesc, kMaxFields + 1> Fields;  // [1..FieldCount], key order
  std::uint8_t FieldCount = 0;
  std::vector<std::uint8_t> DisplayOrder;  // field numbers; size = visible columns
  std::array<bool, kMaxFields + 2> JoinsNext{};  // by display position [1..n]
  bool DesWithSize = false;
  int CaptionHeight = 80;  // 120 for the tall band
  int LinesPerPage = 0;  // the frame holds LinesPerPage - 1 body rows

  int PageTotal = 1;
  int PageWidth = 2100, PageHeight = 2970;
  int MarginTop = 0, MarginBottom = 0, MarginLeft = 0, MarginRight = 0;

  // A base name starting with "L" is a landscape report; any other is portrait.
  bool Landscape() const { return !ReportBase.empty() && ReportBase[0] == 'L'; }
  int VisibleCount() const { return static_cast<int>(DisplayOrder.size()); }
  // Descriptor of display position p (1-based).
  const TFieldDesc& Column(int p) const { return Fields[DisplayOrder[p - 1]]; }
  // First and last display positions of the group holding position p.
  int GroupFirst(int p) const;
  int GroupLast(int p) const;
};

// Fills the column part (Fields, FieldCount, DisplayOrder, JoinsNext,
// DesWithSize, CaptionHeight, LinesPerPage) from layout.SettingsText.
// Throws DataError on an item that must be an integer and is not.
void ParseLayout(TReportLayout& layout);

// Margins from the PAGESPACE value (tokens x 20, an absent token 0; a present
// non-numeric one throws DataError) and the page size from the base name's
// first letter ("L" landscape; "P" and anything else portrait).
void ApplyPageGeometry(TReportLayout& layout);

// Strict decimal integer (leading blanks allowed, optional sign); throws
// DataError naming `what` otherwise.
int ToIntStrict(const std::string& text, const std::string& what);

}  // namespace zel
