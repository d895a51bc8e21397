#include "num_edit.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "message_service.h"

namespace zel {

namespace {

constexpr char kMinMessage[] = "Min-Value has to be less than or equal to Max-Value !";
constexpr char kMaxMessage[] = "Max-Value has to be greater than or equal to Min-Value !";

void showPlainMessage(const std::string& text) {
  messages().show({QCoreApplication::applicationName().toStdString(), text, MessageIcon::kNone, MessageButtons::kOk});
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

TNumberEdit::TNumberEdit(QWidget* parent) : QLineEdit(parent) { setAlignment(Qt::AlignRight | Qt::AlignVCenter); }

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
  if (errorMessage_ != kNoText) showPlainMessage(errorMessage_.toStdString());
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
    showPlainMessage(kMinMessage);
    x = max_;
  }
  min_ = x;
  SetValue(Value());
}

void TNumberEdit::SetMax(long double x) {
  if (x == max_) return;
  if (x < min_) {
    showPlainMessage(kMaxMessage);
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

bool TNumberEdit::acceptCharacter(QChar ch) {
  const QString shown = text();
  int selStart = hasSelectedText() ? selectionStart() : cursorPosition();
  int selLength = hasSelectedText() ? static_cast<int>(selectedText().size()) : 0;
  const QString before = shown.left(selStart);
  const QString after = shown.mid(selStart + selLength);
  const QString rest = before + after;
  const QString candidate = before + ch + after;
  const QChar minus = QLatin1Char('-');

  bool isDigit = ch.unicode() >= '0' && ch.unicode() <= '9';
  if (!isDigit && ch != decimalSeparator_ && ch != minus) return false;
  if (ch == decimalSeparator_ && rest.contains(decimalSeparator_)) return false;
  if (ch == minus && rest.contains(minus)) return false;
  if (ch == minus && min_ >= 0) return false;
  if (ch == decimalSeparator_ && digits_ == 0) return false;
  int point = static_cast<int>(candidate.indexOf(decimalSeparator_));
  if (point >= 0 && candidate.size() - point - 1 > digits_) return false;
  if (ch == minus && candidate.indexOf(minus) != 0) return false;
  if (candidate == QString(minus)) {
    setShownText(QStringLiteral("-0"));
    setSelection(1, 1);
    return false;
  }
  if (candidate == QString(decimalSeparator_)) {
    setShownText(QStringLiteral("0") + decimalSeparator_ + QStringLiteral("0"));
    setSelection(2, 1);
    return false;
  }
  long double value = TextToNumber(candidate);
  if (value < min_) {
    showRangeMessage();
    setShownText(FormatValue(min_));
    selectAll();
    return false;
  }
  if (value > max_) {
    showRangeMessage();
    setShownText(FormatValue(max_));
    selectAll();
    return false;
  }
  return true;
}

}  // namespace zel
