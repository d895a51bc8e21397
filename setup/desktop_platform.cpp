#include "desktop_platform.h"

#include <QDesktopServices>
#include <QProcess>
#include <QString>
#include <QUrl>

namespace zel::setup {

void DesktopPlatform::openUrl(const std::string& url) {
  QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

bool DesktopPlatform::restartSystem() {
  // The login manager decides whether this user may restart; interactive=true lets
  // it ask for authorisation instead of refusing outright.
  const bool asked = QProcess::startDetached(
      QStringLiteral("dbus-send"),
      {QStringLiteral("--system"), QStringLiteral("--print-reply"),
       QStringLiteral("--dest=org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
       QStringLiteral("org.freedesktop.login1.Manager.Reboot"), QStringLiteral("boolean:true")});
  return asked || QProcess::startDetached(QStringLiteral("systemctl"), {QStringLiteral("reboot")});
}

}  // namespace zel::setup
