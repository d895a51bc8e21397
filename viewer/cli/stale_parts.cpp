#include "stale_parts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QCoreApplication>
#include <QRegularExpression>
#include <limits>

#ifndef _WIN32
#  include <csignal>
#  include <cerrno>
#  include <unistd.h>
#endif

namespace zel::cli {
namespace {

bool processGone(qint64 pid) {
#ifdef _WIN32
  Q_UNUSED(pid);
  return false;  // no cheap test there; the files are left alone
#else
  if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) return false;
  return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
#endif
}

// Only what this program writes: a PDF, an XLSX (a ZIP archive) or a CSV
// file (its byte-order mark) under way, or a file not yet begun.
bool looksLikeOurs(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray head = file.read(5);
  return head.isEmpty() || head == "%PDF-" || head.startsWith("PK\x03\x04") || head.startsWith("\xEF\xBB\xBF");
}

}  // namespace

QString partFileName(const QString& target) {
  return target + QStringLiteral(".part%1").arg(QCoreApplication::applicationPid());
}

int RemoveStalePartFiles(const QString& directory) {
  static const QRegularExpression partName(QStringLiteral("\\.part(\\d{1,10})$"));
  int removed = 0;
  const QFileInfoList entries = QDir(directory).entryInfoList(QDir::Files | QDir::Hidden);
  for (const QFileInfo& entry : entries) {
    const QRegularExpressionMatch m = partName.match(entry.fileName());
    if (!m.hasMatch() || entry.isSymLink()) continue;
    if (!processGone(m.captured(1).toLongLong()) || !looksLikeOurs(entry.filePath())) continue;
    if (QFile::remove(entry.filePath())) ++removed;
  }
  return removed;
}

}  // namespace zel::cli
