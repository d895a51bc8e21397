// Field codec: turns a field's stored bytes into the engine's texts and
// numbers, and values given to sx_Replace into stored bytes. Stateless.
#pragma once

#include <cstdint>
#include <string>

#include "dbf_header.h"
#include "status.h"

namespace sde {

// sx_GetString's text: C padded to width, N/F as stored, D "YYYYMMDD", L "T"/"F",
// I/B/Y as decimal text, T as "YYYYMMDDHHMMSS", memo fields their stored pointer.
std::string fieldText(const DbfHeader& h, const FieldDesc& f, const uint8_t* rec);
double fieldNumber(const DbfHeader& h, const FieldDesc& f, const uint8_t* rec);
bool fieldLogical(const FieldDesc& f, const uint8_t* rec);
bool fieldEmpty(const DbfHeader& h, const FieldDesc& f, const uint8_t* rec);

// A "YYYYMMDD" date in one of the engine's date formats (0..6; 99 system default).
std::string formatDate(const std::string& ymd, int format, bool century);

// Value kinds of sx_Replace (mirrors SX_R_*).
enum class ReplaceKind { kString = 1, kDouble = 2, kInteger = 3, kLogical = 4, kDateStr = 5, kMemo = 6 };

// Stores a non-memo value into the field's bytes of rec; fails cleanly when the
// value does not fit or has the wrong form (nothing is written then).
zel::Status storeField(const DbfHeader& h, const FieldDesc& f, uint8_t* rec, ReplaceKind kind, const void* value);

// Julian day number of a civil date and back (for T fields).
int64_t julianDay(int y, int m, int d);
void civilFromJulian(int64_t jd, int* y, int* m, int* d);

}  // namespace sde
