#include "description_panel.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "logo_image.h"
#include "report_description.h"

namespace zel {

DescriptionPanel::DescriptionPanel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("descriptionPanel"));
  setFrameStyle(QFrame::Panel | QFrame::Sunken);

  logoFrame = new QFrame(this);
  logoFrame->setObjectName(QStringLiteral("logoFrame"));
  logoFrame->setFrameStyle(QFrame::Panel | QFrame::Raised);
  logoFrame->setGeometry(3, 3, 82, 52);
  logo = new LogoImage(this);
  logo->setObjectName(QStringLiteral("logo"));
  logo->move(4, 4);

  titleCaption = caption("titleCaption", QStringLiteral("보고서명:"), 96, 8);
  titleLabel = caption("titleLabel", QString(), 152, 8);
  sortCaption = caption("sortCaption", QStringLiteral("Sort옵션:"), 96, 24);
  sortLabel = caption("sortLabel", QString(), 152, 24);
  printRangeCaption = caption("printRangeCaption", QStringLiteral("인쇄범위:"), 96, 40);
  printRangeLabel = caption("printRangeLabel", QString(), 152, 40);
  orientationCaption = caption("orientationCaption", QStringLiteral("인쇄방향:"), 96, 56);
  orientationLabel = caption("orientationLabel", QString(), 152, 56);
  pagesCaption = caption("pagesCaption", QStringLiteral("Page수:"), 108, 72);
  pagesLabel = caption("pagesLabel", QString(), 152, 72);
  fixedDecimalsCaption = caption("fixedDecimalsCaption", QStringLiteral("고정소숫점:"), 84, 88);
  fixedDecimalsLabel = caption("fixedDecimalsLabel", QString(), 152, 88);
  optionsCaption = caption("optionsCaption", QStringLiteral("인쇄옵션:"), 319, 8);
  for (int i = 0; i < 4; ++i)
    optionLabels[i] = caption(("optionLabel" + std::to_string(i + 1)).c_str(), QString(), 375, 8 + 16 * i);
  remarksCaption = caption("remarksCaption", QStringLiteral("비고옵션:"), 319, 72);
  remarksLabel = caption("remarksLabel", QString(), 375, 72);
  marginsCaption = caption("marginsCaption", QStringLiteral("여    백:"), 319, 88);
  marginsLabel = caption("marginsLabel", QString(), 375, 88);

  marginButton = new QPushButton(QStringLiteral("여백변경"), this);
  marginButton->setObjectName(QStringLiteral("marginButton"));
  marginButton->setGeometry(511, 87, 76, 18);
  // Reached by Tab from the list; Enter presses it as Space does.
  marginButton->setFocusPolicy(Qt::StrongFocus);
  marginButton->setAutoDefault(true);
}

QLabel* DescriptionPanel::caption(const char* name, const QString& text, int left, int top) {
  auto* label = new QLabel(text, this);
  label->setObjectName(QString::fromLatin1(name));
  label->move(left, top);
  label->adjustSize();
  return label;
}

void DescriptionPanel::setText(QLabel* label, const std::string& utf8) {
  label->setText(QString::fromStdString(utf8));
  label->adjustSize();
}

void DescriptionPanel::clear() {
  marginButton->setEnabled(true);
  for (QLabel* label : {titleLabel, orientationLabel, pagesLabel, fixedDecimalsLabel, sortLabel, printRangeLabel,
                        optionLabels[0], optionLabels[1], optionLabels[2], optionLabels[3], remarksLabel, marginsLabel})
    setText(label, "");
}

void DescriptionPanel::show(const ReportDescription& d) {
  setText(titleLabel, d.title);
  setText(sortLabel, d.sortOrder);
  setText(printRangeLabel, d.printRange);
  setText(orientationLabel, d.orientation);
  setText(pagesLabel, d.pagesPending ? std::string("…") : d.pages);
  setText(fixedDecimalsLabel, d.fixedDecimals);
  for (int i = 0; i < 4; ++i) setText(optionLabels[i], d.options[i]);
  setText(remarksLabel, d.remarks);
  setText(marginsLabel, d.margins);
  placeMarginButton();
  marginButton->setEnabled(marginsUsable(d));
}

void DescriptionPanel::setPages(const std::string& pages) { setText(pagesLabel, pages); }

bool DescriptionPanel::marginsUsable(const ReportDescription& d) {
  // With nothing selected the margin dialog would have no file to open.
  return d.kind == ReportKind::kOk && d.canChangeMargins;
}

void DescriptionPanel::placeMarginButton() {
  // Designed at 511, 76 wide.
  constexpr int kDesignedLeft = 511, kDesignedWidth = 76, kGap = 4;
  const int panelRight = kDesignedLeft + kDesignedWidth;
  const int fit = marginButton->fontMetrics().horizontalAdvance(marginButton->text()) + 8;
  const int textEnd = marginsLabel->text().isEmpty() ? 0 : marginsLabel->geometry().right() + 1 + kGap;
  const int left = std::min(std::max(kDesignedLeft, textEnd), panelRight - fit);
  marginButton->setGeometry(left, marginButton->y(), panelRight - left, marginButton->height());
}

}  // namespace zel
