// Writes the fuzzer's seed corpus: small tables made by the engine itself
// (FoxPro 2.x with memo, Visual FoxPro with binary memo pointers, dBASE III),
// each packed as [dbf length][dbf][memo]; with a second directory, also an
// index definition file for tag_file_fuzz.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "sde32.h"

namespace {

std::vector<uint8_t> slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void pack(const std::string& dbf, const std::string& memo, const std::string& out) {
  std::vector<uint8_t> d = slurp(dbf), m = memo.empty() ? std::vector<uint8_t>() : slurp(memo);
  if (d.size() > 0xFFFF) d.resize(0xFFFF);
  std::ofstream o(out, std::ios::binary);
  o.put(char(d.size() & 0xFF));
  o.put(char(d.size() >> 8));
  o.write(reinterpret_cast<const char*>(d.data()), std::streamsize(d.size()));
  o.write(reinterpret_cast<const char*>(m.data()), std::streamsize(m.size()));
}

struct Field {
  const char* name;
  const char* type;
  int width;
};

void create(const std::string& path, const char* alias, int driver, std::initializer_list<Field> fields) {
  sx_CreateNew(path.c_str(), alias, driver, int(fields.size()));
  for (const Field& f : fields) sx_CreateField(f.name, f.type, f.width, 0);
  sx_CreateExec();
}

void rows(int count) {
  for (long i = 1; i <= count; ++i) {
    sx_AppendEx();
    long page = (i + 1) / 2;
    sx_Replace("F_PAGE", SX_R_INTEGER, &page);
    sx_Replace("F_DES", SX_R_STRING, i % 2 ? "\xb0\xa1\xb3\xaa line" : "second");
    if (i == 1)
      sx_Replace("F_INIT", SX_R_MEMO,
                 "<RPTCODE>=\xa2\xdd"
                 "A1\xa2\xdd\r\n<PAGESPACE>=\xa2\xdd"
                 "1|2|3|4|\xa2\xdd");
    if (i == 3) sx_Delete();
  }
  sx_Commit();
}

}  // namespace

int main(int argc, char** argv) {
  std::string out = argc > 1 ? argv[1] : "corpus";
  std::filesystem::create_directories(out);
  std::string tmp = out + "/.work";
  std::filesystem::create_directories(tmp);

  create(tmp + "/fox.dbf", "FOX", SX_FOX,
         {{"F_PAGE", "N", 5}, {"F_DES", "C", 20}, {"F_DATE", "D", 8}, {"F_INIT", "M", 10}});
  rows(6);
  sx_Close();
  pack(tmp + "/fox.dbf", tmp + "/fox.fpt", out + "/fox");

  create(tmp + "/vfp.dbf", "VFP", SX_FOX,
         {{"F_PAGE", "N", 5}, {"F_DES", "C", 20}, {"F_ID", "I", 4}, {"F_AT", "T", 8}, {"F_INIT", "M", 4}});
  rows(4);
  sx_Close();
  pack(tmp + "/vfp.dbf", tmp + "/vfp.fpt", out + "/vfp");

  create(tmp + "/plain.dbf", "PLAIN", SX_NTX, {{"F_PAGE", "N", 5}, {"F_DES", "C", 20}});
  for (long i = 1; i <= 3; ++i) {
    sx_AppendEx();
    sx_Replace("F_PAGE", SX_R_INTEGER, &i);
  }
  sx_Close();
  pack(tmp + "/plain.dbf", "", out + "/plain");

  // Seeds for tag_file_fuzz: an index definition file with two tags.
  if (argc > 2) {
    std::string tags = argv[2];
    std::filesystem::create_directories(tags);
    sx_Use((tmp + "/fox.dbf").c_str(), "TAGS", SX_SHARED, SX_FOX);
    sx_IndexTag(nullptr, "F_PAGE", "str(F_PAGE,5)", 0, 0, nullptr);
    sx_IndexTag(nullptr, "DES", "upper(F_DES)+dtos(F_DATE)", 0, 1, "F_PAGE > 1 .AND. .NOT. deleted()");
    sx_Close();
    std::filesystem::copy_file(tmp + "/fox.cdx", tags + "/two_tags", std::filesystem::copy_options::overwrite_existing);
  }
  std::filesystem::remove_all(tmp);
  return 0;
}
