#include "report_writer.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "fixed_format.h"
#include "sde32.h"

namespace zel::reportwriter {
namespace {

constexpr char kValueMarker[] = "\xA2\xDD";  // "♬" in code page 949
constexpr char kSettingsField[] = "F_INIT";

std::string engineError(const std::string& what) {
  const char* e = sx_LastError();
  return (e != nullptr && *e != '\0') ? what + ": " + e : what;
}

// Restores the engine's current work area when the writer is done.
class AreaRestorer {
 public:
  AreaRestorer() : previous_(sx_WorkArea(nullptr)) {}
  ~AreaRestorer() {
    if (previous_ != 0) sx_Select(previous_);
  }

 private:
  int previous_;
};

std::string freeAlias() {
  for (int n = 1;; ++n) {
    std::string alias = "RPTW" + std::to_string(n);
    if (sx_WorkArea(alias.c_str()) == 0) return alias;
  }
}

void removeTable(const std::filesystem::path& dbf) {
  std::error_code ec;
  std::filesystem::remove(dbf, ec);
  for (const char* ext : {".fpt", ".FPT", ".cdx", ".CDX", ".dbt", ".DBT"}) {
    std::filesystem::path other = dbf;
    other.replace_extension(ext);
    std::filesystem::remove(other, ec);
  }
}

struct Slot {
  const FieldDef* def = nullptr;
  int offset = 0;
};

// Writes text into a character field: cut to the width without splitting a
// two-byte character, padded with blanks.
void putText(char* dst, int width, const std::string& text) {
  int n = 0;
  const int len = static_cast<int>(text.size());
  while (n < len && n < width) {
    const bool lead = static_cast<unsigned char>(text[static_cast<std::size_t>(n)]) >= 0x80;
    if (lead && n + 1 >= width) break;
    n += lead ? 2 : 1;
  }
  if (n > len) n = len;
  std::memcpy(dst, text.data(), static_cast<std::size_t>(n));
  std::memset(dst + n, ' ', static_cast<std::size_t>(width - n));
}

// Right-justified fixed-point text; false when the value does not fit.
bool putNumber(char* dst, int width, int decimals, const std::string& text) {
  if (text.find_first_not_of(' ') == std::string::npos) {
    std::memset(dst, ' ', static_cast<std::size_t>(width));
    return true;
  }
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || !std::isfinite(value)) return false;
  const std::string digits = formatFixed(value, decimals);
  if (static_cast<int>(digits.size()) > width) return false;
  const std::size_t pad = static_cast<std::size_t>(width) - digits.size();
  std::memset(dst, ' ', pad);
  std::memcpy(dst + pad, digits.data(), digits.size());
  return true;
}

class Writer {
 public:
  Writer(const std::vector<FieldDef>& fields) : fields_(fields) {}

  Status create(const std::string& path) {
    const std::string alias = freeAlias();
    if (!sx_CreateNew(path.c_str(), alias.c_str(), SX_FOX, static_cast<int>(fields_.size()))) {
      return Status::ioError(engineError("cannot start " + path));
    }
    for (const auto& f : fields_) {
      const std::string type(1, f.type);
      if (!sx_CreateField(f.name.c_str(), type.c_str(), f.width, f.decimals)) {
        return Status::invalidArgument(engineError("bad field " + f.name + " in " + path));
      }
    }
    area_ = sx_CreateExec();
    if (area_ == 0) return Status::ioError(engineError("cannot create " + path));
    path_ = path;
    for (const auto& f : fields_) {
      const int offset = sx_FieldOffset(f.name.c_str());
      if (offset <= 0) return Status::corruption("no offset for field " + f.name + " in " + path);
      slots_.push_back({&f, offset});
    }
    record_.resize(static_cast<std::size_t>(sx_RecSize()));
    return Status::ok();
  }

  ~Writer() {
    if (area_ != 0) {
      sx_Select(area_);
      sx_Close();
    }
  }

  // Appends one record from line; memo values (and the settings block on the
  // first record) go through the memo file.
  Status append(const Line& line, const std::string* settings) {
    if (sx_AppendEx() <= 0) return Status::ioError(engineError("cannot append to " + path_));
    if (blank_.empty()) {
      blank_.resize(record_.size());
      sx_GetRecord(blank_.data());
    }
    record_ = blank_;
    memos_.clear();
    if (hint_.size() < line.size()) hint_.resize(line.size(), 0);
    for (std::size_t i = 0; i < line.size(); ++i) {
      const std::string& name = line[i].first;
      const std::string& value = line[i].second;
      std::size_t k = hint_[i];
      if (k >= slots_.size() || slots_[k].def->name != name) {
        k = find(name);
        if (k == slots_.size()) return Status::invalidArgument("no field " + name + " in " + path_);
        hint_[i] = k;
      }
      const FieldDef& f = *slots_[k].def;
      char* dst = record_.data() + slots_[k].offset;
      switch (f.type) {
        case 'N':
        case 'F':
          if (!putNumber(dst, f.width, f.decimals, value)) {
            return Status::invalidArgument("value '" + value + "' does not fit " + f.name + " in " + path_);
          }
          break;
        case 'M':
          if (!value.empty()) memos_.push_back(&line[i]);
          break;
        case 'L':
          *dst = value.empty() ? ' ' : (value[0] == 'T' || value[0] == 't' || value[0] == 'Y' ? 'T' : 'F');
          break;
        default: putText(dst, f.width, value); break;
      }
    }
    if (!sx_PutRecord(record_.data())) return Status::ioError(engineError("cannot write a record of " + path_));
    if (settings != nullptr && !sx_PutBlob(kSettingsField, settings->data(), static_cast<long>(settings->size()))) {
      return Status::ioError(engineError("cannot write the settings block of " + path_));
    }
    for (const auto* memo : memos_) {
      if (!sx_PutBlob(memo->first.c_str(), memo->second.data(), static_cast<long>(memo->second.size()))) {
        return Status::ioError(engineError("cannot write memo " + memo->first + " of " + path_));
      }
    }
    if (settings != nullptr || !memos_.empty()) {
      if (!sx_Commit()) return Status::ioError(engineError("cannot post a record of " + path_));
    }
    return Status::ok();
  }

  Status finish() {
    if (!sx_Commit()) return Status::ioError(engineError("cannot finish " + path_));
    sx_Close();
    area_ = 0;
    return Status::ok();
  }

 private:
  std::size_t find(const std::string& name) const {
    for (std::size_t k = 0; k < slots_.size(); ++k) {
      if (slots_[k].def->name == name) return k;
    }
    return slots_.size();
  }

  const std::vector<FieldDef>& fields_;
  std::vector<Slot> slots_;
  std::vector<char> record_, blank_;
  std::vector<std::size_t> hint_;
  std::vector<const std::pair<std::string, std::string>*> memos_;
  std::string path_;
  int area_ = 0;
};

}  // namespace

std::vector<FieldDef> standardFields() {
  return {
      {"F_INIT", 'M', 10, 0}, {"F_PAGE", 'N', 5, 0},  {"F_TYPE", 'C', 1, 0}, {"F_TUNIT", 'C', 1, 0},
      {"F_SEQ", 'N', 8, 0},   {"F_CODE", 'C', 12, 0}, {"F_DES", 'C', 40, 0}, {"F_SIZE", 'C', 40, 0},
      {"F_UNIT", 'C', 6, 0},  {"F_QQTY", 'N', 14, 4}, {"F_MA", 'N', 15, 2},  {"F_MAK", 'N', 16, 0},
      {"F_NO", 'N', 15, 2},   {"F_NOK", 'N', 16, 0},  {"F_GY", 'N', 15, 2},  {"F_GYK", 'N', 16, 0},
      {"F_HA", 'N', 15, 2},   {"F_HAK", 'N', 16, 0},  {"F_PC0", 'N', 7, 2},  {"F_BIGO", 'C', 20, 0},
      {"F_REM", 'C', 10, 0},
  };
}

std::string buildSettingsBlock(const SettingsEntries& entries) {
  std::string block;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (i > 0) block += "\r\n";
    block += "<" + entries[i].first + ">=" + kValueMarker + entries[i].second + kValueMarker;
  }
  return block;
}

Status writeReport(const std::string& dir, const ReportSpec& spec) {
  if (spec.fileName.empty()) return Status::invalidArgument("report without a file name");
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  const std::filesystem::path path = std::filesystem::path(dir) / spec.fileName;
  removeTable(path);

  const std::vector<FieldDef> fields = spec.fields.empty() ? standardFields() : spec.fields;
  bool hasSettingsField = false;
  for (const auto& f : fields) hasSettingsField = hasSettingsField || f.name == kSettingsField;
  const std::string settings = spec.rawSettings ? *spec.rawSettings : buildSettingsBlock(spec.settings);

  AreaRestorer restorer;
  Writer writer(fields);
  if (Status s = writer.create(path.string()); !s) return s;

  long written = 0;
  auto add = [&](const Line& line) -> Status {
    const std::string* block = (written == 0 && hasSettingsField && !settings.empty()) ? &settings : nullptr;
    ++written;
    return writer.append(line, block);
  };
  for (const auto& line : spec.lines) {
    if (Status s = add(line); !s) return s;
  }
  if (spec.generate) {
    Line line;
    for (long i = 0; i < spec.generatedLines; ++i) {
      line.clear();
      spec.generate(i, line);
      if (Status s = add(line); !s) return s;
    }
  }
  if (written == 0 && hasSettingsField) {
    if (Status s = add(Line{}); !s) return s;
  }
  return writer.finish();
}

}  // namespace zel::reportwriter
