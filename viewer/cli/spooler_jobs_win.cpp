// Windows: the job numbers of the spooler's queue for the printer. The spooler
// forgets a job once it is printed, so a fast printer may leave no trace of
// ours; only jobs still queued count.
#include <windows.h>
#include <winspool.h>

#include <QString>
#include <algorithm>
#include <vector>

#include "spooler_jobs.h"

namespace zel::cli {

int newestJobId(const std::string& printer) {
  std::wstring name = QString::fromStdString(printer).toStdWString();
  HANDLE handle = nullptr;
  if (!OpenPrinterW(name.data(), &handle, nullptr)) return -1;
  DWORD needed = 0, count = 0;
  EnumJobsW(handle, 0, 0xFFFF, 1, nullptr, 0, &needed, &count);
  int newest = 0;
  if (needed > 0) {
    std::vector<BYTE> buffer(needed);
    if (EnumJobsW(handle, 0, 0xFFFF, 1, buffer.data(), needed, &needed, &count)) {
      const auto* jobs = reinterpret_cast<const JOB_INFO_1W*>(buffer.data());
      for (DWORD i = 0; i < count; ++i) newest = std::max(newest, static_cast<int>(jobs[i].JobId));
    }
  }
  ClosePrinter(handle);
  return newest;
}

}  // namespace zel::cli
