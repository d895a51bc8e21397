#include "s_rpt_value_search.h"

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
#include "s_preview.h"
#include "value_search.h"

namespace zel {

std::string SearchMode;
ReportLines* SearchTable = nullptr;
std::vector<std::string> FindFieldNames;
std::vector<std::string> FindCaptions;

namespace {

QString display(const std::string& cp949) { return QString::fromStdString(cp949ToUtf8(cp949)); }

}  // namespace

Tfm_RptValueSearch::Tfm_RptValueSearch(TFM_Preview* preview, QWidget* parent) : QDialog(parent), preview_(preview) {
  setWindowTitle(QStringLiteral("찾 기"));
  setFont(FontMapper::fixedFont(13));
  setFixedSize(328, 60);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

  Label1 = new QLabel(QStringLiteral("항목 선택:"), this);
  Label1->setGeometry(8, 8, 70, 21);
  ComboBox1 = new QComboBox(this);
  ComboBox1->setEditable(false);
  ComboBox1->setGeometry(80, 8, 133, 21);
  Label2 = new QLabel(QStringLiteral("찾을 문자:"), this);
  Label2->setGeometry(8, 33, 70, 21);
  Edit1 = new QLineEdit(this);
  Edit1->setGeometry(80, 33, 132, 21);
  Edit1->installEventFilter(this);
  c_btn_Search = new QPushButton(QStringLiteral("찾  기"), this);
  c_btn_Search->setGeometry(222, 7, 98, 23);
  c_btn_Search->setAutoDefault(true);  // Enter presses it when it has the focus
  c_btn_Search->installEventFilter(this);
  c_chk_Next = new QCheckBox(QStringLiteral("현재위치부터"), this);
  c_chk_Next->setGeometry(222, 33, 104, 21);
  setTabOrder(ComboBox1, Edit1);
  setTabOrder(Edit1, c_btn_Search);
  setTabOrder(c_btn_Search, c_chk_Next);

  // Mouse or keyboard alike: the combo box works as every combo box does.
  connect(ComboBox1, &QComboBox::currentIndexChanged, this, &Tfm_RptValueSearch::ComboBox1Click);
  connect(c_btn_Search, &QPushButton::clicked, this, &Tfm_RptValueSearch::c_btn_SearchClick);
}

QString Tfm_RptValueSearch::NothingToSearchText() { return QStringLiteral("검색할 항목 없음"); }

void Tfm_RptValueSearch::SetSearchSource(const std::string& mode, ReportLines* table) {
  SearchMode = mode;
  SearchTable = table;
}

void Tfm_RptValueSearch::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  try {
    FormShow();
  } catch (const std::exception& e) {
    // A settings block that cannot be read leaves nothing to search.
    messages().error(errorMessageText(e));
    QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
  }
}

void Tfm_RptValueSearch::closeEvent(QCloseEvent* event) {
  // The lists live while the dialog is shown; a search reads them before closing.
  QDialog::closeEvent(event);
}

void Tfm_RptValueSearch::FormShow() {
  FindFieldNames.clear();
  FindCaptions.clear();
  // Filling the list is no choice of the user's: the remembered column stays.
  const QSignalBlocker filling(ComboBox1);
  ComboBox1->clear();
  if (SearchTable != nullptr) {
    const std::vector<SearchColumn> columns = PrepareSearch(*SearchTable, preview_->CurPage);
    for (const SearchColumn& column : columns) {
      ComboBox1->addItem(display(column.title));
      FindFieldNames.push_back(column.fieldName);
      FindCaptions.push_back(column.title);
    }
  }
  c_chk_Next->setChecked(preview_->FindFromCurrent);
  if (ComboBox1->count() == 0) {
    // Nothing to choose: say so instead of failing at the search.
    ComboBox1->setPlaceholderText(NothingToSearchText());
    const QString why = QStringLiteral("이 보고서에는 검색할 수 있는 항목이 없습니다.");
    ComboBox1->setToolTip(why);
    c_btn_Search->setToolTip(why);
    c_btn_Search->setEnabled(false);
  } else {
    ComboBox1->setCurrentIndex(preview_->FindFieldIndex < ComboBox1->count() ? preview_->FindFieldIndex : -1);
  }
  Edit1->setText(display(preview_->FindText));
  Edit1->setFocus();
}

void Tfm_RptValueSearch::ComboBox1Click() { preview_->FindFieldIndex = ComboBox1->findText(ComboBox1->currentText()); }

void Tfm_RptValueSearch::c_btn_SearchClick() {
  int index = -1;
  const std::string chosen = ComboBox1->currentText().toStdString();
  for (std::size_t i = 0; i < FindCaptions.size(); ++i) {
    if (cp949ToUtf8(FindCaptions[i]) == chosen) {
      index = static_cast<int>(i);
      break;
    }
  }
  if (index >= 0 && SearchTable != nullptr) {
    const std::string text = utf8ToCp949(Edit1->text().toStdString());
    try {
      const BusyCursor busy;
      const ValueSearchOutcome outcome =
          SearchValue(*SearchTable, FindFieldNames[index], text, c_chk_Next->isChecked(), SearchMode);
      if (outcome.rememberText) {
        preview_->FindText = text;
        preview_->FindField = FindFieldNames[index];  // for find next
      }
      if (outcome.found && SearchMode == "P") {
        preview_->CurPage = outcome.page;
        preview_->FindFound = true;
      }
    } catch (const std::exception& e) {
      messages().error(errorMessageText(e));
    }
  }
  close();
}

void Tfm_RptValueSearch::FormClose() {
  FindFieldNames.clear();
  FindCaptions.clear();
}

Tfm_RptValueSearch::~Tfm_RptValueSearch() {
  FormClose();
  // The walk belongs to the caller and ends with this showing.
  SearchTable = nullptr;
}

bool Tfm_RptValueSearch::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  const int key = static_cast<QKeyEvent*>(event)->key();
  if (watched == Edit1) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      c_btn_Search->click();
      return true;
    }
    if (key == Qt::Key_Escape) {
      close();
      return true;
    }
  }
  if (watched == c_btn_Search && key == Qt::Key_Escape) {
    close();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace zel
