// DirectoryList: the chooser's tree-style directory list. Rows are the
// directories along the current path (indented by depth, the current one last of
// them) followed by the subdirectories of the current one. Double-clicking a row
// moves into it; every move emits directoryChanged. Reads the file system only.
#pragma once

#include <QListWidget>
#include <QString>

namespace zel::setup {

class DirectoryList : public QListWidget {
  Q_OBJECT
 public:
  explicit DirectoryList(QWidget* parent = nullptr);

  QString directory() const { return directory_; }
  // Moves to dir (made absolute and clean). False, with nothing changed, when it is
  // not a readable directory.
  bool setDirectory(const QString& dir);
  // Moves into the directory of a row.
  void openRow(int row);
  // The full path a row stands for.
  QString rowPath(int row) const;

 signals:
  void directoryChanged(const QString& dir);

 private:
  void fill();

  QString directory_;
};

}  // namespace zel::setup
