// Just over 400 lines: the comparison window and the small pieces only it uses
// (the preview opened at a page, the run's progress dialog), kept together.
#include "compare_window.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QApplication>
#include <QBrush>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <filesystem>
#include <system_error>

#include "busy_cursor.h"
#include "compare_sheet.h"
#include "cp949.h"
#include "description_cache.h"
#include "error_report.h"
#include "export_file.h"
#include "file_name_text.h"
#include "message_service.h"
#include "progress_dialog.h"
#include "report_runner.h"
#include "run_services.h"
#include "preview_window.h"
#include "sheet_writer.h"

namespace zel {

namespace {

QString utf8(const std::string& s) { return QString::fromStdString(s); }
QString cp949(const std::string& s) { return QString::fromStdString(cp949ToUtf8(s)); }

// Path pieces as bytes: a report's name may be no UTF-8.
std::string baseName(const std::string& path) { return std::filesystem::path(path).filename().string(); }
std::string siblingWithoutSuffix(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(path, ec);
  if (ec) p = path;
  return p.replace_extension().string();
}

QString numberText(double v, int decimals) {
  return QLocale(QLocale::English).toString(v, 'f', std::clamp(decimals, 0, 7));
}

// The preview of a report opened at a page, with the band on one line.
class BandPreview : public PreviewWindow {
 public:
  BandPreview(RunServices& services, PreviewContext* context, QWidget* parent, int page, int line)
      : PreviewWindow(services, context, parent), page_(page) {
    showBandAt(page, line);
  }
  void SetPageInfo(const std::string& first, const std::string& last, ReportTable* table, const std::string&) override {
    const int shown = std::clamp(page_, std::stoi(first), std::max(std::stoi(first), std::stoi(last)));
    PreviewWindow::SetPageInfo(first, last, table, std::to_string(shown));
    // The page field may already hold the page (page 1), and then never
    // tells the window it changed: the band needs the page it is shown on.
    setCurrentPage(shown);
  }

 private:
  int page_;
};

// The run's progress dialog for a comparison: a step every
// kCompareProgressEvery lines; its cancel stops the comparison.
class CompareProgressDialog {
 public:
  CompareProgressDialog(const RunServices& services, const char* caption)
      : dialog_(services.progressDialog()), caption_(caption) {}
  ~CompareProgressDialog() {
    if (shown_) dialog_.CloseProgress();
  }
  CompareProgress callback() {
    return [this](long done, long all) {
      if (!shown_) shown_ = dialog_.ShowProgress(static_cast<int>(all / kCompareProgressEvery + 1), caption_);
      dialog_.ProcessPendingMessages();
      return dialog_.StepProgress(1, static_cast<int>(std::min<long>(done, INT_MAX)), caption_);
    };
  }

 private:
  ProgressDialog& dialog_;
  std::string caption_;
  bool shown_ = false;
};

void openInPreview(QWidget* parent, RunServices services, PreviewContext* context, const std::string& path, int page,
                   int line) {
  services.preview = [&services, context, parent, page, line]() -> std::unique_ptr<ReportPreview> {
    return std::make_unique<BandPreview>(services, context, parent, page, line);
  };
  const std::filesystem::path p(path);
  RunReport(services, p.parent_path().string(), p.filename().string());
}

}  // namespace

// The lines as table rows: kind, code, identity texts, three cells per numeric column.
class CompareTableModel : public QAbstractTableModel {
 public:
  CompareShape shape;
  CompareSummary summary;
  std::vector<CompareLine> lines;
  std::vector<std::size_t> shown;  // indexes into lines after the filter

  int firstText() const { return shape.byCode ? 2 : 1; }
  int firstNumber() const { return firstText() + static_cast<int>(shape.identityCaptions.size()); }

  void filter(bool changedOnly) {
    beginResetModel();
    shown.clear();
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (!changedOnly || lines[i].change != LineChange::kUnchanged) shown.push_back(i);
    endResetModel();
  }

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(shown.size());
  }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : firstNumber() + 3 * static_cast<int>(shape.columns.size());
  }

  // Which numeric column a table column shows and which of its three cells (-1 for the others).
  std::pair<int, int> numberCell(int column) const {
    const int k = column - firstNumber();
    return k < 0 ? std::pair{-1, -1} : std::pair{k / 3, k % 3};
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section == 0) return utf8(kKindCaption);
    if (shape.byCode && section == 1) return utf8(kCodeCaption);
    if (section < firstNumber()) return cp949(shape.identityCaptions[static_cast<std::size_t>(section - firstText())]);
    const auto [c, part] = numberCell(section);
    const CompareColumn& col = shape.columns[static_cast<std::size_t>(c)];
    QString caption = cp949(col.caption);
    if (!col.group.empty() && col.group != col.caption) caption = cp949(col.group) + " " + caption;
    const char* sub = part == 0 ? kBeforeCaption : part == 1 ? kAfterCaption : kDifferenceCaption;
    return caption + "\n" + utf8(sub);
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= static_cast<int>(shown.size())) return {};
    const CompareLine& l = lines[shown[static_cast<std::size_t>(index.row())]];
    const int column = index.column();
    const auto [c, part] = numberCell(column);
    if (role == Qt::TextAlignmentRole)
      return c >= 0        ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
             : column == 0 ? QVariant(Qt::AlignCenter)
                           : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role == Qt::FontRole && l.heading) {
      QFont bold = QApplication::font();
      bold.setBold(true);
      return bold;
    }
    if (role == Qt::ForegroundRole) {
      if (c >= 0 && part == 2) {
        const double d = l.difference[static_cast<std::size_t>(c)];
        if (d < 0) return QBrush(QColor(QRgb(kDecreaseColor)));
        if (d > 0) return QBrush(QColor(QRgb(kIncreaseColor)));
      }
      return {};
    }
    if (role != Qt::DisplayRole) return {};
    if (column == 0) return utf8(ChangeText(l.change));
    if (shape.byCode && column == 1) return cp949(l.code);
    if (c < 0) return cp949(l.texts[static_cast<std::size_t>(column - firstText())]);
    const ShownNumber& before = l.before[static_cast<std::size_t>(c)];
    const ShownNumber& after = l.after[static_cast<std::size_t>(c)];
    if (part == 0) return before.shown ? numberText(before.value, before.decimals) : cp949(before.word);
    if (part == 1) return after.shown ? numberText(after.value, after.decimals) : cp949(after.word);
    // No change shows nothing, as the page shows zero.
    if (l.difference[static_cast<std::size_t>(c)] == 0) return QString();
    return numberText(l.difference[static_cast<std::size_t>(c)], std::max(before.decimals, after.decimals));
  }
};

namespace {

// Collects the comparison's lines for the window.
class ModelSink : public CompareSink {
 public:
  explicit ModelSink(CompareTableModel& model) : model_(model) {}
  void begin(const CompareShape& shape) override { model_.shape = shape; }
  void line(const CompareLine& line) override { model_.lines.push_back(line); }
  void finish(const CompareSummary& summary) override { model_.summary = summary; }

 private:
  CompareTableModel& model_;
};

}  // namespace

const QString CompareWindow::kExcelFilter = QStringLiteral("Excel (*.xlsx)");
const QString CompareWindow::kCsvFilter = QStringLiteral("CSV UTF-8 (*.csv)");

CompareWindow::CompareWindow(const RunServices& services, const std::string& oldPath, const std::string& newPath,
                             QWidget* parent, CompareHooks hooks)
    : QDialog(parent), services_(services), hooks_(std::move(hooks)), oldPath_(oldPath), newPath_(newPath),
      model_(std::make_unique<CompareTableModel>()) {
  setObjectName(QStringLiteral("CompareWindow"));
  setWindowTitle(QStringLiteral("보고서 비교 - %1 → %2")
                     .arg(utf8(readableFileName(baseName(oldPath))), utf8(readableFileName(baseName(newPath)))));
  createControls();
}

CompareWindow::~CompareWindow() = default;

void CompareWindow::createControls() {
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout();
  summaryLabel = new QLabel(this);
  summaryLabel->setObjectName(QStringLiteral("summaryLabel"));
  changedOnlyBox = new QCheckBox(QStringLiteral("변경된 줄만(&C)"), this);
  changedOnlyBox->setObjectName(QStringLiteral("changedOnlyBox"));
  top->addWidget(summaryLabel, 1);
  top->addWidget(changedOnlyBox);
  layout->addLayout(top);

  table = new QTableView(this);
  table->setObjectName(QStringLiteral("compareTable"));
  table->setModel(model_.get());
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setWordWrap(false);
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
  table->verticalHeader()->hide();
  layout->addWidget(table, 1);

  auto* buttons = new QHBoxLayout();
  saveButton = new QPushButton(QStringLiteral("엑셀저장(&S)"), this);
  saveButton->setObjectName(QStringLiteral("saveButton"));
  closeButton = new QPushButton(QStringLiteral("닫기"), this);
  closeButton->setObjectName(QStringLiteral("closeButton"));
  buttons->addStretch(1);
  buttons->addWidget(saveButton);
  buttons->addWidget(closeButton);
  layout->addLayout(buttons);

  connect(changedOnlyBox, &QCheckBox::toggled, this,
          [this](bool on) { guarded(services_.box(), [&] { changedOnlyToggled(on); }); });
  connect(saveButton, &QPushButton::clicked, this, [this] { guarded(services_.box(), [this] { saveClick(); }); });
  connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(table, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    const auto [c, part] = model_->numberCell(index.column());
    guarded(services_.box(), [&] { openLine(index.row(), c >= 0 && part == 0); });
  });
  // Enter on a row opens it, as Enter runs a report in the main window.
  auto* enter = new QAction(this);
  enter->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
  enter->setShortcutContext(Qt::WidgetShortcut);
  table->addAction(enter);
  connect(enter, &QAction::triggered, this, [this] {
    const QModelIndex index = table->currentIndex();
    if (index.isValid()) guarded(services_.box(), [&] { openLine(index.row(), false); });
  });

  if (const QScreen* screen = QApplication::primaryScreen())
    resize(screen->availableGeometry().size() * 0.8);
  else
    resize(1000, 600);
}

bool CompareWindow::load() {
  const BusyCursor busy;
  ModelSink sink(*model_);
  model_->lines.clear();
  CompareProgressDialog progress(services_, kCompareCaption);
  if (CompareReports(services_.box(), oldPath_, newPath_, sink, progress.callback()) != CompareStatus::kDone)
    return false;
  model_->filter(changedOnlyBox->isChecked());
  table->resizeColumnsToContents();
  showSummary();
  if (model_->rowCount(QModelIndex()) > 0) table->selectRow(0);
  table->setFocus();
  return true;
}

void CompareWindow::showSummary() {
  const CompareSummary& s = model_->summary;
  QString text =
      QStringLiteral("일치 %1 (변경 %2)   추가 %3   삭제 %4").arg(s.matched).arg(s.changed).arg(s.added).arg(s.removed);
  for (std::size_t i = 0; i < model_->shape.columns.size(); ++i) {
    const CompareColumn& c = model_->shape.columns[i];
    if (!c.amount) continue;
    const double d = s.totalAfter[i] - s.totalBefore[i];
    QString caption = cp949(c.caption);
    if (!c.group.empty() && c.group != c.caption) caption = cp949(c.group) + " " + caption;
    text += QStringLiteral("   %1 %2%3").arg(caption, d > 0 ? QStringLiteral("+") : QString(), numberText(d, 0));
  }
  summaryLabel->setText(text);
}

const CompareLine* CompareWindow::lineAt(int row) const {
  if (row < 0 || row >= static_cast<int>(model_->shown.size())) return nullptr;
  return &model_->lines[model_->shown[static_cast<std::size_t>(row)]];
}

int CompareWindow::rowCount() const { return static_cast<int>(model_->shown.size()); }
const CompareShape& CompareWindow::shape() const { return model_->shape; }
const CompareSummary& CompareWindow::summary() const { return model_->summary; }

void CompareWindow::changedOnlyToggled(bool on) {
  model_->filter(on);
  if (rowCount() > 0) table->selectRow(0);
}

void CompareWindow::saveClick() {
  // The proposal is made of the new report's bytes (its name may be no UTF-8)
  // and shown readably; the chosen text is mapped back to bytes.
  const std::string suggestedBytes = siblingWithoutSuffix(newPath_) + "_비교.xlsx";
  const QString suggested = utf8(readablePath(suggestedBytes));
  QString filter = kExcelFilter;
  QString file;
  if (hooks_.askSaveFile) {
    file = hooks_.askSaveFile(this, suggested, &filter);
  } else {
    file = QFileDialog::getSaveFileName(this, QStringLiteral("엑셀저장"), suggested, kExcelFilter + ";;" + kCsvFilter,
                                        &filter);
  }
  if (file.isEmpty()) return;
  CompareFileRequest request;
  request.format = filter == kCsvFilter ? CompareFormat::kCsv : CompareFormat::kXlsx;
  if (request.format == CompareFormat::kXlsx && QFileInfo(file).suffix().isEmpty()) file += ".xlsx";
  if (request.format == CompareFormat::kCsv && QFileInfo(file).suffix().isEmpty()) file += ".csv";
  request.path = fileSystemPath(QFileInfo(file).absoluteFilePath().toStdString(), suggestedBytes);
  request.changedOnly = changedOnlyBox->isChecked();
  const BusyCursor busy;
  CompareProgressDialog progress(services_, kExportCaption);
  try {
    CompareToFiles(services_.box(), oldPath_, newPath_, {request}, progress.callback());
  } catch (const ExportError& e) {
    services_.box().error(readablePath(request.path) + "\r" + e.what());
  }
}

void CompareWindow::openLine(int row, bool before) {
  const CompareLine* l = lineAt(row);
  if (!l) return;
  // A removed line is only in the old report, an added one only in the new.
  const bool old = l->newPage == 0 || (before && l->oldPage > 0);
  const std::string& path = old ? oldPath_ : newPath_;
  const int page = old ? l->oldPage : l->newPage;
  const int line = (old ? l->oldRow : l->newRow) + 1;
  if (hooks_.openReport)
    hooks_.openReport(path, page, line);
  else
    openInPreview(this, services_, hooks_.preview, path, page, line);
}

void compareReports(QWidget* parent, const RunServices& services, const std::string& directory,
                    const std::vector<std::string>& selected, const std::vector<std::string>& listed,
                    const std::function<void(QDialog&)>& runModal, const CompareHooks& hooks) {
  if (selected.empty()) return;
  std::string oldName = selected[0], newName;
  if (selected.size() >= 2) {
    newName = selected[1];
  } else {
    // Offered by their readable names; the choice is mapped back to the bytes.
    QStringList others;
    std::vector<std::string> otherNames;
    for (const std::string& name : listed)
      if (name != oldName) {
        others << utf8(readableFileName(name));
        otherNames.push_back(name);
      }
    if (others.isEmpty()) return;
    QString chosen;
    if (hooks.chooseReport) {
      chosen = hooks.chooseReport(parent, others);
    } else {
      bool ok = false;
      chosen = QInputDialog::getItem(parent, QStringLiteral("비교할 보고서"),
                                     QStringLiteral("%1 과 비교할 보고서:").arg(utf8(readableFileName(oldName))),
                                     others, 0, false, &ok);
      if (!ok) chosen.clear();
    }
    if (chosen.isEmpty()) return;
    const qsizetype index = others.indexOf(chosen);
    if (index < 0) return;
    newName = otherNames[static_cast<size_t>(index)];
  }
  // The one written earlier is the version before, to the file system's full
  // resolution (two versions are often written within one second).
  const FileStamp first = stampOf(directory + "/" + oldName);
  const FileStamp second = stampOf(directory + "/" + newName);
  if (first.exists && second.exists && second.modified < first.modified) std::swap(oldName, newName);
  CompareWindow window(services, directory + "/" + oldName, directory + "/" + newName, parent, hooks);
  if (!window.load()) return;
  runModal(window);
}

}  // namespace zel
