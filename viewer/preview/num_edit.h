// TNumberEdit: the one-line number field of the preview window and the margin
// dialog. It filters every typed character so the text stays a number within
// Min..Max with at most Digits decimals, and reads and writes its content as
// Value. Owned by its form like any other child widget; user-interface thread only.
//
// Range corrections show ErrorMessage through the message service the form
// gives it, unless it is "[No Text]"; the two Min/Max conflict messages always
// show. The service must outlive the field.
//
// Pasted or dropped text (keyboard, context menu, middle button) goes through
// the same filter, one character at a time as if typed, and changes the text
// once; characters the filter drops make the field beep and emit inputRefused.
#pragma once

#include <QLineEdit>
#include <QString>
#include <functional>

class QContextMenuEvent;
class QDropEvent;
class QFocusEvent;
class QKeyEvent;
class QMenu;
class QMouseEvent;

namespace zel {

class MessageService;

class TNumberEdit : public QLineEdit {
  Q_OBJECT

 public:
  static constexpr int kMaxDigits = 18;
  static constexpr long double kDefaultMax = 999999999999.0L;
  static inline const QString kNoText = QStringLiteral("[No Text]");

  explicit TNumberEdit(MessageService& messages, QWidget* parent = nullptr);

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

  // Inserts text at the caret (replacing the selection) through the filter.
  void insertFiltered(const QString& text);
  // The edit box's own context menu, its paste item going through the filter.
  QMenu* createFilteredContextMenu();

 signals:
  // Pasted or dropped text lost characters to the filter or the range.
  void inputRefused();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  // The text and selection a character is tested against.
  struct EditState {
    QString text;
    int selStart = 0;
    int selLength = 0;
  };
  enum class CharOutcome {
    kInsert,  // the character goes in as typed
    kDrop,  // refused; nothing changes
    kReplaced,  // refused, and the text became a starter such as "-0"
    kOutOfRange,  // refused, and the text became the nearest bound, all selected
  };
  // Tests ch against state as the typing filter does and updates state to
  // what the field shows afterwards.
  CharOutcome filterCharacter(EditState& state, QChar ch) const;
  EditState currentState() const;
  // The typed character's test against the field: true when it may go in.
  bool acceptCharacter(QChar ch);
  void showState(const EditState& state);
  void showRangeMessage();
  void setShownText(const QString& text);

  MessageService& messages_;
  bool isComa_ = true;
  int digits_ = 0;
  long double min_ = 0;
  long double max_ = kDefaultMax;
  QString errorMessage_ = kNoText;
  QChar decimalSeparator_ = QLatin1Char('.');
};

}  // namespace zel
