// DescriptionPanel: the top of the main window — the maker's logo and what
// the selected report's settings say (title, sort order, print range,
// orientation, pages, fixed decimals, print options, remarks, margins), with
// the margin button. It shows a ReportDescription and knows nothing of files;
// the main window reads the description and wires the logo and the button.
#pragma once

#include <QFrame>
#include <array>
#include <string>

class QLabel;
class QPushButton;

namespace zel {

class LogoImage;
struct ReportDescription;

class DescriptionPanel : public QFrame {
  Q_OBJECT
 public:
  explicit DescriptionPanel(QWidget* parent);

  static constexpr int kHeight = 108;

  QFrame* logoFrame = nullptr;
  LogoImage* logo = nullptr;
  QLabel* titleCaption = nullptr;
  QLabel* titleLabel = nullptr;
  QLabel* sortCaption = nullptr;
  QLabel* sortLabel = nullptr;
  QLabel* printRangeCaption = nullptr;
  QLabel* printRangeLabel = nullptr;
  QLabel* orientationCaption = nullptr;
  QLabel* orientationLabel = nullptr;
  QLabel* pagesCaption = nullptr;
  QLabel* pagesLabel = nullptr;
  QLabel* fixedDecimalsCaption = nullptr;
  QLabel* fixedDecimalsLabel = nullptr;
  QLabel* optionsCaption = nullptr;
  std::array<QLabel*, 4> optionLabels{};
  QLabel* remarksCaption = nullptr;
  QLabel* remarksLabel = nullptr;
  QLabel* marginsCaption = nullptr;
  QLabel* marginsLabel = nullptr;
  QPushButton* marginButton = nullptr;

  // Empties every value (the margin button enabled until a description says otherwise).
  void clear();
  // Shows a description; its pages as "…" while they are still counted.
  void show(const ReportDescription& description);
  // The page count once the background count has it (empty: none).
  void setPages(const std::string& pages);
  // Only a report described in full may be written to.
  static bool marginsUsable(const ReportDescription& description);

 private:
  QLabel* caption(const char* name, const QString& text, int left, int top);
  static void setText(QLabel* label, const std::string& utf8);
  // A margins text running into the button pushes it right, down to the
  // width its caption needs.
  void placeMarginButton();
};

}  // namespace zel
