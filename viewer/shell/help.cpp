#include "help.h"

#include <QPlainTextEdit>

#include "shell_font.h"

namespace zel {

TfrmHelp::TfrmHelp(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("frmHelp"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setFont(shellFont());
  setFixedSize(362, 203);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setGeometry(8, 8, 345, 185);
  QPalette palette = Memo1->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Button));
  Memo1->setPalette(palette);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setPlainText(HelpLines().join(QLatin1Char('\n')));
}

QStringList TfrmHelp::HelpLines() {
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
