#include "directory_list.h"

#include <QDir>
#include <QFileInfo>
#include <QStyle>

namespace zel::setup {

namespace {
constexpr int kRowHeight = 16;
constexpr int kIndent = 2;  // blanks per level
}  // namespace

DirectoryList::DirectoryList(QWidget* parent) : QListWidget(parent) {
  setUniformItemSizes(true);
  connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { openRow(row(item)); });
}

bool DirectoryList::setDirectory(const QString& dir) {
  const QFileInfo info(dir);
  if (!info.isDir() || !info.isReadable()) return false;
  const QString clean = QDir::cleanPath(info.absoluteFilePath());
  const bool changed = clean != directory_;
  directory_ = clean;
  fill();
  if (changed) emit directoryChanged(directory_);
  return true;
}

void DirectoryList::openRow(int row) {
  const QString path = rowPath(row);
  if (!path.isEmpty()) setDirectory(path);
}

QString DirectoryList::rowPath(int row) const {
  const QListWidgetItem* it = item(row);
  return it ? it->data(Qt::UserRole).toString() : QString();
}

void DirectoryList::fill() {
  clear();
  const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirIcon);
  auto addRow = [&](const QString& text, const QString& path, int depth, const QIcon& icon) {
    auto* row = new QListWidgetItem(icon, QString(depth * kIndent, QLatin1Char(' ')) + text);
    row->setData(Qt::UserRole, path);
    row->setSizeHint(QSize(0, kRowHeight));
    addItem(row);
  };

  // The path from the root down to the current directory. On Windows the root
  // is the drive's ("C:/"), shown as Windows writes it.
  QStringList parts = directory_.split(QLatin1Char('/'), Qt::SkipEmptyParts);
  QString path = QStringLiteral("/");
#ifdef _WIN32
  if (!parts.isEmpty() && parts.front().endsWith(QLatin1Char(':'))) path = parts.takeFirst() + QLatin1Char('/');
#endif
  addRow(QDir::toNativeSeparators(path), path, 0, openIcon);
  int depth = 1;
  for (const QString& part : parts) {
    path = path.endsWith(QLatin1Char('/')) ? path + part : path + QLatin1Char('/') + part;
    addRow(part, path, depth++, openIcon);
  }
  setCurrentRow(count() - 1);

  const QDir current(directory_);
  for (const QString& sub : current.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
    addRow(sub, current.filePath(sub), depth, closedIcon);
  }
}

}  // namespace zel::setup
