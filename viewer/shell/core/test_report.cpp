#include "test_report.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "sde32.h"

namespace zel::testing {

bool writeTestReport(const std::string& directory, const std::string& fileName, const TestReport& report,
                     std::string* error) {
  auto fail = [&]() {
    if (error) *error = sx_LastError();
    sx_Close();
    return false;
  };
  std::string path = directory + "/" + fileName;
  int fields = (report.settings ? 1 : 0) + (report.withPageField ? 1 : 0) + 1;
  if (!sx_CreateNew(path.c_str(), "TESTRPT", SX_FOX, fields)) return fail();
  if (report.settings && !sx_CreateField("F_INIT", "M", 10, 0)) return fail();
  if (report.withPageField && !sx_CreateField("F_PAGE", "N", 5, 0)) return fail();
  if (!sx_CreateField("F_DES", "C", 40, 0)) return fail();
  if (!sx_CreateExec()) return fail();
  for (std::size_t i = 0; i < report.pages.size(); ++i) {
    if (!sx_AppendEx()) return fail();
    if (i == 0 && report.settings &&
        !sx_PutBlob("F_INIT", report.settings->data(), static_cast<long>(report.settings->size())))
      return fail();
    if (report.withPageField && report.pages[i]) {
      long page = *report.pages[i];
      if (!sx_Replace("F_PAGE", SX_R_INTEGER, &page)) return fail();
    }
    std::string line = "line " + std::to_string(i + 1);
    if (!sx_Replace("F_DES", SX_R_STRING, line.c_str())) return fail();
    if (!sx_Commit()) return fail();
  }
  sx_Close();
  return true;
}

std::string makeTempDirectory(const std::string& tag) {
  std::string pattern = (std::filesystem::temp_directory_path() / ("zelshell_" + tag + "_XXXXXX")).string();
  char* made = ::mkdtemp(pattern.data());
  return made ? std::string(made) : std::string();
}

std::string readFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void closeAllTables() { sx_CloseAll(); }

}  // namespace zel::testing
