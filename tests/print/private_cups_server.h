// PrivateCupsServer: a print server of the test's own. cupsd runs with its
// configuration, spool, cache, state and logs in a temporary folder and
// listens only on a socket there; CUPS_SERVER points this process, and the
// programs it starts, at that socket. Its queues are cups-pdf printers that
// each write into a folder of their own.
//
// cups-pdf reads its settings only from a directory fixed when it is built
// (/etc/cups: cups-pdf.conf, or cups-pdf-NAME.conf for the device
// cups-pdf:/NAME). So that the system's files are neither read nor changed,
// cupsd runs in a mount namespace of its own in which the test's settings
// folder is mounted over /etc/cups: the server, its filters and its backends
// see the test's cups-pdf files, every other process sees the system's.
// Needs root (cupsd runs the cups-pdf backend as root; the mount).
//
// The server is stopped by its process id when the object goes; the
// namespace and its mount go with its last process.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace zel::printtest {

class PrivateCupsServer {
 public:
  PrivateCupsServer() = default;
  ~PrivateCupsServer();
  PrivateCupsServer(const PrivateCupsServer&) = delete;
  PrivateCupsServer& operator=(const PrivateCupsServer&) = delete;

  // Starts the server; false with the reason when it cannot run here.
  bool start(QString& reason);
  // Stops the server and waits for it; true when its process is gone.
  bool stop();

  // Adds an enabled cups-pdf queue with the given PPD, writing into
  // outputDir(name); makeDefault makes it the server's default printer.
  bool addPdfQueue(const QString& name, const QString& ppdFile, bool makeDefault, QString& error);
  QString outputDir(const QString& queue) const;
  // The PDF files the queue has written so far.
  QStringList outputFiles(const QString& queue) const;
  // Waits until the queue has no unfinished job and has written a file that
  // is not in `before`; its path, or empty with the reason in error.
  QString waitForNewOutput(const QString& queue, const QStringList& before, QString& error) const;

  QString folder() const { return dir_ ? dir_->path() : QString(); }
  // The last lines of the server's error log, for failure reports.
  QString logTail() const;

 private:
  QString path(const QString& name) const;
  bool writeFile(const QString& name, const QByteArray& text) const;
  bool runClient(const QString& program, const QStringList& args, QString* output) const;

  std::unique_ptr<QTemporaryDir> dir_;
  QProcess cupsd_;
  qint64 pid_ = 0;
};

// The programs the server needs, or empty when all are there.
QString missingCupsPrograms();

// The PPD the cups-pdf package ships.
QString shippedCupsPdfPpd();

}  // namespace zel::printtest
