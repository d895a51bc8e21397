// The report runner: checks a report file, prepares the run (layout, page
// index tag F_PAGE in the report's compound index, margins, page size), hands
// it to the preview window and removes the index again afterwards. Also the
// two procedures the preview calls back: DrawPreviewPage and PrintPages.
//
// Refusals are message boxes through the run's services (RunServices). Any other error of the
// run (zel::DataError: a conversion error in the layout, a table error) is
// thrown to the caller after the table is closed, freed and the .cdx removed;
// the shell shows its text (the application's general error report).
// User-interface thread only; one run at a time.
#pragma once

#include <string>

namespace zel {

class MessageService;
class PageRecorder;
struct PreviewSession;
struct RunServices;
class TZelTable;
struct PrintJob;

// name: the file name as listed (case of the extension free); reportDirectory:
// the viewer's current report directory, without a trailing separator.
void RunReport(const RunServices& services, const std::string& reportDirectory, const std::string& name);
void RunLayoutReport(const RunServices& services, const std::string& directory, const std::string& base,
                     const std::string& code);

// Records page `page` of the session's report into the preview's picture (the
// preview's OnDrawPage), from `table` when the preview hands over another one.
void DrawPreviewPage(PreviewSession& session, PageRecorder& picture, int page, TZelTable* table);
// Prints the job on the session's printer (the preview's OnPrintJob).
void PrintPages(PreviewSession& session, const PrintJob& job);
// The refusal when no printer can be used (the runner's and the print button's).
void warnPrinterUnusable(MessageService& box);

}  // namespace zel
