// The print server's job numbers, for naming the job the command line sent:
// the printer layer hands the pages to the server without telling the job's
// number, so the command reads the newest number of this user's jobs on the
// printer before and after it prints. Another job of the same user on the
// same printer in between would be taken for ours; nothing else can be.
#pragma once

#include <string>

namespace zel::cli {

// The highest job number of the current user's jobs on printer, finished or
// not; 0 when there are none, -1 when the print server cannot be asked.
int newestJobId(const std::string& printer);

}  // namespace zel::cli
