// The print range rules the preview's range fields and the command line share:
// each end is pulled into the report's pages, and a range that ends before it
// starts is refused with the preview's warning. Also the other refusals of the
// preview that the command line repeats word for word. Messages go to the
// caller's message service.
#pragma once

namespace zel {

class MessageService;

struct PageRange {
  int from = 1, to = 1;
};

// The page pulled into firstPage..lastPage (a report has at least its first page).
int PullIntoPages(long long page, int firstPage, int lastPage);
// Pulls both ends into the report's pages; false, after the warning, when the
// range then ends before it starts.
bool CheckPrintRange(MessageService& messages, PageRange& range, int firstPage, int lastPage);

void warnPageRangeOrder(MessageService& messages);
void refuseSearchWithoutPageNumbers(MessageService& messages);

}  // namespace zel
