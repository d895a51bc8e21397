// For end-to-end tests: zelrpt-cli (or any program) run as a user runs it,
// with what it printed. Standard error is kept as bytes as well, so tests can
// check that it is valid UTF-8.
#pragma once

#include <QByteArray>
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
  return QString::fromLocal8Bit(qgetenv("ZEL_BINARY_DIR")) + QStringLiteral("/bin/zelrpt-cli");
}

inline CliRun runProgram(const QString& program, const QStringList& args,
                         const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
  QProcess process;
  process.setProcessEnvironment(env);
  process.start(program, args);
  process.waitForFinished(300000);
  CliRun r;
  r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  r.out = QString::fromUtf8(process.readAllStandardOutput());
  r.errBytes = process.readAllStandardError();
  r.err = QString::fromUtf8(r.errBytes);
  return r;
}

inline CliRun cli(const QStringList& args) { return runProgram(cliPath(), args); }

// True when bytes are well-formed UTF-8 (a round trip keeps them).
inline bool isUtf8(const QByteArray& bytes) { return QString::fromUtf8(bytes).toUtf8() == bytes; }

}  // namespace zel::e2e
