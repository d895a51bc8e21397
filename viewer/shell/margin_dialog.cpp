#include "margin_dialog.h"

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

MarginDialog::MarginDialog(MessageService& messages, const std::string& directory, const std::string& fileName,
                           QWidget* parent)
    : QDialog(parent), messages_(messages), directory_(directory), fileName_(fileName),
      writer_(std::make_unique<MarginWriter>()) {
  setWindowTitle(QStringLiteral("여백변경"));
  setFont(shellFont());
  setFixedSize(356, 56);

  topLabel = makeLabel(this, "topLabel", QStringLiteral("상"), 8);
  topField = makeField("topField", 24);
  bottomLabel = makeLabel(this, "bottomLabel", QStringLiteral("하"), 72);
  bottomField = makeField("bottomField", 88);
  leftLabel = makeLabel(this, "leftLabel", QStringLiteral("좌"), 136);
  leftField = makeField("leftField", 152);
  rightLabel = makeLabel(this, "rightLabel", QStringLiteral("우"), 200);
  rightField = makeField("rightField", 216);

  confirmButton = new QPushButton(QStringLiteral("확  인"), this);
  confirmButton->setObjectName(QStringLiteral("confirmButton"));
  confirmButton->setGeometry(266, 14, 75, 25);
  confirmButton->setAutoDefault(true);  // Enter presses it when it has the focus
  connect(confirmButton, &QPushButton::clicked, this, [this] { guarded(messages_, [this] { confirm(); }); });

  for (TNumberEdit* field : {topField, bottomField, leftField, rightField})
    connect(field, &QLineEdit::textChanged, this, &MarginDialog::fitFields);

  setTabOrder(topField, bottomField);
  setTabOrder(bottomField, leftField);
  setTabOrder(leftField, rightField);
  setTabOrder(rightField, confirmButton);
}

MarginDialog::~MarginDialog() = default;

void MarginDialog::fitFields() {
  // The designed 33-pixel fields show three or four digits; a longer value
  // widens its field and pushes the rest of the row (and the window) right.
  constexpr int kFieldWidth = 33, kLabelToField = 16, kFieldToLabel = 15, kFieldToButton = 17, kRightMargin = 15;
  const std::pair<QLabel*, TNumberEdit*> row[] = {
      {topLabel, topField}, {bottomLabel, bottomField}, {leftLabel, leftField}, {rightLabel, rightField}};
  int left = 8;
  for (const auto& [label, field] : row) {
    label->move(left, label->y());
    const QFontMetrics metrics(field->font());
    const int needed =
        metrics.horizontalAdvance(field->text()) + 2 * field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 6;
    field->setGeometry(left + kLabelToField, field->y(), std::max(kFieldWidth, needed), field->height());
    left = field->geometry().right() + 1 + kFieldToLabel;
  }
  const int buttonLeft = rightField->geometry().right() + 1 + kFieldToButton;
  confirmButton->move(buttonLeft, confirmButton->y());
  setFixedSize(std::max(356, buttonLeft + confirmButton->width() + kRightMargin), height());
}

TNumberEdit* MarginDialog::makeField(const char* name, int left) {
  auto* field = new TNumberEdit(messages_, this);
  field->setObjectName(QString::fromLatin1(name));
  field->setGeometry(left, 16, 33, 20);
  field->SetIsComa(true);
  field->SetDigits(0);
  field->SetMax(999999999999.0L);
  field->SetErrorMessage(TNumberEdit::kNoText);
  field->setText(QStringLiteral("0"));
  return field;
}

void MarginDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  guarded(messages_, [this] { load(); });
}

void MarginDialog::load() {
  writer_->load(directory_, fileName_);
  if (!writer_->hasPageSpace()) return;
  std::array<int, 4> margins = writer_->margins();
  topField->SetValue(margins[0]);
  bottomField->SetValue(margins[1]);
  leftField->SetValue(margins[2]);
  rightField->SetValue(margins[3]);
}

void MarginDialog::confirm() {
  const std::array<std::string, 4> texts{topField->text().toStdString(), bottomField->text().toStdString(),
                                         leftField->text().toStdString(), rightField->text().toStdString()};
  // Refused margins are not written; the dialog stays open for a correction.
  if (const std::string problem = MarginProblem(texts, writer_->landscape()); !problem.empty()) {
    messages_.warning(problem);
    return;
  }
  writer_->save(texts);
  accept();
}

}  // namespace zel
