// For the PDF tests: a PDF's words with their boxes, page by page, as
// pdftotext -bbox reads them, and the environment that picks how many threads
// zelrpt-cli draws a PDF on.
#pragma once

#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QString>
#include <vector>

#include "cli_process.h"

namespace zel::e2e {

struct PdfWord {
  QString text;
  double box[4] = {};  // xMin, yMin, xMax, yMax in points
};

inline std::vector<std::vector<PdfWord>> pdfWordsByPage(const QString& pdf) {
  std::vector<std::vector<PdfWord>> pages;
  const QString html = runProgram(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")},
                                  QProcessEnvironment::systemEnvironment(), -1)
                           .out;
  static const QRegularExpression item(QStringLiteral(
      "<page |<word xMin=\"([0-9.-]+)\" yMin=\"([0-9.-]+)\" xMax=\"([0-9.-]+)\" yMax=\"([0-9.-]+)\">([^<]*)</word>"));
  for (auto it = item.globalMatch(html); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    if (m.captured(0) == QLatin1String("<page ")) {
      pages.emplace_back();
      continue;
    }
    if (pages.empty()) continue;
    PdfWord& w = pages.back().emplace_back();
    w.text = m.captured(5);
    for (int i = 0; i < 4; ++i) w.box[i] = m.captured(i + 1).toDouble();
  }
  return pages;
}

// ZEL_PDF_THREADS=count: 1 the program's own writer, 2 or more Qt's engine on workers.
inline QProcessEnvironment pdfThreads(int count) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("ZEL_PDF_THREADS"), QString::number(count));
  return env;
}

}  // namespace zel::e2e
