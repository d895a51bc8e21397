// For end-to-end tests: zelrpt-cli (or any program) run as a user runs it,
// with what it printed. Standard error is kept as bytes as well, so tests can
// check that it is valid UTF-8.
#pragma once

#include <signal.h>

#include <sstream>
#include <string>
#include <vector>

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace zel::e2e {

struct CliRun {
  int exitCode = -1;  // -1: crashed or did not finish
  QString out;
  QString err;
  QByteArray errBytes;
};

inline QString cliPath() {
#ifdef _WIN32
  // Beside the test program: the build directory's name is a host path Windows programs cannot use.
  return QCoreApplication::applicationDirPath() + QStringLiteral("/zelrpt-cli.exe");
#else
  return QString::fromLocal8Bit(qgetenv("ZEL_BINARY_DIR")) + QStringLiteral("/bin/zelrpt-cli");
#endif
}

inline CliRun runProgram(const QString& program, const QStringList& args,
                         const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                         int timeoutMs = 300000) {
  QProcess process;
  process.setProcessEnvironment(env);
  process.start(program, args);
  process.waitForFinished(timeoutMs);
  CliRun r;
  r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  r.out = QString::fromUtf8(process.readAllStandardOutput());
  r.errBytes = process.readAllStandardError();
  r.err = QString::fromUtf8(r.errBytes);
  return r;
}

inline CliRun cli(const QStringList& args) { return runProgram(cliPath(), args); }

// True when bytes are well-formed UTF-8 (a round trip keeps them).
// The fields of one line of a program's tab-separated output; a trailing
// separator ends with an empty field.
inline std::vector<std::string> splitFields(const std::string& line, char sep = '\t') {
  std::vector<std::string> out;
  std::string cell;
  std::istringstream in(line);
  while (std::getline(in, cell, sep)) out.push_back(cell);
  if (!line.empty() && line.back() == sep) out.emplace_back();
  return out;
}

inline bool isUtf8(const QByteArray& bytes) { return QString::fromUtf8(bytes).toUtf8() == bytes; }

// Starts the program with one of its stop hooks set (hook=at in its
// environment), so it stops itself there; returns once it has stopped, false
// when it ended or did not stop within waitMs (a minute).
inline bool startStoppedByHook(QProcess& process, const QString& program, const QStringList& args, const QString& hook,
                               int at, int waitMs = 60000) {
#ifdef _WIN32
  // A process cannot stop itself there; the tests that need it skip on Windows.
  Q_UNUSED(process);
  Q_UNUSED(program);
  Q_UNUSED(args);
  Q_UNUSED(hook);
  Q_UNUSED(at);
  Q_UNUSED(waitMs);
  return false;
#else
  // On top of what the caller set, if anything.
  QProcessEnvironment env = process.processEnvironment();
  if (env.isEmpty()) env = QProcessEnvironment::systemEnvironment();
  env.insert(hook, QString::number(at));
  process.setProcessEnvironment(env);
  process.start(program, args);
  if (!process.waitForStarted()) return false;
  const QString stat = QStringLiteral("/proc/%1/stat").arg(process.processId());
  for (int tries = 0; tries < waitMs / 20; ++tries) {
    QFile file(stat);
    if (file.open(QIODevice::ReadOnly)) {
      // "pid (name) state ...": the state follows the name's closing bracket.
      const QByteArray line = file.readAll();
      const qsizetype close = line.lastIndexOf(')');
      if (close >= 0 && close + 2 < line.size() && line.at(close + 2) == 'T') return true;
    }
    if (process.waitForFinished(20)) return false;
  }
  return false;
#endif
}

// The page hook (ZEL_STOP_AFTER_PAGES): stopped at the page boundary after `pages` pages.
inline bool startStoppedAfterPages(QProcess& process, const QString& program, const QStringList& args, int pages,
                                   int waitMs = 60000) {
  return startStoppedByHook(process, program, args, QStringLiteral("ZEL_STOP_AFTER_PAGES"), pages, waitMs);
}

// Sends the signal to a stopped program and lets it go on to handle it.
inline void signalAndContinue(const QProcess& process, int signal) {
#ifdef _WIN32
  Q_UNUSED(process);
  Q_UNUSED(signal);
#else
  const auto pid = static_cast<pid_t>(process.processId());
  ::kill(pid, signal);
  ::kill(pid, SIGCONT);
#endif
}

}  // namespace zel::e2e
