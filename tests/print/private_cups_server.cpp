#include "private_cups_server.h"

#include <grp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>

namespace zel::printtest {
namespace {

constexpr const char* kCupsd = "/usr/sbin/cupsd";
constexpr const char* kCupsPdfBackend = "/usr/lib/cups/backend/cups-pdf";
constexpr const char* kCupsPdfPpd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
constexpr const char* kSystemCupsDir = "/etc/cups";
constexpr int kStartMs = 15000;
constexpr int kJobMs = 120000;

// The filters run as the group lp and need the spool and temporary folders.
bool shareWithLp(const QString& dir, mode_t mode) {
  const group* lp = ::getgrnam("lp");
  const QByteArray p = QFile::encodeName(dir);
  if (lp == nullptr || ::chown(p.constData(), 0, lp->gr_gid) != 0) return false;
  return ::chmod(p.constData(), mode) == 0;
}

}  // namespace

QString missingCupsPrograms() {
  QStringList missing;
  for (const char* file : {kCupsd, kCupsPdfBackend, kCupsPdfPpd}) {
    if (!QFileInfo::exists(QString::fromLatin1(file))) missing << QString::fromLatin1(file);
  }
  for (const char* program : {"unshare", "mount", "lpadmin", "lpstat", "gs"}) {
    if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty()) missing << QString::fromLatin1(program);
  }
  if (!QFileInfo(QString::fromLatin1(kSystemCupsDir)).isDir()) missing << QString::fromLatin1(kSystemCupsDir);
  return missing.join(QStringLiteral(", "));
}

QString shippedCupsPdfPpd() { return QString::fromLatin1(kCupsPdfPpd); }

PrivateCupsServer::~PrivateCupsServer() { stop(); }

QString PrivateCupsServer::path(const QString& name) const { return QDir(dir_->path()).filePath(name); }

bool PrivateCupsServer::writeFile(const QString& name, const QByteArray& text) const {
  QFile file(path(name));
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

bool PrivateCupsServer::runClient(const QString& program, const QStringList& args, QString* output) const {
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, args);
  const bool done = process.waitForFinished(30000);
  if (output) *output = QString::fromLocal8Bit(process.readAll());
  return done && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool PrivateCupsServer::start(QString& reason) {
  if (::geteuid() != 0) {
    reason = QStringLiteral("not root: cupsd runs the cups-pdf backend as root and the test mounts its settings");
    return false;
  }
  if (const QString missing = missingCupsPrograms(); !missing.isEmpty()) {
    reason = QStringLiteral("not installed: ") + missing + QStringLiteral(" (scripts/install-deps.sh installs them)");
    return false;
  }
  // A short path: the socket's name must fit a socket address.
  dir_ = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/zelrpt-cups-XXXXXX"));
  if (!dir_->isValid()) {
    reason = QStringLiteral("cannot make a temporary folder");
    return false;
  }
  const QString d = dir_->path();
  ::chmod(QFile::encodeName(d).constData(), 0755);  // the filters (user lp) go through it
  for (const char* sub : {"root", "spool", "tmp", "cache", "state", "log", "etc", "cups-pdf"}) QDir(d).mkpath(sub);
  if (!shareWithLp(path("spool"), 0710) || !shareWithLp(path("tmp"), 01770) || !shareWithLp(path("cache"), 0770)) {
    reason = QStringLiteral("cannot give the spool folders to the group lp");
    return false;
  }
  const QByteArray socket = QFile::encodeName(path("cups.sock"));
  const QByteArray cupsdConf =
      "LogLevel debug\n"
      "Listen " +
      socket +
      "\n"
      "Browsing Off\n"
      "WebInterface No\n"
      "DefaultAuthType None\n"
      "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
      "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n";
  const QByteArray filesConf =
      "ServerRoot " + QFile::encodeName(path("root")) + "\n" + "RequestRoot " + QFile::encodeName(path("spool")) +
      "\n" + "TempDir " + QFile::encodeName(path("tmp")) + "\n" + "CacheDir " + QFile::encodeName(path("cache")) +
      "\n" + "StateDir " + QFile::encodeName(path("state")) + "\n" + "ErrorLog " +
      QFile::encodeName(path("log/error_log")) + "\n" + "AccessLog " + QFile::encodeName(path("log/access_log")) +
      "\n" + "PageLog " + QFile::encodeName(path("log/page_log")) + "\n" + "Printcap " +
      QFile::encodeName(path("printcap")) + "\n" + "User lp\nGroup lp\nSystemGroup root\n";
  if (!writeFile(QStringLiteral("cupsd.conf"), cupsdConf) || !writeFile(QStringLiteral("cups-files.conf"), filesConf)) {
    reason = QStringLiteral("cannot write the server's configuration");
    return false;
  }

  // The mount is made inside the new namespace, then cupsd replaces the shell.
  cupsd_.setProcessChannelMode(QProcess::MergedChannels);
  cupsd_.setStandardOutputFile(path("log/cupsd.out"));
  // Should the test die before it stops the server, the server goes too.
  cupsd_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
  cupsd_.start(
      QStringLiteral("unshare"),
      {QStringLiteral("--mount"), QStringLiteral("--propagation"), QStringLiteral("private"), QStringLiteral("sh"),
       QStringLiteral("-c"), QStringLiteral("mount --bind \"$1\" \"$2\" && exec \"$3\" -f -c \"$4\" -s \"$5\""),
       QStringLiteral("sh"), path("etc"), QString::fromLatin1(kSystemCupsDir), QString::fromLatin1(kCupsd),
       path("cupsd.conf"), path("cups-files.conf")});
  if (!cupsd_.waitForStarted(kStartMs)) {
    reason = QStringLiteral("cannot start unshare: ") + cupsd_.errorString();
    return false;
  }
  pid_ = cupsd_.processId();
  qputenv("CUPS_SERVER", socket);
  // A destination named in the environment would beat the server's default.
  qunsetenv("LPDEST");
  qunsetenv("PRINTER");

  const QDeadlineTimer deadline(kStartMs);
  QString status;
  while (!deadline.hasExpired()) {
    if (cupsd_.state() == QProcess::NotRunning) break;
    if (runClient(QStringLiteral("lpstat"), {QStringLiteral("-r")}, &status) &&
        status.contains(QStringLiteral("scheduler is running")) && !status.contains(QStringLiteral("not running")))
      return true;
    QThread::msleep(100);
  }
  QFile out(path("log/cupsd.out"));
  out.open(QIODevice::ReadOnly);
  reason = QStringLiteral("the private cupsd did not come up (no private mount namespace here?): ") +
           QString::fromLocal8Bit(out.readAll()).trimmed() + QLatin1Char(' ') + logTail();
  stop();
  return false;
}

bool PrivateCupsServer::stop() {
  if (pid_ <= 0) return true;
  if (cupsd_.state() != QProcess::NotRunning) {
    ::kill(static_cast<pid_t>(pid_), SIGTERM);
    if (!cupsd_.waitForFinished(20000)) {
      ::kill(static_cast<pid_t>(pid_), SIGKILL);
      cupsd_.waitForFinished(5000);
    }
  }
  const bool gone = cupsd_.state() == QProcess::NotRunning;
  if (gone) pid_ = 0;
  return gone;
}

bool PrivateCupsServer::addPdfQueue(const QString& name, const QString& ppdFile, bool makeDefault, QString& error) {
  const QString out = outputDir(name);
  const QString spool = path(QStringLiteral("cups-pdf/spool-") + name);
  QDir().mkpath(out);
  // The settings the backend reads for the device cups-pdf:/NAME. Label 2:
  // every file name ends in "-job_<id>".
  const QByteArray settings = "Out " + QFile::encodeName(out) + "\n" + "AnonDirName " + QFile::encodeName(out) + "\n" +
                              "Spool " + QFile::encodeName(spool) + "\n" + "Log " +
                              QFile::encodeName(path("cups-pdf")) + "\n" + "GSTmp " + QFile::encodeName(path("tmp")) +
                              "\n" + "Grp lp\nLabel 2\nLogType 7\n";
  if (!writeFile(QStringLiteral("etc/cups-pdf-") + name + QStringLiteral(".conf"), settings)) {
    error = QStringLiteral("cannot write the cups-pdf settings");
    return false;
  }
  QString output;
  if (!runClient(
          QStringLiteral("lpadmin"),
          {QStringLiteral("-p"), name, QStringLiteral("-v"), QStringLiteral("cups-pdf:/") + name, QStringLiteral("-P"),
           ppdFile, QStringLiteral("-o"), QStringLiteral("printer-error-policy=abort-job"), QStringLiteral("-E")},
          &output)) {
    error = QStringLiteral("lpadmin: ") + output;
    return false;
  }
  if (makeDefault && !runClient(QStringLiteral("lpadmin"), {QStringLiteral("-d"), name}, &output)) {
    error = QStringLiteral("lpadmin -d: ") + output;
    return false;
  }
  return true;
}

QString PrivateCupsServer::outputDir(const QString& queue) const { return path(QStringLiteral("out-") + queue); }

QStringList PrivateCupsServer::outputFiles(const QString& queue) const {
  return QDir(outputDir(queue)).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
}

QString PrivateCupsServer::waitForNewOutput(const QString& queue, const QStringList& before, QString& error) const {
  const QDeadlineTimer deadline(kJobMs);
  QString pending;
  while (!deadline.hasExpired()) {
    runClient(QStringLiteral("lpstat"),
              {QStringLiteral("-W"), QStringLiteral("not-completed"), QStringLiteral("-o"), queue}, &pending);
    if (pending.trimmed().isEmpty()) {
      for (const QString& file : outputFiles(queue)) {
        if (!before.contains(file)) return QDir(outputDir(queue)).filePath(file);
      }
    }
    QThread::msleep(200);
  }
  error = QStringLiteral("no new output from ") + queue + QStringLiteral(" (pending: ") + pending.trimmed() +
          QStringLiteral(") ") + logTail();
  return {};
}

QString PrivateCupsServer::logTail() const {
  if (!dir_) return {};
  QFile log(path(QStringLiteral("log/error_log")));
  if (!log.open(QIODevice::ReadOnly)) return {};
  const QStringList lines = QString::fromLocal8Bit(log.readAll()).split(QLatin1Char('\n'));
  QStringList wanted;
  for (const QString& line : lines) {
    if (line.startsWith(QLatin1String("E ")) || line.contains(QLatin1String("stopped with status")) ||
        line.contains(QLatin1String("Unable")))
      wanted << line;
  }
  return wanted.mid(std::max<qsizetype>(0, wanted.size() - 12)).join(QLatin1Char('\n'));
}

}  // namespace zel::printtest
