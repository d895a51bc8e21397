#include "file_dialogs.h"

#include <QFileDialog>

#include "screen_fit.h"

namespace zel {

namespace {

QString run(QFileDialog& dialog) {
  dialog.resize(dialog.sizeHint());
  keepOnScreen(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().constFirst();
}

}  // namespace

QString askSaveFileName(QWidget* parent, const QString& title, const QString& suggested, const QString& filter,
                        QString* selectedFilter) {
  QFileDialog dialog(parent, title, suggested, filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (selectedFilter != nullptr && !selectedFilter->isEmpty()) dialog.selectNameFilter(*selectedFilter);
  const QString file = run(dialog);
  if (!file.isEmpty() && selectedFilter != nullptr) *selectedFilter = dialog.selectedNameFilter();
  return file;
}

QString askExistingDirectory(QWidget* parent, const QString& title, const QString& start) {
  QFileDialog dialog(parent, title, start);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  return run(dialog);
}

}  // namespace zel
