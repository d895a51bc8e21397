// FindController: the preview's find (F4, the find button) and find next
// (F3). It keeps what the user searched for (FindState) and the line the last
// search hit, opens the find dialog over the table the preview draws from and
// walks on from the last hit. The window shows the pages and the band; the
// controller only answers where. The window, the message service and the
// hooks must outlive it.
// User-interface thread only.
#pragma once

#include "find_dialog.h"
#include "value_search.h"

class QWidget;

namespace zel {

class MessageService;
struct PreviewHooks;
class ReportTable;

class FindController {
 public:
  // F3's notice when the lines after the marked hit hold no further match.
  static const char kNoMoreHitsText[];

  FindController(QWidget& window, MessageService& messages, const PreviewHooks& hooks);

  FindState& state() { return state_; }
  const LineHit& hit() const { return hit_; }
  void setHit(const LineHit& hit) { hit_ = hit; }
  // A page change drops a hit that is not on the page shown.
  void pageShown(int page);
  // F3 can walk on: something was searched for already.
  bool canFindNext() const { return !state_.text.empty() && !state_.field.empty(); }

  // The find dialog over the table from page `shown`. False when nothing was
  // searched (refused or failed, said already); else state().page is the
  // page to show.
  bool open(ReportTable& table, int shown);
  // Marks the first match from the top of state().page, where the dialog's
  // walk found it, so F3 goes on from that line.
  void markFirstHit(ReportTable& table);
  // The next match after the last hit (or after page `shown`); false with
  // the notice when there is none.
  bool next(ReportTable& table, int shown);

 private:
  QWidget& window_;
  MessageService& messages_;
  const PreviewHooks& hooks_;
  FindState state_;
  LineHit hit_;  // the line the last find hit
};

}  // namespace zel
