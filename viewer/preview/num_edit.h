// TNumberEdit: the one-line number field of the preview window and the margin
// dialog. It filters every typed character so the text stays a number within
// Min..Max with at most Digits decimals, and reads and writes its content as
// Value. Owned by its form like any other child widget; user-interface thread only.
//
// Range corrections show ErrorMessage through zel::messages() unless it is
// "[No Text]"; the two Min/Max conflict messages always show.
#pragma once

#include <QLineEdit>
#include <QString>
#include <functional>

class QFocusEvent;
class QKeyEvent;

namespace zel {

class TNumberEdit : public QLineEdit {
  Q_OBJECT

 public:
  static constexpr int kMaxDigits = 18;
  static constexpr long double kDefaultMax = 999999999999.0L;
  static inline const QString kNoText = QStringLiteral("[No Text]");

  explicit TNumberEdit(QWidget* parent = nullptr);

  bool IsComa() const { return isComa_; }
  void SetIsComa(bool on) { isComa_ = on; }
  int Digits() const { return digits_; }
  void SetDigits(int digits);
  long double Value() const;  // GetValue: the text parsed and pulled into Min..Max
  void SetValue(long double x);
  long double Min() const { return min_; }
  void SetMin(long double x);
  long double Max() const { return max_; }
  void SetMax(long double x);
  const QString& ErrorMessage() const { return errorMessage_; }
  void SetErrorMessage(const QString& text) { errorMessage_ = text; }
  QChar DecimalSeparator() const { return decimalSeparator_; }

  // The text Value would be written as.
  QString FormatValue(long double x) const;
  // Drops "," and blanks; anything but digits, "-" and "." left, or no valid
  // number, gives 0. "." is always the decimal point.
  static long double TextToNumber(const QString& text);

  // The form's key-down handler: runs before anything else; setting the key
  // to 0 swallows it.
  std::function<void(int& key, Qt::KeyboardModifiers modifiers)> OnKeyDown;
  // The form's key-press listener: sees each typed character before the
  // filter; setting it to a null character drops it.
  std::function<void(QChar& key)> OnKeyPress;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  // True when the typed character may go into the text.
  bool acceptCharacter(QChar ch);
  void showRangeMessage();
  void setShownText(const QString& text);

  bool isComa_ = true;
  int digits_ = 0;
  long double min_ = 0;
  long double max_ = kDefaultMax;
  QString errorMessage_ = kNoText;
  QChar decimalSeparator_ = QLatin1Char('.');
};

}  // namespace zel
