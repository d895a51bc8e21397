#include "find_controller.h"

#include <QWidget>
#include <exception>

#include "busy_cursor.h"
#include "error_text.h"
#include "message_service.h"
#include "preview_hooks.h"
#include "print_range.h"
#include "report_lines.h"
#include "report_table.h"

namespace zel {

const char FindController::kNoMoreHitsText[] = "이 줄 다음에는 찾는 내용이 더 없습니다.";

FindController::FindController(QWidget& window, MessageService& messages, const PreviewHooks& hooks)
    : window_(window), messages_(messages), hooks_(hooks) {}

void FindController::pageShown(int page) {
  if (hit_.found && hit_.page != page) hit_ = LineHit{};
}

bool FindController::open(ReportTable& table, int shown) {
  state_.found = false;
  state_.page = shown;
  try {
    ReportTableLines lines(table);
    if (!HasPageNumbers(lines)) {
      refuseSearchWithoutPageNumbers(messages_);
      return false;
    }
    FindDialog dialog(messages_, state_, lines, "P", &window_);
    if (hooks_.runFind) {
      hooks_.runFind(dialog);
    } else {
      dialog.exec();
    }
  } catch (const std::exception& e) {
    messages_.error(errorMessageText(e));
    return false;
  }
  return true;
}

void FindController::markFirstHit(ReportTable& table) {
  if (!state_.found || state_.field.empty()) return;
  // The dialog's walk starts at a page's top, so its hit is the first match
  // from the found page's top: mark that line, also on the page shown, so F3
  // goes on from it.
  try {
    ReportTableLines lines(table);
    hit_ = FindNextLine(lines, state_.field, state_.text, state_.page, 0);
  } catch (const std::exception&) {
    hit_ = LineHit{};
  }
}

bool FindController::next(ReportTable& table, int shown) {
  LineHit hit;
  try {
    const BusyCursor busy;
    ReportTableLines lines(table);
    // From the line after the last hit, or after the page shown.
    const int page = hit_.found ? hit_.page : shown + 1;
    hit = FindNextLine(lines, state_.field, state_.text, page, hit_.found ? hit_.line : 0);
  } catch (const std::exception& e) {
    messages_.error(errorMessageText(e));
    return false;
  }
  if (!hit.found) {
    // After a hit the band stays on it: that is the line nothing follows.
    messages_.notice(hit_.found ? kNoMoreHitsText : "찾는 내용이 없습니다.");
    return false;
  }
  hit_ = hit;
  return true;
}

}  // namespace zel
