#include "num_edit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "message_service.h"

namespace zel {

namespace {

constexpr char kMinMessage[] = "Min-Value has to be less than or equal to Max-Value !";
constexpr char kMaxMessage[] = "Max-Value has to be greater than or equal to Min-Value !";

void showPlainMessage(MessageService& messages, const std::string& text) {
  messages.show({QCoreApplication::applicationName().toStdString(), text, MessageIcon::kNone, MessageButtons::kOk});
}

// "1234567.5" -> "1,234,567.5"; the sign stays in front.
std::string withThousands(const std::string& fixed) {
  std::string::size_type start = (!fixed.empty() && fixed[0] == '-') ? 1 : 0;
  std::string::size_type point = fixed.find('.');
  std::string::size_type intEnd = point == std::string::npos ? fixed.size() : point;
  std::string result = fixed.substr(0, start);
  for (std::string::size_type i = start; i < intEnd; ++i) {
    result += fixed[i];
    std::string::size_type left = intEnd - i - 1;
    if (left > 0 && left % 3 == 0) result += ',';
  }
  result += fixed.substr(intEnd);
  return result;
}

// Rounding can leave "-0" or "-0.00"; a zero has no sign.
std::string unsignedZero(std::string text) {
  if (!text.empty() && text[0] == '-' && text.find_first_of("123456789") == std::string::npos) text.erase(0, 1);
  return text;
}

}  // namespace

TNumberEdit::TNumberEdit(MessageService& messages, QWidget* parent) : QLineEdit(parent), messages_(messages) {
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

QString TNumberEdit::FormatValue(long double x) const {
  char buffer[128];
  if (isComa_) {
    std::snprintf(buffer, sizeof buffer, "%.*Lf", digits_, x);
    return QString::fromStdString(withThousands(unsignedZero(buffer)));
  }
  std::snprintf(buffer, sizeof buffer, "%.18Lg", x);
  return QString::fromStdString(unsignedZero(buffer));
}

long double TNumberEdit::TextToNumber(const QString& text) {
  std::string plain;
  for (QChar c : text) {
    if (c == QLatin1Char(',') || c == QLatin1Char(' ')) continue;
    if (!(c.isDigit() && c.unicode() < 128) && c != QLatin1Char('-') && c != QLatin1Char('.')) return 0;
    plain += static_cast<char>(c.unicode());
  }
  if (plain.empty()) return 0;
  // strtold would also take hexadecimal, "inf" and exponents; the filter above
  // leaves only digits, signs and points, so a full parse is a plain decimal.
  char* end = nullptr;
  long double value = std::strtold(plain.c_str(), &end);
  if (end != plain.c_str() + plain.size()) return 0;
  if (plain[0] == '-' && plain.size() > 1 && plain[1] == '-') return 0;
  return value;
}

long double TNumberEdit::Value() const {
  QString shown = text();
  if (shown.isEmpty() || shown == QStringLiteral("-") || shown == QString(decimalSeparator_))
    shown = QStringLiteral("0");
  long double x = TextToNumber(shown);
  if (x < min_) return min_;
  if (x > max_) return max_;
  return x;
}

void TNumberEdit::showRangeMessage() {
  if (errorMessage_ != kNoText) showPlainMessage(messages_, errorMessage_.toStdString());
}

void TNumberEdit::setShownText(const QString& shown) {
  // Change listeners rely on hearing only real changes.
  if (shown != text()) setText(shown);
}

void TNumberEdit::SetValue(long double x) {
  if (x > max_) {
    showRangeMessage();
    x = max_;
  }
  if (x < min_) {
    showRangeMessage();
    x = min_;
  }
  setShownText(FormatValue(x));
}

void TNumberEdit::SetDigits(int digits) {
  if (digits == digits_) return;
  digits_ = digits < 0 ? 0 : (digits > kMaxDigits ? kMaxDigits : digits);
  SetValue(Value());
}

void TNumberEdit::SetMin(long double x) {
  if (x == min_) return;
  if (x > max_) {
    showPlainMessage(messages_, kMinMessage);
    x = max_;
  }
  min_ = x;
  SetValue(Value());
}

void TNumberEdit::SetMax(long double x) {
  if (x == max_) return;
  if (x < min_) {
    showPlainMessage(messages_, kMaxMessage);
    x = min_;
  }
  max_ = x;
  SetValue(Value());
}

void TNumberEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  setShownText(FormatValue(Value()));
  selectAll();
}

void TNumberEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  setShownText(FormatValue(Value()));
}

void TNumberEdit::keyPressEvent(QKeyEvent* event) {
  if (OnKeyDown) {
    int key = event->key();
    OnKeyDown(key, event->modifiers());
    if (key == 0) {
      event->accept();
      return;
    }
  }
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    // The field stays one line: Enter moves on to the next control instead.
    event->accept();
    focusNextChild();
    return;
  }
  if (event->matches(QKeySequence::Paste)) {
    if (!isReadOnly()) insertFiltered(QGuiApplication::clipboard()->text());
    event->accept();
    return;
  }
  QString typed = event->text();
  if (typed.isEmpty()) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  QChar ch = typed.at(0);
  if (OnKeyPress) {
    OnKeyPress(ch);
    if (ch.isNull()) {
      event->accept();
      return;
    }
  }
  if (ch.unicode() < 32 || ch.unicode() == 127) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  if (!acceptCharacter(ch)) {
    event->accept();
    return;
  }
  if (typed.size() == 1 && ch == typed.at(0)) {
    QLineEdit::keyPressEvent(event);
  } else {
    // A listener changed the character: insert the changed one.
    insert(QString(ch));
    event->accept();
  }
}

TNumberEdit::EditState TNumberEdit::currentState() const {
  EditState state;
  state.text = text();
  state.selStart = hasSelectedText() ? selectionStart() : cursorPosition();
  state.selLength = hasSelectedText() ? static_cast<int>(selectedText().size()) : 0;
  return state;
}

void TNumberEdit::showState(const EditState& state) {
  setShownText(state.text);
  if (state.selLength > 0) {
    setSelection(state.selStart, state.selLength);
  } else {
    setCursorPosition(state.selStart);
  }
}

TNumberEdit::CharOutcome TNumberEdit::filterCharacter(EditState& state, QChar ch) const {
  const QString before = state.text.left(state.selStart);
  const QString after = state.text.mid(state.selStart + state.selLength);
  const QString rest = before + after;
  const QString candidate = before + ch + after;
  const QChar minus = QLatin1Char('-');

  bool isDigit = ch.unicode() >= '0' && ch.unicode() <= '9';
  if (!isDigit && ch != decimalSeparator_ && ch != minus) return CharOutcome::kDrop;
  if (ch == decimalSeparator_ && rest.contains(decimalSeparator_)) return CharOutcome::kDrop;
  if (ch == minus && rest.contains(minus)) return CharOutcome::kDrop;
  if (ch == minus && min_ >= 0) return CharOutcome::kDrop;
  if (ch == decimalSeparator_ && digits_ == 0) return CharOutcome::kDrop;
  int point = static_cast<int>(candidate.indexOf(decimalSeparator_));
  if (point >= 0 && candidate.size() - point - 1 > digits_) return CharOutcome::kDrop;
  if (ch == minus && candidate.indexOf(minus) != 0) return CharOutcome::kDrop;
  if (candidate == QString(minus)) {
    state = {QStringLiteral("-0"), 1, 1};
    return CharOutcome::kReplaced;
  }
  if (candidate == QString(decimalSeparator_)) {
    state = {QStringLiteral("0") + decimalSeparator_ + QStringLiteral("0"), 2, 1};
    return CharOutcome::kReplaced;
  }
  long double value = TextToNumber(candidate);
  if (value < min_ || value > max_) {
    const QString bound = FormatValue(value < min_ ? min_ : max_);
    state = {bound, 0, static_cast<int>(bound.size())};
    return CharOutcome::kOutOfRange;
  }
  state = {candidate, static_cast<int>(before.size()) + 1, 0};
  return CharOutcome::kInsert;
}

bool TNumberEdit::acceptCharacter(QChar ch) {
  EditState state = currentState();
  switch (filterCharacter(state, ch)) {
    case CharOutcome::kInsert: return true;
    case CharOutcome::kDrop: return false;
    case CharOutcome::kOutOfRange: showRangeMessage(); break;
    case CharOutcome::kReplaced: break;
  }
  showState(state);
  return false;
}

void TNumberEdit::insertFiltered(const QString& pasted) {
  EditState state = currentState();
  bool refused = false;
  bool outOfRange = false;
  for (QChar ch : pasted) {
    // Thousands separators and blanks are the number's own dress, not input.
    if (ch == QLatin1Char(',') || ch == QLatin1Char(' ')) continue;
    EditState next = state;
    const CharOutcome outcome = filterCharacter(next, ch);
    if (outcome == CharOutcome::kInsert && next.text.size() > maxLength()) {
      refused = true;
      break;
    }
    if (outcome == CharOutcome::kDrop) {
      refused = true;
      continue;
    }
    state = next;
    if (outcome == CharOutcome::kOutOfRange) {
      // The field now shows the bound, as after a typed character: the rest
      // of the paste would only replace it.
      outOfRange = true;
      refused = true;
      break;
    }
  }
  showState(state);
  if (outOfRange) showRangeMessage();
  if (refused) {
    QApplication::beep();
    emit inputRefused();
  }
}

QMenu* TNumberEdit::createFilteredContextMenu() {
  QMenu* menu = createStandardContextMenu();
  for (QAction* action : menu->actions()) {
    // The paste item is the one wired to the edit box's own paste.
    const bool paste = disconnect(action, &QAction::triggered, this, &QLineEdit::paste) ||
                       disconnect(action, SIGNAL(triggered()), this, SLOT(paste()));
    if (!paste) continue;
    action->setObjectName(QStringLiteral("edit-paste"));
    connect(action, &QAction::triggered, this, [this] { insertFiltered(QGuiApplication::clipboard()->text()); });
  }
  return menu;
}

void TNumberEdit::contextMenuEvent(QContextMenuEvent* event) {
  QMenu* menu = createFilteredContextMenu();
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(event->globalPos());
}

void TNumberEdit::mouseReleaseEvent(QMouseEvent* event) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (event->button() == Qt::MiddleButton && clipboard->supportsSelection() && !isReadOnly()) {
    deselect();
    insertFiltered(clipboard->text(QClipboard::Selection));
    event->accept();
    return;
  }
  QLineEdit::mouseReleaseEvent(event);
}

void TNumberEdit::dropEvent(QDropEvent* event) {
  if (!event->mimeData()->hasText() || isReadOnly()) {
    QLineEdit::dropEvent(event);
    return;
  }
  deselect();
  setCursorPosition(cursorPositionAt(event->position().toPoint()));
  insertFiltered(event->mimeData()->text());
  event->acceptProposedAction();
}

}  // namespace zel
