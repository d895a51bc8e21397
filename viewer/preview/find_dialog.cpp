#include "find_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <exception>

#include "busy_cursor.h"
#include "cp949.h"
#include "error_text.h"
#include "font_mapper.h"
#include "message_service.h"
#include "report_lines.h"
#include "value_search.h"

namespace zel {

namespace {

QString display(const std::string& cp949) { return QString::fromStdString(cp949ToUtf8(cp949)); }

}  // namespace

FindDialog::FindDialog(MessageService& messages, FindState& state, ReportLines& lines, const std::string& mode,
                       QWidget* parent)
    : QDialog(parent), messages_(messages), state_(state), lines_(lines), mode_(mode) {
  setWindowTitle(QStringLiteral("찾 기"));
  setFont(FontMapper::fixedFont(13));
  setFixedSize(328, 60);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

  columnLabel = new QLabel(QStringLiteral("항목 선택:"), this);
  columnLabel->setGeometry(8, 8, 70, 21);
  columnBox = new QComboBox(this);
  columnBox->setEditable(false);
  columnBox->setGeometry(80, 8, 133, 21);
  textLabel = new QLabel(QStringLiteral("찾을 문자:"), this);
  textLabel->setGeometry(8, 33, 70, 21);
  textEdit = new QLineEdit(this);
  textEdit->setGeometry(80, 33, 132, 21);
  textEdit->installEventFilter(this);
  searchButton = new QPushButton(QStringLiteral("찾  기"), this);
  searchButton->setGeometry(222, 7, 98, 23);
  searchButton->setAutoDefault(true);  // Enter presses it when it has the focus
  searchButton->installEventFilter(this);
  fromCurrentBox = new QCheckBox(QStringLiteral("현재위치부터"), this);
  fromCurrentBox->setGeometry(222, 33, 104, 21);
  setTabOrder(columnBox, textEdit);
  setTabOrder(textEdit, searchButton);
  setTabOrder(searchButton, fromCurrentBox);

  // Mouse or keyboard alike: the combo box works as every combo box does.
  connect(columnBox, &QComboBox::currentIndexChanged, this, &FindDialog::columnChosen);
  connect(searchButton, &QPushButton::clicked, this, &FindDialog::search);
}

QString FindDialog::NothingToSearchText() { return QStringLiteral("검색할 항목 없음"); }

void FindDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  try {
    fillColumns();
  } catch (const std::exception& e) {
    // A settings block that cannot be read leaves nothing to search.
    messages_.error(errorMessageText(e));
    QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
  }
}

void FindDialog::fillColumns() {
  fieldNames_.clear();
  captions_.clear();
  // Filling the list is no choice of the user's: the remembered column stays.
  const QSignalBlocker filling(columnBox);
  columnBox->clear();
  for (const SearchColumn& column : PrepareSearch(lines_, state_.page)) {
    columnBox->addItem(display(column.title));
    fieldNames_.push_back(column.fieldName);
    captions_.push_back(column.title);
  }
  fromCurrentBox->setChecked(state_.fromCurrent);
  if (columnBox->count() == 0) {
    // Nothing to choose: say so instead of failing at the search.
    columnBox->setPlaceholderText(NothingToSearchText());
    const QString why = QStringLiteral("이 보고서에는 검색할 수 있는 항목이 없습니다.");
    columnBox->setToolTip(why);
    searchButton->setToolTip(why);
    searchButton->setEnabled(false);
  } else {
    columnBox->setCurrentIndex(state_.fieldIndex < columnBox->count() ? state_.fieldIndex : -1);
  }
  textEdit->setText(display(state_.text));
  textEdit->setFocus();
}

void FindDialog::columnChosen() { state_.fieldIndex = columnBox->findText(columnBox->currentText()); }

void FindDialog::search() {
  int index = -1;
  const std::string chosen = columnBox->currentText().toStdString();
  for (std::size_t i = 0; i < captions_.size(); ++i) {
    if (cp949ToUtf8(captions_[i]) == chosen) {
      index = static_cast<int>(i);
      break;
    }
  }
  if (index >= 0) {
    const std::string text = utf8ToCp949(textEdit->text().toStdString());
    try {
      const BusyCursor busy;
      const ValueSearchOutcome outcome =
          SearchValue(messages_, lines_, fieldNames_[index], text, fromCurrentBox->isChecked(), mode_);
      if (outcome.rememberText) {
        state_.text = text;
        state_.field = fieldNames_[index];  // for find next
      }
      if (outcome.found && mode_ == "P") {
        state_.page = outcome.page;
        state_.found = true;
      }
    } catch (const std::exception& e) {
      messages_.error(errorMessageText(e));
    }
  }
  close();
}

FindDialog::~FindDialog() = default;

bool FindDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  const int key = static_cast<QKeyEvent*>(event)->key();
  if (watched == textEdit) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      searchButton->click();
      return true;
    }
    if (key == Qt::Key_Escape) {
      close();
      return true;
    }
  }
  if (watched == searchButton && key == Qt::Key_Escape) {
    close();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace zel
