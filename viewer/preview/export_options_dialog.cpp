#include "export_options_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zel {

ExportOptionsDialog::ExportOptionsDialog(QWidget* parent, int first, int last, int from, int to,
                                         const ExportChoice& initial)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("엑셀저장"));
  setObjectName(QStringLiteral("ExportOptionsDialog"));
  wholeReport = new QRadioButton(QStringLiteral("보고서 전체 (%1 - %2 Page)").arg(first).arg(last), this);
  printRange = new QRadioButton(QStringLiteral("인쇄범위 (%1 - %2 Page)").arg(from).arg(to), this);
  withCodes = new QCheckBox(QStringLiteral("품목코드와 줄 구분 열 추가 (F_CODE, F_TYPE)"), this);
  (initial.wholeReport ? wholeReport : printRange)->setChecked(true);
  withCodes->setChecked(initial.withCodes);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("확인"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("취소"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(wholeReport);
  layout->addWidget(printRange);
  layout->addSpacing(6);
  layout->addWidget(withCodes);
  layout->addWidget(buttons);
}

ExportChoice ExportOptionsDialog::choice() const { return {wholeReport->isChecked(), withCodes->isChecked()}; }

}  // namespace zel
