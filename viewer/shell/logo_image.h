// LogoImage: the maker's logo at the top left of the description panel, drawn
// by our own code (80 x 50, transparent, hand cursor). A click opens the
// maker's web site through the desktop's URL handler, which tests replace.
#pragma once

#include <QUrl>
#include <QWidget>
#include <functional>

namespace zel {

inline constexpr char kMakerWebSite[] = "https://www.velmora.example/zelrpt/";

class LogoImage : public QWidget {
  Q_OBJECT

 public:
  explicit LogoImage(QWidget* parent = nullptr);

  // Opens a URL; the default hands it to QDesktopServices.
  using UrlOpener = std::function<bool(const QUrl&)>;
  static void setUrlOpener(UrlOpener opener);
  static bool openUrl(const QUrl& url);

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace zel
