// Building blocks shared by the wizard pages: fixed-size dialog set-up, labels and
// buttons in the page font at fixed places, the picture strip on the left.
// Every widget made here is owned by the given parent.
#pragma once

#include <QString>
#include <functional>

#include "setup_art.h"

class QDialog;
class QKeyEvent;
class QLabel;
class QPushButton;
class QWidget;

namespace zel::setup {

// Fixed client size, a close box only, centred on the screen, the program icon.
void setUpFixedDialog(QDialog& dialog, const QString& caption, int width, int height);

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int x, int y, bool bold = false);
// A label placed right after another on the same line.
QLabel* makeLabelAfter(QWidget* parent, const char* name, const QString& text, QLabel* before, bool bold = false);
QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, int x, int y, int width = 80,
                        int height = 25);
// The button bar along the foot of a width x height page: a raised panel named
// buttonBar, kButtonBarHeight high.
constexpr int kButtonBarHeight = 41;
QWidget* makeButtonBar(QWidget* parent, int width, int height);
// The wizard pages' keys: Enter presses the focused button, Escape does what
// the page's cancel button does. True when the key was taken.
bool handlePageKey(QDialog& page, QKeyEvent* event, const std::function<void()>& cancel);

// Shows text in a label of fixed width, cut in the middle when too long so that
// the end of a path stays visible; the whole text is the label's tool tip.
void setElidedText(QLabel* label, const QString& text);

// The left strip: a sunken panel named pictureStrip whose picture (named picture) fills it.
QWidget* makePictureStrip(QWidget* parent, SidePicture picture, int width, int height);

}  // namespace zel::setup
