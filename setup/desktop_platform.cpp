#include "desktop_platform.h"

#include <QDesktopServices>
#include <QProcess>
#include <QString>
#include <QUrl>

namespace zel::setup {

void DesktopPlatform::openUrl(const std::string& url) { QDesktopServices::openUrl(QUrl(QString::fromStdString(url))); }

namespace {

// Runs a program and waits for its answer; true when it exited with 0.
bool runAndWait(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  // The login manager may ask the user for authorisation first.
  if (!process.waitForFinished(120000)) {
    process.kill();
    process.waitForFinished();
    return false;
  }
  return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

}  // namespace

bool DesktopPlatform::restartSystem() {
  // The login manager decides whether this user may restart; interactive=true lets
  // it ask for authorisation instead of refusing outright. systemctl is the fallback.
  return runAndWait(QStringLiteral("dbus-send"),
                    {QStringLiteral("--system"), QStringLiteral("--print-reply"),
                     QStringLiteral("--dest=org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                     QStringLiteral("org.freedesktop.login1.Manager.Reboot"), QStringLiteral("boolean:true")}) ||
         runAndWait(QStringLiteral("systemctl"), {QStringLiteral("reboot")});
}

bool DesktopPlatform::startProgram(const std::string& program, const std::string& workingDir) {
  return QProcess::startDetached(QString::fromStdString(program), {}, QString::fromStdString(workingDir));
}

}  // namespace zel::setup
