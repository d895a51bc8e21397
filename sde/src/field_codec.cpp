#include "field_codec.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "byte_reader.h"
#include "expression.h"

namespace sde {

namespace {

constexpr int64_t kMsPerDay = 86400000;

std::string fixed(double v, int decimals) {
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0");
}

std::string shortest(double v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0");
}

bool isVfpDouble(const DbfHeader& h, const FieldDesc& f) { return f.type == 'B' && !h.isMemoField(f); }

double readDouble(const uint8_t* p) {
  uint64_t bits = zel::ByteReader(std::span<const uint8_t>(p, 8)).u64le();
  double d;
  std::memcpy(&d, &bits, 8);
  return d;
}

bool allDigits(const std::string& s) {
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

bool validYmd(const std::string& s) {
  if (s.size() != 8 || !allDigits(s)) return false;
  int m = std::stoi(s.substr(4, 2)), d = std::stoi(s.substr(6, 2));
  return m >= 1 && m <= 12 && d >= 1 && d <= 31;
}

}  // namespace

int64_t julianDay(int y, int m, int d) {
  int64_t a = (14 - m) / 12;
  int64_t yy = y + 4800 - a;
  int64_t mm = m + 12 * a - 3;
  return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

void civilFromJulian(int64_t jd, int* y, int* m, int* d) {
  int64_t a = jd + 32044;
  int64_t b = (4 * a + 3) / 146097;
  int64_t c = a - 146097 * b / 4;
  int64_t dd = (4 * c + 3) / 1461;
  int64_t e = c - 1461 * dd / 4;
  int64_t mm = (5 * e + 2) / 153;
  *d = int(e - (153 * mm + 2) / 5 + 1);
  *m = int(mm + 3 - 12 * (mm / 10));
  *y = int(100 * b + dd - 4800 + mm / 10);
}

std::string fieldText(const DbfHeader& h, const FieldDesc& f, const uint8_t* rec) {
  const uint8_t* p = rec + f.offset;
  zel::ByteReader r(std::span<const uint8_t>(p, f.width));
  switch (f.type) {
    case 'L': return fieldLogical(f, rec) ? "T" : "F";
    case 'I':
      if (f.width == 4) return std::to_string(int32_t(r.u32le()));
      break;
    case 'Y':
      if (f.width == 8) return fixed(double(int64_t(r.u64le())) / 10000.0, 4);
      break;
    case 'T':
      if (f.width == 8) {
        int32_t jd = int32_t(r.u32le());
        int32_t ms = int32_t(r.u32le());
        if (jd == 0 && ms == 0) return std::string(14, ' ');
        int y, m, d;
        civilFromJulian(jd, &y, &m, &d);
        if (ms < 0 || ms >= kMsPerDay) ms = 0;
        int secs = int((ms + 500) / 1000);
        if (secs >= 86400) secs = 86399;
        char buf[32];
        std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", y % 10000, m, d, secs / 3600, secs / 60 % 60,
                      secs % 60);
        return buf;
      }
      break;
    case 'B':
      if (isVfpDouble(h, f) && f.width == 8)
        return f.decimals ? fixed(readDouble(p), int(std::min(f.decimals, 15u))) : shortest(readDouble(p));
      break;
    default: break;
  }
  if (h.isMemoField(f) && f.width == 4) return std::to_string(r.u32le());
  return std::string(reinterpret_cast<const char*>(p), f.width);
}

double fieldNumber(const DbfHeader& h, const FieldDesc& f, const uint8_t* rec) {
  const uint8_t* p = rec + f.offset;
  zel::ByteReader r(std::span<const uint8_t>(p, f.width));
  switch (f.type) {
    case 'N':
    case 'F': return parseNumber(reinterpret_cast<const char*>(p), f.width);
    case 'I': return f.width == 4 ? double(int32_t(r.u32le())) : 0;
    case 'Y': return f.width == 8 ? double(int64_t(r.u64le())) / 10000.0 : 0;
    case 'B': return isVfpDouble(h, f) && f.width == 8 ? readDouble(p) : 0;
    default: return 0;
  }
}

bool fieldLogical(const FieldDesc& f, const uint8_t* rec) {
  char c = char(rec[f.offset]);
  return f.type == 'L' && (c == 'T' || c == 't' || c == 'Y' || c == 'y');
}

bool fieldEmpty(const DbfHeader& h, const FieldDesc& f, const uint8_t* rec) {
  const uint8_t* p = rec + f.offset;
  if (f.type == 'N' || f.type == 'F' || f.type == 'I' || f.type == 'Y' || isVfpDouble(h, f))
    return fieldNumber(h, f, rec) == 0;
  if (f.type == 'L') return !fieldLogical(f, rec);
  if (h.isMemoField(f) && f.width == 4) return zel::ByteReader(std::span<const uint8_t>(p, 4)).u32le() == 0;
  if (f.type == 'T') {
    for (uint32_t i = 0; i < f.width; ++i)
      if (p[i] != 0 && p[i] != ' ') return false;
    return true;
  }
  for (uint32_t i = 0; i < f.width; ++i)
    if (p[i] != ' ' && p[i] != 0) {
      if (h.isMemoField(f) && p[i] == '0') continue;  // "0000000000" is no memo too
      return false;
    }
  return true;
}

std::string formatDate(const std::string& ymd, int format, bool century) {
  std::string y, m, d;
  bool blank = ymd.size() != 8 || ymd.find_first_not_of(' ') == std::string::npos;
  if (blank) {
    y = century ? "    " : "  ";
    m = d = "  ";
  } else {
    y = century ? ymd.substr(0, 4) : ymd.substr(2, 2);
    m = ymd.substr(4, 2);
    d = ymd.substr(6, 2);
  }
  switch (format) {
    case 1: return y + "." + m + "." + d;  // ANSI
    case 2:
    case 3: return d + "/" + m + "/" + y;  // British, French
    case 4: return d + "." + m + "." + y;  // German
    case 5:
    case 6: return d + "-" + m + "-" + y;  // Italian, Spanish
    default: return m + "/" + d + "/" + y;  // American and the system default here
  }
}

zel::Status storeField(const DbfHeader& h, const FieldDesc& f, uint8_t* rec, ReplaceKind kind, const void* value) {
  if (!value) return zel::Status::invalidArgument("no value given for field " + f.name);
  uint8_t* p = rec + f.offset;
  auto asNumber = [&](double* out) -> bool {
    switch (kind) {
      case ReplaceKind::kDouble: *out = *static_cast<const double*>(value); return true;
      case ReplaceKind::kInteger: *out = double(*static_cast<const long*>(value)); return true;
      case ReplaceKind::kLogical: *out = *static_cast<const int*>(value) ? 1 : 0; return true;
      case ReplaceKind::kString: {
        const char* s = static_cast<const char*>(value);
        *out = parseNumber(s, std::strlen(s));
        return true;
      }
      default: return false;
    }
  };
  auto mismatch = [&]() { return zel::Status::invalidArgument("value of the wrong kind for field " + f.name); };

  switch (f.type) {
    case 'C': {
      std::string text;
      if (kind == ReplaceKind::kString || kind == ReplaceKind::kDateStr || kind == ReplaceKind::kMemo) {
        text = static_cast<const char*>(value);
      } else if (kind == ReplaceKind::kLogical) {
        text = *static_cast<const int*>(value) ? "T" : "F";
      } else {
        double v = 0;
        asNumber(&v);
        text = shortest(v);
      }
      std::memset(p, ' ', f.width);
      std::memcpy(p, text.data(), std::min<size_t>(text.size(), f.width));
      return zel::Status::ok();
    }
    case 'N':
    case 'F': {
      if (kind == ReplaceKind::kString) {
        const char* s = static_cast<const char*>(value);
        if (std::string(s).find_first_not_of(' ') == std::string::npos) {
          std::memset(p, ' ', f.width);
          return zel::Status::ok();
        }
      }
      double v;
      if (!asNumber(&v)) return mismatch();
      std::string text = formatStr(v, int(f.width), int(f.decimals));
      if (text[0] == '*')
        return zel::Status::invalidArgument("value " + shortest(v) + " does not fit field " + f.name + " (" +
                                            std::to_string(f.width) + "," + std::to_string(f.decimals) + ")");
      std::memcpy(p, text.data(), f.width);
      return zel::Status::ok();
    }
    case 'D': {
      if (kind != ReplaceKind::kDateStr && kind != ReplaceKind::kString) return mismatch();
      std::string s = static_cast<const char*>(value);
      if (s.find_first_not_of(' ') == std::string::npos) {
        std::memset(p, ' ', 8);
        return zel::Status::ok();
      }
      if (!validYmd(s)) return zel::Status::invalidArgument("date \"" + s + "\" is not YYYYMMDD for field " + f.name);
      std::memcpy(p, s.data(), 8);
      return zel::Status::ok();
    }
    case 'L': {
      bool b;
      if (kind == ReplaceKind::kLogical) {
        b = *static_cast<const int*>(value) != 0;
      } else if (kind == ReplaceKind::kString) {
        std::string s = static_cast<const char*>(value);
        char c = s.empty() ? 'F' : s[0] == '.' && s.size() > 1 ? s[1] : s[0];
        b = c == 'T' || c == 't' || c == 'Y' || c == 'y';
      } else {
        double v;
        if (!asNumber(&v)) return mismatch();
        b = v != 0;
      }
      p[0] = b ? 'T' : 'F';
      return zel::Status::ok();
    }
    case 'I': {
      double v;
      if (!asNumber(&v)) return mismatch();
      v = std::round(v);
      if (!(v >= -2147483648.0 && v <= 2147483647.0))
        return zel::Status::invalidArgument("value does not fit integer field " + f.name);
      zel::putU32le(p, uint32_t(int32_t(v)));
      return zel::Status::ok();
    }
    case 'Y': {
      double v;
      if (!asNumber(&v)) return mismatch();
      double scaled = std::round(v * 10000.0);
      if (!(std::fabs(scaled) < 9.2e18))
        return zel::Status::invalidArgument("value does not fit currency field " + f.name);
      uint64_t bits = uint64_t(int64_t(scaled));
      zel::putU32le(p, uint32_t(bits));
      zel::putU32le(p + 4, uint32_t(bits >> 32));
      return zel::Status::ok();
    }
    case 'B': {
      if (!isVfpDouble(h, f)) return mismatch();
      double v;
      if (!asNumber(&v)) return mismatch();
      uint64_t bits;
      std::memcpy(&bits, &v, 8);
      zel::putU32le(p, uint32_t(bits));
      zel::putU32le(p + 4, uint32_t(bits >> 32));
      return zel::Status::ok();
    }
    case 'T': {
      if (kind != ReplaceKind::kString && kind != ReplaceKind::kDateStr) return mismatch();
      std::string s = static_cast<const char*>(value);
      if (s.find_first_not_of(' ') == std::string::npos) {
        std::memset(p, 0, 8);
        return zel::Status::ok();
      }
      if (s.size() == 8) s += "000000";
      if (s.size() != 14 || !allDigits(s) || !validYmd(s.substr(0, 8)))
        return zel::Status::invalidArgument("datetime \"" + s + "\" is not YYYYMMDDHHMMSS for field " + f.name);
      int y = std::stoi(s.substr(0, 4)), m = std::stoi(s.substr(4, 2)), d = std::stoi(s.substr(6, 2));
      int hh = std::stoi(s.substr(8, 2)), mi = std::stoi(s.substr(10, 2)), ss = std::stoi(s.substr(12, 2));
      if (hh > 23 || mi > 59 || ss > 59) return zel::Status::invalidArgument("time out of range for field " + f.name);
      zel::putU32le(p, uint32_t(julianDay(y, m, d)));
      zel::putU32le(p + 4, uint32_t((hh * 3600 + mi * 60 + ss) * 1000));
      return zel::Status::ok();
    }
    default:
      return zel::Status::invalidArgument("field " + f.name + " of type " + std::string(1, f.type) +
                                          " cannot be replaced this way");
  }
}

}  // namespace sde
