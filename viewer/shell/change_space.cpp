#include "change_space.h"

#include <QFontMetrics>
#include <QStyle>
#include <algorithm>
#include <utility>

#include <QLabel>
#include <QPushButton>

#include "error_report.h"
#include "margin_limits.h"
#include "margin_writer.h"
#include "message_service.h"
#include "num_edit.h"
#include "shell_font.h"
#include "shell_globals.h"

namespace zel {

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int left) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->move(left, 20);
  label->adjustSize();
  return label;
}

}  // namespace

TfrmChangeSpace::TfrmChangeSpace(QWidget* parent) : QDialog(parent), writer_(std::make_unique<MarginWriter>()) {
  setWindowTitle(QStringLiteral("여백변경"));
  setFont(shellFont());
  setFixedSize(356, 56);

  Label1 = makeLabel(this, "Label1", QStringLiteral("상"), 8);
  nedTop = makeField("nedTop", 24);
  Label2 = makeLabel(this, "Label2", QStringLiteral("하"), 72);
  nedBottom = makeField("nedBottom", 88);
  Label3 = makeLabel(this, "Label3", QStringLiteral("좌"), 136);
  nedLeft = makeField("nedLeft", 152);
  Label4 = makeLabel(this, "Label4", QStringLiteral("우"), 200);
  nedRight = makeField("nedRight", 216);

  btnConfirm = new QPushButton(QStringLiteral("확  인"), this);
  btnConfirm->setObjectName(QStringLiteral("btnConfirm"));
  btnConfirm->setGeometry(266, 14, 75, 25);
  btnConfirm->setAutoDefault(true);  // Enter presses it when it has the focus
  connect(btnConfirm, &QPushButton::clicked, this, [this] { guarded([this] { btnConfirmClick(); }); });

  for (TNumberEdit* field : {nedTop, nedBottom, nedLeft, nedRight})
    connect(field, &QLineEdit::textChanged, this, &TfrmChangeSpace::fitFields);

  setTabOrder(nedTop, nedBottom);
  setTabOrder(nedBottom, nedLeft);
  setTabOrder(nedLeft, nedRight);
  setTabOrder(nedRight, btnConfirm);
}

TfrmChangeSpace::~TfrmChangeSpace() = default;

void TfrmChangeSpace::fitFields() {
  // The designed 33-pixel fields show three or four digits; a longer value
  // widens its field and pushes the rest of the row (and the window) right.
  constexpr int kFieldWidth = 33, kLabelToField = 16, kFieldToLabel = 15, kFieldToButton = 17, kRightMargin = 15;
  const std::pair<QLabel*, TNumberEdit*> row[] = {
      {Label1, nedTop}, {Label2, nedBottom}, {Label3, nedLeft}, {Label4, nedRight}};
  int left = 8;
  for (const auto& [label, field] : row) {
    label->move(left, label->y());
    const QFontMetrics metrics(field->font());
    const int needed =
        metrics.horizontalAdvance(field->text()) + 2 * field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 6;
    field->setGeometry(left + kLabelToField, field->y(), std::max(kFieldWidth, needed), field->height());
    left = field->geometry().right() + 1 + kFieldToLabel;
  }
  const int buttonLeft = nedRight->geometry().right() + 1 + kFieldToButton;
  btnConfirm->move(buttonLeft, btnConfirm->y());
  setFixedSize(std::max(356, buttonLeft + btnConfirm->width() + kRightMargin), height());
}

TNumberEdit* TfrmChangeSpace::makeField(const char* name, int left) {
  auto* field = new TNumberEdit(this);
  field->setObjectName(QString::fromLatin1(name));
  field->setGeometry(left, 16, 33, 20);
  field->SetIsComa(true);
  field->SetDigits(0);
  field->SetMax(999999999999.0L);
  field->SetErrorMessage(TNumberEdit::kNoText);
  field->setText(QStringLiteral("0"));
  return field;
}

void TfrmChangeSpace::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  guarded([this] { FormShow(); });
}

void TfrmChangeSpace::FormShow() {
  writer_->load(ReportDirectory, CurrentReportFile);
  if (!writer_->hasPageSpace()) return;
  std::array<int, 4> margins = writer_->margins();
  nedTop->SetValue(margins[0]);
  nedBottom->SetValue(margins[1]);
  nedLeft->SetValue(margins[2]);
  nedRight->SetValue(margins[3]);
}

void TfrmChangeSpace::btnConfirmClick() {
  const std::array<std::string, 4> texts{nedTop->text().toStdString(), nedBottom->text().toStdString(),
                                         nedLeft->text().toStdString(), nedRight->text().toStdString()};
  // Refused margins are not written; the dialog stays open for a correction.
  if (const std::string problem = MarginProblem(texts, writer_->landscape()); !problem.empty()) {
    messages().warning(problem);
    return;
  }
  writer_->save(texts);
  accept();
}

}  // namespace zel
