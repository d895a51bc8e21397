#include "folder_chooser.h"

#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "directory_list.h"
#include "message_service.h"
#include "page_parts.h"
#include "setup_helpers.h"
#include "setup_platform.h"

namespace zel::setup {

namespace {

constexpr int kWidth = 294, kHeight = 284;

QGroupBox* captionBox(QWidget* parent, const char* name, const QString& caption, QRect place) {
  auto* box = new QGroupBox(caption, parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setFont(pageFont());
  box->setGeometry(place);
  return box;
}

// The folder of the estimating product holds one of these; the viewer must not go there.
// Names compare without regard to case, as they do where the product runs.
bool holdsProductMarker(const QString& dir) {
  const QStringList names = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
  for (const QString& name : names) {
    if (name.compare(QStringLiteral("ZEL-C.BAT"), Qt::CaseInsensitive) == 0 ||
        name.compare(QStringLiteral("ZELMAIN.EXE"), Qt::CaseInsensitive) == 0)
      return true;
  }
  return false;
}

}  // namespace

FolderChooser::FolderChooser(const SetupServices& services, QWidget* parent) : QDialog(parent), services_(services) {
  setObjectName(QStringLiteral("FM_DirSelect"));
  setUpFixedDialog(*this, QStringLiteral("경로선택"), kWidth, kHeight);

  QGroupBox* pathBox = captionBox(this, "pathBox", QStringLiteral("선택경로"), {6, 4, 282, 48});
  pathEdit = new QLineEdit(pathBox);
  pathEdit->setObjectName(QStringLiteral("pathEdit"));
  pathEdit->setGeometry(10, 20, 202, 22);

  QGroupBox* directoryBox = captionBox(this, "directoryBox", QStringLiteral("디렉토리"), {6, 54, 197, 196});
  directoryList = new DirectoryList(directoryBox);
  directoryList->setObjectName(QStringLiteral("directoryList"));
  directoryList->setGeometry(6, 20, 185, 169);

  auto* drivePanel = new QFrame(this);
  drivePanel->setObjectName(QStringLiteral("drivePanel"));
  drivePanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  drivePanel->setGeometry(6, 254, 197, 27);
  makeLabel(drivePanel, "driveLabel", QStringLiteral("드라이브"), 6, 6);
  driveBox = new QComboBox(drivePanel);
  driveBox->setObjectName(QStringLiteral("driveBox"));
  driveBox->setGeometry(64, 2, 129, 23);

  okButton = makeButton(this, "okButton", QStringLiteral("선   택"), 210, 64, 78);
  cancelButton = makeButton(this, "cancelButton", QStringLiteral("취  소"), 210, 96, 78);

  // The lists start at the current drive and directory.
  const std::string cwd = services_.platform.currentDirectory();
  for (const std::string& drive : services_.platform.drives()) driveBox->addItem(QString::fromStdString(drive));
  shownDrive_ = driveBox->findText(QString::fromStdString(services_.platform.driveOf(cwd)));
  driveBox->setCurrentIndex(shownDrive_);
  directoryList->setDirectory(QString::fromStdString(cwd));

  connect(driveBox, &QComboBox::activated, this, &FolderChooser::drivePicked);
  connect(directoryList, &DirectoryList::directoryChanged, this, &FolderChooser::directoryChanged);
  connect(okButton, &QPushButton::clicked, this, &FolderChooser::confirm);
  connect(cancelButton, &QPushButton::clicked, this, &FolderChooser::cancel);
  for (QWidget* w :
       {static_cast<QWidget*>(pathEdit), static_cast<QWidget*>(directoryList), static_cast<QWidget*>(driveBox)})
    w->installEventFilter(this);
}

void FolderChooser::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  prepare();
}

void FolderChooser::prepare() {
  pathEdit->setText(QString::fromStdString(services_.state.installPath));
  services_.state.dirSelected = false;
  pathEdit->setFocus();
}

bool FolderChooser::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      // In the list, Enter on a highlighted folder other than the one shown opens
      // it, as a double click does; on the folder shown it accepts.
      if (watched == directoryList) {
        const QString highlighted = directoryList->rowPath(directoryList->currentRow());
        if (!highlighted.isEmpty() && highlighted != directoryList->directory()) {
          directoryList->openRow(directoryList->currentRow());
          return true;
        }
      }
      confirm();
      return true;
    }
    if (key == Qt::Key_Escape) {
      cancel();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void FolderChooser::drivePicked(int index) {
  const int remembered = shownDrive_;
  const QString entry = driveBox->itemText(index);
  const std::string drive = entry.toStdString();
  if (!IsDriveId(drive)) {
    // The pick is abandoned: the list goes back, nothing else changes.
    ReportApplicationError(services_.messages, "Not a valid drive ID");
    showDrive(remembered);
    return;
  }
  services_.state.driveNotReady = !DiskInDrive(services_.platform, drive);
  if (services_.state.driveNotReady) {
    const bool letter = entry.size() >= 2 && entry[1] == QLatin1Char(':');
    const QString name = letter ? entry.left(2).toUpper() + QLatin1Char('\\') : entry;
    services_.messages.show({"드라이브 변경오류", name.toStdString() + " 드라이브가 준비되어있지 않습니다.",
                             MessageIcon::kNone, MessageButtons::kOk});
    showDrive(remembered);
  }
  driveChanged();
}

void FolderChooser::driveChanged() {
  if (services_.state.driveNotReady) {
    showDrive(shownDrive_);
    return;
  }
  const int picked = driveBox->currentIndex();
  if (shownDrive_ < 0) {
    // The list started without a drive: go to the first one.
    directoryList->setDirectory(driveBox->itemText(0));
  } else if (picked != shownDrive_) {
    directoryList->setDirectory(driveBox->itemText(picked));
  }
  shownDrive_ = picked;
}

void FolderChooser::showDrive(int index) {
  const QSignalBlocker quiet(driveBox);
  driveBox->setCurrentIndex(index);
}

void FolderChooser::directoryChanged(const QString& dir) {
  // The list keeps '/' between the parts; the user reads (and edits) the path
  // as the system writes it.
  const QString shown = QDir::toNativeSeparators(dir);
  pathEdit->setText(shown);
  services_.platform.setCurrentDirectory(shown.toStdString());
}

void FolderChooser::confirm() {
  const QString text = pathEdit->text();
  if (text.trimmed().isEmpty()) {
    services_.messages.warning("경로를 입력하십시요.");
    pathEdit->setFocus();
    return;
  }
  // Made absolute now, against the directory the list shows (the current
  // directory), so the folder created and the folder installed into are one.
  const std::string path = absolutePath(text.toStdString(), services_.platform.currentDirectory());
  if (directoryExists(path)) {
    if (holdsProductMarker(QString::fromStdString(path))) {
      services_.messages.error("ZEL의 경로에는 본 프로그램을 설치할 수 없습니다.");
      return;
    }
  } else {
    const MessageAnswer answer =
        services_.messages.show({"확인", "경로가 존재하지 않습니다. 새로 만드시겠습니까?\r" + path,
                                 MessageIcon::kQuestion, MessageButtons::kYesNo});
    if (answer != MessageAnswer::kYes || !MakeDirPath(services_.messages, services_.state, path)) return;
  }
  services_.state.dirSelected = true;
  services_.state.installPath = path;
  close();
}

void FolderChooser::cancel() {
  services_.state.dirSelected = false;
  close();
}

}  // namespace zel::setup
