// LogoImage: the maker's logo at the top left of the description panel, drawn
// by our own code (80 x 50, transparent, hand cursor). It only says it was
// clicked; the main window opens the maker's web site.
#pragma once

#include <QUrl>
#include <QWidget>

namespace zel {

inline constexpr char kMakerWebSite[] = "https://www.velmora.example/zelrpt/";

class LogoImage : public QWidget {
  Q_OBJECT

 public:
  explicit LogoImage(QWidget* parent = nullptr);

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace zel
