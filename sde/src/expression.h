// Expression: a compiled xBase expression over the fields of one table
// (index keys, filters, sx_Eval*). Compiled once against a header, evaluated
// against record bytes; owns its syntax tree. Supports field references
// (C as bytes, N as the stored text where a key needs text, D as YYYYMMDD),
// literals, + - * /, comparisons, .AND. .OR. .NOT., $, parentheses and the
// common functions (STR, UPPER, DTOS, SUBSTR, TRIM, IIF, ...).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "dbf_header.h"
#include "status.h"

namespace sde {

struct Value {
  enum class Type { kString, kNumber, kLogical, kDate };
  Type type = Type::kString;
  std::string s;  // text, or YYYYMMDD for dates
  double n = 0;
  bool b = false;
  bool fromField = false;  // a numeric field: s holds the stored text

  static Value str(std::string v) {
    Value x;
    x.s = std::move(v);
    return x;
  }
  static Value num(double v) {
    Value x;
    x.type = Type::kNumber;
    x.n = v;
    return x;
  }
  static Value logical(bool v) {
    Value x;
    x.type = Type::kLogical;
    x.b = v;
    return x;
  }
  static Value date(std::string ymd) {
    Value x;
    x.type = Type::kDate;
    x.s = std::move(ymd);
    return x;
  }
};

struct EvalContext {
  const uint8_t* record = nullptr;
  uint32_t recno = 0;
  bool exact = false;  // SET EXACT for the = operator
};

struct Node;

class Expression {
 public:
  Expression();
  ~Expression();
  Expression(Expression&&) noexcept;
  Expression& operator=(Expression&&) noexcept;

  static zel::Result<Expression> compile(const std::string& text, const DbfHeader& header);

  // Evaluates; a type mismatch at run time gives a clean error, never a crash.
  zel::Status eval(const EvalContext& ctx, Value* out) const;
  const std::string& text() const { return text_; }

  // The field f when the expression is exactly str(f, width[, 0]) or f itself for
  // an N field of that width: its stored bytes are then the key (the fast path).
  const FieldDesc* rawNumericKeyField() const { return rawField_; }
  // Name of the only field used, or "" (for sx_IndexKeyField).
  std::string keyField() const;

 private:
  std::unique_ptr<Node> root_;
  const DbfHeader* header_ = nullptr;
  std::string text_;
  const FieldDesc* rawField_ = nullptr;
};

// Key bytes of a value: strings and dates as they are, numbers as their stored
// text or str(n), logicals as "T"/"F".
std::string keyBytes(const Value& v);
// xBase STR(): right-justified in width with decimals; '*' fill on overflow.
std::string formatStr(double v, int width, int decimals);
// Parses a numeric field's text; blank gives 0. Locale-independent.
double parseNumber(const char* p, size_t n);

}  // namespace sde
