#include "help.h"

#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <algorithm>

#include "shell_font.h"

namespace zel {

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("ZEL 보고서 Viewer 도움말"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setFont(shellFont());
  setFixedSize(362, 203);

  textView = new QPlainTextEdit(this);
  textView->setObjectName(QStringLiteral("textView"));
  textView->setGeometry(8, 8, 345, 185);
  QPalette palette = textView->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Button));
  textView->setPalette(palette);
  textView->setLineWrapMode(QPlainTextEdit::NoWrap);
  textView->setPlainText(helpLines().join(QLatin1Char('\n')));
  fitToLines();
}

void HelpWindow::fitToLines() {
  // The designed 345 x 185 memo is too small for its own lines in the
  // fonts at hand: grow it, and the window, until no scroll bar is needed.
  const QFontMetrics metrics(textView->font());
  int widest = 0;
  for (const QString& line : helpLines()) widest = std::max(widest, metrics.horizontalAdvance(line));
  const int margins = 2 * (textView->frameWidth() + static_cast<int>(textView->document()->documentMargin())) + 16;
  const int lines = static_cast<int>(helpLines().size());
  const QSize memo(std::max(345, widest + margins), std::max(185, lines * metrics.lineSpacing() + margins));
  textView->setGeometry(8, 8, memo.width(), memo.height());
  setFixedSize(memo.width() + 17, memo.height() + 18);
}

QStringList HelpWindow::helpLines() {
  return {
      QString(),
      QStringLiteral("ZEL/4.x보고서 Viewer는"),
      QStringLiteral("--------------------------"),
      QStringLiteral("  이 프로그램은 ZEL/4.x에서 만든 보고서파일을 ZEL/4.x가 "),
      QStringLiteral("  없더라도 보고서 파일보기, 인쇄를 가능하게 해주는 "),
      QStringLiteral("  Free-ware입니다.(내역서 보고서만 지원)"),
      QString(),
      QString(),
      QStringLiteral("사용방법"),
      QStringLiteral("--------------------------"),
      QStringLiteral("  1.디렉토리설정(파일-디렉토리설정)"),
      QStringLiteral("    보고서(*.DBF)가 있는 경로로 디렉토리 설정"),
      QStringLiteral("  2.출력을 원하는 보고서(*.DBF)파일 선택"),
      QStringLiteral("  3.인쇄"),
      QStringLiteral("    미리보기 창의 프린터 아이콘을 클릭하여 인쇄함"),
  };
}

}  // namespace zel
