// zelrpt-cli: the viewer's work without windows, for scripts and tests.
#ifdef _WIN32
#  include <fcntl.h>
#  include <io.h>
#endif

#include <QGuiApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "cli_options.h"
#include "commands.h"
#include "font_mapper.h"
#include "page_heap.h"
#include "stderr_message_service.h"

namespace {

// Qt's note that no runtime directory is set says nothing about the work;
// everything else Qt has to say goes to standard error as usual.
void qtMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
  std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, message).toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // Scripts read the same bytes as on Linux: no carriage return before each line break.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  zel::KeepPageBuffersInTheHeap();
  std::vector<std::string> args(argv + 1, argv + argc);
  zel::cli::CliCommand command;
  std::string error;
  if (!zel::cli::parseCommandLine(args, command, error)) {
    std::fprintf(stderr, "zelrpt-cli: %s\n\n%s", error.c_str(), zel::cli::usageText().c_str());
    return 2;
  }
  if (command.kind == zel::cli::CommandKind::kHelp) {
    std::fputs(zel::cli::usageText().c_str(), stdout);
    return 0;
  }
  if (command.kind == zel::cli::CommandKind::kVersion) {
    std::printf("zelrpt-cli %s\n", ZEL_VERSION);
    return 0;
  }
#ifndef _WIN32
  // No display needed: drawing, fonts and PDF work on the offscreen platform.
  // On Windows the system's own platform needs no display either, and only it
  // sees the system's fonts (offscreen reads one folder of font files).
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
  qInstallMessageHandler(qtMessages);
  QGuiApplication app(argc, argv);

  zel::StderrMessageService service;
  const QStringList missing = zel::fontMapper().verify();
  if (!missing.isEmpty()) {
    std::fprintf(stderr, "zelrpt-cli: fonts without Hangul or not installed: %s\n",
                 missing.join(QStringLiteral(", ")).toLocal8Bit().constData());
  }
  return zel::cli::runCommand(command, {stdout, service});
}
