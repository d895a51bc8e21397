#include "page_parts.h"

#include <QDialog>
#include <QFrame>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace zel::setup {

void setUpFixedDialog(QDialog& dialog, const QString& caption, int width, int height) {
  dialog.setWindowTitle(caption);
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                        Qt::MSWindowsFixedSizeDialogHint);
  dialog.setFixedSize(width, height);
  dialog.setWindowIcon(programIcon());
  dialog.setFont(pageFont());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    dialog.move(area.center() - QPoint(width / 2, height / 2));
  }
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int x, int y, bool bold) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setFont(pageFont(bold));
  label->adjustSize();
  label->move(x, y);
  return label;
}

QLabel* makeLabelAfter(QWidget* parent, const char* name, const QString& text, QLabel* before, bool bold) {
  return makeLabel(parent, name, text, before->x() + before->width(), before->y(), bold);
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, int x, int y, int width, int height) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setFont(pageFont());
  button->setGeometry(x, y, width, height);
  button->setAutoDefault(false);
  return button;
}

bool handlePageKey(QDialog& page, QKeyEvent* event, const std::function<void()>& cancel) {
  const int key = event->key();
  if (key == Qt::Key_Escape) {
    cancel();
    return true;
  }
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    if (auto* button = qobject_cast<QPushButton*>(page.focusWidget())) {
      button->click();
      return true;
    }
  }
  return false;
}

void setElidedText(QLabel* label, const QString& text) {
  label->setText(QFontMetrics(label->font()).elidedText(text, Qt::ElideMiddle, label->width()));
  label->setToolTip(text);
}

QWidget* makeButtonBar(QWidget* parent, int width, int height) {
  auto* bar = new QFrame(parent);
  bar->setObjectName(QStringLiteral("buttonBar"));
  bar->setFrameStyle(QFrame::Panel | QFrame::Raised);
  bar->setGeometry(0, height - kButtonBarHeight, width, kButtonBarHeight);
  return bar;
}

QWidget* makePictureStrip(QWidget* parent, SidePicture picture, int width, int height) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(QStringLiteral("pictureStrip"));
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setGeometry(0, 0, width, height);
  auto* image = new QLabel(panel);
  image->setObjectName(QStringLiteral("picture"));
  image->setScaledContents(true);
  image->setPixmap(sidePicture(picture));
  image->setGeometry(panel->contentsRect());
  return panel;
}

}  // namespace zel::setup
