#include "spooler_jobs.h"

#include <cups/cups.h>

#include <algorithm>

namespace zel::cli {

int newestJobId(const std::string& printer) {
  cups_job_t* jobs = nullptr;
  const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, printer.c_str(), 1, CUPS_WHICHJOBS_ALL);
  if (count < 0) return -1;
  int newest = 0;
  for (int i = 0; i < count; ++i) newest = std::max(newest, jobs[i].id);
  cupsFreeJobs(count, jobs);
  return newest;
}

}  // namespace zel::cli
