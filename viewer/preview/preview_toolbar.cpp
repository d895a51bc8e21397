#include "preview_toolbar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <algorithm>
#include <climits>
#include <exception>
#include <string>

#include "font_mapper.h"
#include "num_edit.h"
#include "toolbar_icons.h"

namespace zel {

PreviewToolBar::PreviewToolBar(MessageService& messages, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("toolBar"));
  setFixedHeight(kRowHeight);

  auto button = [this](const char* name, int left, int width, ToolbarIcon icon, const QString& hint) {
    auto* b = new QToolButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoRaise(true);
    b->setGeometry(left, 5, width, 28);
    b->setIcon(toolbarIcon(icon));
    b->setIconSize(QSize(20, 20));
    b->setFocusPolicy(Qt::NoFocus);
    b->setCursor(Qt::PointingHandCursor);
    if (!hint.isEmpty()) b->setToolTip(hint);
    return b;
  };
  closeButton = button("closeButton", 9, 26, ToolbarIcon::kClose, QString());
  printButton = button("printButton", 43, 26, ToolbarIcon::kPrint, QStringLiteral("인쇄"));
  fitPageButton = button("fitPageButton", 69, 27, ToolbarIcon::kFitPage, QStringLiteral("한눈에 보이게"));
  fitWidthButton = button("fitWidthButton", 96, 27, ToolbarIcon::kFitWidth, QStringLiteral("넓이에 맞게"));
  zoomInButton = button("zoomInButton", 123, 26, ToolbarIcon::kZoomIn, QStringLiteral("확대"));
  zoomOutButton = button("zoomOutButton", 149, 26, ToolbarIcon::kZoomOut, QStringLiteral("축소"));
  firstPageButton = button("firstPageButton", 185, 24, ToolbarIcon::kFirst, QStringLiteral("첫Page"));
  priorPageButton = button("priorPageButton", 209, 24, ToolbarIcon::kPrior, QStringLiteral("이전Page"));
  nextPageButton = button("nextPageButton", 233, 24, ToolbarIcon::kNext, QStringLiteral("다음Page"));
  lastPageButton = button("lastPageButton", 257, 24, ToolbarIcon::kLast, QStringLiteral("끝Page"));
  findButton = button("findButton", 291, 26, ToolbarIcon::kSearch, QStringLiteral("찾기(F4)"));
  findButton->setCursor(Qt::ArrowCursor);
  // After the copy count field, so the designed controls keep their places.
  exportButton = button("exportButton", 805, 26, ToolbarIcon::kExport, QStringLiteral("엑셀저장"));

  auto label = [this](const char* name, const QString& text, int left, int top) {
    auto* l = new QLabel(text, this);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(FontMapper::fixedFont(12));
    l->adjustSize();
    l->move(left, top);
    return l;
  };
  auto field = [this, &messages](const char* name, int left, int width, long double min, long double max, bool coma,
                                 int maxLength, const QString& designed) {
    auto* f = new TNumberEdit(messages, this);
    f->setObjectName(QString::fromLatin1(name));
    f->setFont(FontMapper::fixedFont(13));
    f->setGeometry(left, 8, width, 21);
    f->SetIsComa(coma);
    f->SetDigits(0);
    f->SetMax(max);
    f->SetMin(min);
    if (maxLength > 0) f->setMaxLength(maxLength);
    f->setText(designed);
    return f;
  };
  rangeLabel = label("rangeLabel", QStringLiteral("인쇄범위"), 337, 13);
  rangeFromField = field("rangeFromField", 387, 44, 1, 9999, false, 4, QStringLiteral("1"));
  rangeDashLabel = label("rangeDashLabel", QStringLiteral("∼"), 432, 10);
  rangeToField = field("rangeToField", 446, 44, 1, 9999, false, 4, QStringLiteral("9999"));
  pageLabel = label("pageLabel", QStringLiteral("이동"), 513, 13);
  pageField = field("pageField", 539, 44, 0, 999999999999.0L, false, 0, QStringLiteral("1"));
  startNumberLabel = label("startNumberLabel", QStringLiteral("시작번호"), 600, 13);
  startNumberField = field("startNumberField", 650, 44, 0, 999999999999.0L, false, 0, QStringLiteral("1"));
  copiesLabel = label("copiesLabel", QStringLiteral("인쇄매수"), 717, 13);
  copiesField = field("copiesField", 766, 23, 1, 99, true, 0, QStringLiteral("1"));
  // The groups, in the order they wrap: buttons, print range, page, starting
  // number, copies, export.
  const std::vector<std::vector<QWidget*>> groups = {
      {closeButton, printButton, fitPageButton, fitWidthButton, zoomInButton, zoomOutButton, firstPageButton,
       priorPageButton, nextPageButton, lastPageButton, findButton},
      {rangeLabel, rangeFromField, rangeDashLabel, rangeToField},
      {pageLabel, pageField},
      {startNumberLabel, startNumberField},
      {copiesLabel, copiesField},
      {exportButton}};
  for (const std::vector<QWidget*>& members : groups) {
    ToolGroup group;
    for (QWidget* w : members) group.designed.emplace_back(w, w->geometry());
    groups_.push_back(std::move(group));
  }
  // Wired after the designed texts are in, so building the toolbar runs no handler.
  connect(rangeFromField, &QLineEdit::textChanged, this, &PreviewToolBar::rangeFromChanged);
  connect(rangeToField, &QLineEdit::textChanged, this, &PreviewToolBar::rangeToChanged);
}

PreviewToolBar::~PreviewToolBar() {
  // The fields lose the focus while the window goes: no handler may run on them then.
  for (TNumberEdit* field : fields()) field->disconnect(this);
}

void PreviewToolBar::setPageRange(int first, int last) {
  firstPage_ = first;
  lastPage_ = last;
  const int digits = std::max(4, static_cast<int>(std::to_string(std::max(last, 1)).size()));
  for (TNumberEdit* range : {rangeFromField, rangeToField}) {
    range->SetMax(std::max(9999, last));
    range->setMaxLength(digits);
  }
  rangeFromField->SetValue(first);
  rangeToField->SetValue(last);
}

void PreviewToolBar::pullIntoPages(TNumberEdit& field) const {
  const long double value = field.Value();
  if (value < firstPage_) {
    field.SetValue(firstPage_);
  } else if (value > lastPage_) {
    field.SetValue(lastPage_);
  }
}

void PreviewToolBar::rangeFromChanged() {
  pullIntoPages(*rangeFromField);
  const long double start = rangeFromField->Value();
  startNumberField->SetValue(start);
  if (start > rangeToField->Value()) rangeToField->SetValue(start);
}

void PreviewToolBar::rangeToChanged() { pullIntoPages(*rangeToField); }

std::vector<TNumberEdit*> PreviewToolBar::fields() const {
  return {rangeFromField, rangeToField, pageField, startNumberField, copiesField};
}

void PreviewToolBar::setPageButtons(bool first, bool prior, bool next, bool last) {
  firstPageButton->setEnabled(first);
  priorPageButton->setEnabled(prior);
  nextPageButton->setEnabled(next);
  lastPageButton->setEnabled(last);
}

void PreviewToolBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  arrange();
}

void PreviewToolBar::arrange() {
  constexpr int kLeftMargin = 9;
  constexpr int kWrappedRowHeight = 36;  // below the designed 41-pixel row
  const int available = width() - kLeftMargin;
  int row = 0;
  int shift = 0;  // how far the current row's groups move left
  for (const ToolGroup& group : groups_) {
    int left = INT_MAX, right = 0;
    for (const auto& [widget, rect] : group.designed) {
      left = std::min(left, rect.left());
      right = std::max(right, rect.right() + 1);
    }
    if (right - shift > available && left - shift > kLeftMargin) {
      ++row;
      shift = left - kLeftMargin;
    }
    for (const auto& [widget, rect] : group.designed)
      widget->move(rect.left() - shift, rect.top() + row * kWrappedRowHeight);
  }
  setFixedHeight(kRowHeight + row * kWrappedRowHeight);
}

PreviewStatusBar::PreviewStatusBar(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("statusBar"));
  setFixedHeight(kHeight);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(8, 2, 8, 2);
  pageCaptionLabel = new QLabel(QStringLiteral("페이지:"), this);
  pageNumberLabel = new QLabel(QStringLiteral("1"), this);
  pageNumberLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  pageNumberLabel->setMinimumWidth(40);
  pageTotalLabel = new QLabel(QStringLiteral("/ 1"), this);
  layout->addWidget(pageCaptionLabel);
  layout->addWidget(pageNumberLabel);
  layout->addWidget(pageTotalLabel);
  layout->addSpacing(24);
  // Kept apart from the line below, which each saved file rewrites.
  warningLabel = new QLabel(this);
  warningLabel->setObjectName(QStringLiteral("warningLabel"));
  warningLabel->setStyleSheet(QStringLiteral("color: #b00000;"));
  warningLabel->hide();
  layout->addWidget(warningLabel);
  layout->addSpacing(12);
  savedFileLabel = new QLabel(this);
  savedFileLabel->setObjectName(QStringLiteral("savedFileLabel"));
  layout->addWidget(savedFileLabel, 1);
}

}  // namespace zel
