// zelrpt-cli compare: the summary of two versions of a report on standard
// output, the comparison table in the files asked for.
#include <QFileInfo>
#include <cstdio>
#include <string>
#include <vector>

#include "engine_settings.h"
#include "commands.h"
#include "compare_sheet.h"
#include "cp949.h"
#include "message_service.h"
#include "stale_parts.h"
#include "terminal_progress.h"

namespace zel::cli {
namespace {

// A total without separators or trailing zeros ("1416000", "12.5").
std::string plainNumber(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.7f", v);
  std::string s = buf;
  s.erase(s.find_last_not_of('0') + 1);
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

std::string columnName(const CompareColumn& c) {
  const std::string own = cp949ToUtf8(c.caption), group = cp949ToUtf8(c.group);
  if (group.empty() || group == own) return own;
  return own.empty() ? group : group + " " + own;
}

}  // namespace

int runCompare(const CliCommand& command, const CommandContext& context) {
  // The engine set up as the main window sets it up: deleted records hidden.
  EngineSettings env;
  env.SetDeleted(true);
  env.SetExact(true);
  env.SetCentury(true);

  std::vector<CompareFileRequest> requests;
  for (const auto& [file, format] :
       {std::pair{&command.xlsxOut, CompareFormat::kXlsx}, std::pair{&command.csvOut, CompareFormat::kCsv}}) {
    if (file->empty()) continue;
    const QFileInfo target(QString::fromStdString(*file));
    CompareFileRequest r;
    r.path = target.absoluteFilePath().toStdString();
    r.format = format;
    r.changedOnly = command.changedOnly;
    requests.push_back(r);
    RemoveStalePartFiles({r.path});
  }
  installInterruptHandler();
  CompareFilesOutcome outcome;
  try {
    outcome = CompareToFiles(context.messages, command.path, command.newPath, requests,
                             [](long, long) { return !interrupted(); });
  } catch (const std::exception& e) {
    context.messages.error(e.what());
    return 1;
  }
  if (outcome.status == CompareStatus::kCancelled || interrupted()) return interruptedExitCode();
  if (outcome.status == CompareStatus::kRefused) return 1;

  const CompareSummary& s = outcome.summary;
  std::fprintf(context.out, "matched\t%ld\nchanged\t%ld\nadded\t%ld\nremoved\t%ld\n", s.matched, s.changed, s.added,
               s.removed);
  for (std::size_t i = 0; i < outcome.shape.columns.size(); ++i) {
    if (!outcome.shape.columns[i].amount) continue;
    std::fprintf(context.out, "total\t%s\t%s\t%s\t%s\n", columnName(outcome.shape.columns[i]).c_str(),
                 plainNumber(s.totalBefore[i]).c_str(), plainNumber(s.totalAfter[i]).c_str(),
                 plainNumber(s.totalAfter[i] - s.totalBefore[i]).c_str());
  }
  for (std::size_t i = 0; i < requests.size(); ++i)
    std::fprintf(context.out, "%s\t%ld lines\n", requests[i].path.c_str(), outcome.written[i]);
  return 0;
}

}  // namespace zel::cli
