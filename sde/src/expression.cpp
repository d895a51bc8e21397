// One file on purpose, though over 400 lines: the parser builds the syntax tree
// that evaluation walks (the two sections below); the tree's node types are
// private to this file.
#include "expression.h"

#include <algorithm>
#include <charconv>
#include <cctype>
#include <cmath>
#include <cstring>
#include <vector>

#include "ascii_text.h"
#include "byte_reader.h"
#include "field_codec.h"

namespace sde {

namespace {

std::string lowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}
std::string rtrim(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}
std::string ltrim(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  return s.substr(i);
}

constexpr size_t kMaxStringResult = 1 << 20;  // SPACE(1e9) must not exhaust memory
constexpr int kMaxDepth = 200;
constexpr size_t kMaxExpressionLength = 1024;  // keeps trees (and their recursion) shallow

}  // namespace

double parseNumber(const char* p, size_t n) {
  size_t i = 0;
  while (i < n && (p[i] == ' ' || p[i] == '\0')) ++i;
  size_t j = n;
  while (j > i && (p[j - 1] == ' ' || p[j - 1] == '\0')) --j;
  if (i == j) return 0;
  const char* b = p + i;
  if (*b == '+') ++b;
  double v = 0;
  auto r = std::from_chars(b, p + j, v);
  if (r.ec != std::errc()) return 0;
  return v;
}

std::string formatStr(double v, int width, int decimals) {
  if (width <= 0) width = 10;
  if (width > 255) width = 255;
  if (decimals < 0) decimals = 0;
  if (decimals > 15) decimals = 15;
  if (!std::isfinite(v)) return std::string(size_t(width), '*');
  double scale = std::pow(10.0, decimals);
  double r = std::round(v * scale) / scale;  // half away from zero, as xBase rounds
  if (r == 0) r = 0;  // no "-0"
  char buf[400];
  auto res = std::to_chars(buf, buf + sizeof buf, r, std::chars_format::fixed, decimals);
  if (res.ec != std::errc()) return std::string(size_t(width), '*');
  std::string s(buf, res.ptr);
  if (int(s.size()) > width) return std::string(size_t(width), '*');
  return std::string(size_t(width) - s.size(), ' ') + s;
}

std::string keyBytes(const Value& v) {
  switch (v.type) {
    case Value::Type::kString:
    case Value::Type::kDate: return v.s;
    case Value::Type::kNumber: return v.fromField ? v.s : formatStr(v.n, 10, 0);
    case Value::Type::kLogical: return v.b ? "T" : "F";
  }
  return {};
}

// ---- syntax tree ----

enum class Op {
  kField,
  kLit,
  kCall,
  kNeg,
  kNot,
  kAdd,
  kSub,
  kMul,
  kDiv,
  kMod,
  kEq,
  kExactEq,
  kNe,
  kLt,
  kLe,
  kGt,
  kGe,
  kContains,
  kAnd,
  kOr
};

struct Node {
  Op op = Op::kLit;
  Value lit;
  FieldDesc field;
  bool visualFox = false;
  std::string fn;
  std::vector<std::unique_ptr<Node>> args;
};

namespace {

struct Token {
  enum Kind { kEnd, kIdent, kNumber, kString, kOp, kLParen, kRParen, kComma } kind = kEnd;
  std::string text;
};

class Parser {
 public:
  Parser(const std::string& text, const DbfHeader& header) : src_(text), header_(header) {}

  zel::Result<std::unique_ptr<Node>> parse() {
    next();
    auto n = parseOr();
    if (!error_.empty()) return fail();
    if (tok_.kind != Token::kEnd) {
      error_ = "unexpected '" + tok_.text + "'";
      return fail();
    }
    return n;
  }

 private:
  zel::Status fail() const {
    return zel::Status::invalidArgument("cannot compile expression \"" + src_ + "\": " + error_);
  }

  void next() {
    while (pos_ < src_.size() && std::isspace(static_cast<unsigned char>(src_[pos_]))) ++pos_;
    tok_ = Token{};
    if (pos_ >= src_.size()) return;
    char c = src_[pos_];
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      size_t b = pos_;
      while (pos_ < src_.size() && (std::isalnum(static_cast<unsigned char>(src_[pos_])) || src_[pos_] == '_')) ++pos_;
      tok_.kind = Token::kIdent;
      tok_.text = zel::asciiUpper(src_.substr(b, pos_ - b));
      // alias->field: the alias is the table itself.
      if (src_.compare(pos_, 2, "->") == 0) {
        pos_ += 2;
        next();
      }
      return;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) ||
        (c == '.' && pos_ + 1 < src_.size() && std::isdigit(static_cast<unsigned char>(src_[pos_ + 1])))) {
      size_t b = pos_;
      while (pos_ < src_.size() && (std::isdigit(static_cast<unsigned char>(src_[pos_])) || src_[pos_] == '.')) ++pos_;
      tok_.kind = Token::kNumber;
      tok_.text = src_.substr(b, pos_ - b);
      return;
    }
    if (c == '"' || c == '\'') {
      size_t end = src_.find(c, pos_ + 1);
      if (end == std::string::npos) {
        error_ = "unterminated string";
        pos_ = src_.size();
        return;
      }
      tok_.kind = Token::kString;
      tok_.text = src_.substr(pos_ + 1, end - pos_ - 1);
      pos_ = end + 1;
      return;
    }
    if (c == '.') {
      static const char* kWords[] = {".AND.", ".OR.", ".NOT.", ".T.", ".F.", ".Y.", ".N."};
      for (const char* w : kWords) {
        size_t n = std::strlen(w);
        if (zel::asciiUpper(src_.substr(pos_, n)) == w) {
          pos_ += n;
          tok_.kind = Token::kOp;
          tok_.text = w;
          return;
        }
      }
    }
    static const char* kOps[] = {"==", "<>", "!=", "<=", ">=", "=", "<", ">", "#", "+", "-", "*", "/", "%", "$", "!"};
    for (const char* o : kOps) {
      size_t n = std::strlen(o);
      if (src_.compare(pos_, n, o) == 0) {
        pos_ += n;
        tok_.kind = Token::kOp;
        tok_.text = o;
        return;
      }
    }
    if (c == '(') {
      ++pos_;
      tok_.kind = Token::kLParen;
      tok_.text = "(";
      return;
    }
    if (c == ')') {
      ++pos_;
      tok_.kind = Token::kRParen;
      tok_.text = ")";
      return;
    }
    if (c == ',') {
      ++pos_;
      tok_.kind = Token::kComma;
      tok_.text = ",";
      return;
    }
    error_ = std::string("unexpected character '") + c + "'";
    pos_ = src_.size();
  }

  bool isOp(const char* t) const { return tok_.kind == Token::kOp && tok_.text == t; }

  std::unique_ptr<Node> binary(Op op, std::unique_ptr<Node> a, std::unique_ptr<Node> b) {
    auto n = std::make_unique<Node>();
    n->op = op;
    n->args.push_back(std::move(a));
    n->args.push_back(std::move(b));
    return n;
  }

  std::unique_ptr<Node> parseOr() {
    auto a = parseAnd();
    while (error_.empty() && isOp(".OR.")) {
      next();
      a = binary(Op::kOr, std::move(a), parseAnd());
    }
    return a;
  }
  std::unique_ptr<Node> parseAnd() {
    auto a = parseNot();
    while (error_.empty() && isOp(".AND.")) {
      next();
      a = binary(Op::kAnd, std::move(a), parseNot());
    }
    return a;
  }
  std::unique_ptr<Node> parseNot() {
    if (isOp(".NOT.") || isOp("!")) {
      if (++depth_ > kMaxDepth) return tooDeep();
      next();
      auto n = std::make_unique<Node>();
      n->op = Op::kNot;
      n->args.push_back(parseNot());
      --depth_;
      return n;
    }
    return parseCompare();
  }
  std::unique_ptr<Node> parseCompare() {
    auto a = parseAdd();
    while (error_.empty() && tok_.kind == Token::kOp) {
      Op op;
      const std::string& t = tok_.text;
      if (t == "=")
        op = Op::kEq;
      else if (t == "==")
        op = Op::kExactEq;
      else if (t == "<>" || t == "#" || t == "!=")
        op = Op::kNe;
      else if (t == "<")
        op = Op::kLt;
      else if (t == "<=")
        op = Op::kLe;
      else if (t == ">")
        op = Op::kGt;
      else if (t == ">=")
        op = Op::kGe;
      else if (t == "$")
        op = Op::kContains;
      else
        break;
      next();
      a = binary(op, std::move(a), parseAdd());
    }
    return a;
  }
  std::unique_ptr<Node> parseAdd() {
    auto a = parseMul();
    while (error_.empty() && (isOp("+") || isOp("-"))) {
      Op op = tok_.text == "+" ? Op::kAdd : Op::kSub;
      next();
      a = binary(op, std::move(a), parseMul());
    }
    return a;
  }
  std::unique_ptr<Node> parseMul() {
    auto a = parseUnary();
    while (error_.empty() && (isOp("*") || isOp("/") || isOp("%"))) {
      Op op = tok_.text == "*" ? Op::kMul : tok_.text == "/" ? Op::kDiv : Op::kMod;
      next();
      a = binary(op, std::move(a), parseUnary());
    }
    return a;
  }
  std::unique_ptr<Node> parseUnary() {
    if (isOp("-") || isOp("+")) {
      bool neg = tok_.text == "-";
      if (++depth_ > kMaxDepth) return tooDeep();
      next();
      auto operand = parseUnary();
      --depth_;
      if (!neg) return operand;
      auto n = std::make_unique<Node>();
      n->op = Op::kNeg;
      n->args.push_back(std::move(operand));
      return n;
    }
    return parsePrimary();
  }
  std::unique_ptr<Node> tooDeep() {
    error_ = "nested too deeply";
    return std::make_unique<Node>();
  }

  std::unique_ptr<Node> parsePrimary() {
    auto n = std::make_unique<Node>();
    if (!error_.empty()) return n;
    switch (tok_.kind) {
      case Token::kNumber: {
        double v = parseNumber(tok_.text.data(), tok_.text.size());
        n->lit = Value::num(v);
        next();
        return n;
      }
      case Token::kString:
        n->lit = Value::str(tok_.text);
        next();
        return n;
      case Token::kOp:
        if (tok_.text == ".T." || tok_.text == ".Y." || tok_.text == ".F." || tok_.text == ".N.") {
          n->lit = Value::logical(tok_.text == ".T." || tok_.text == ".Y.");
          next();
          return n;
        }
        break;
      case Token::kLParen: {
        if (++depth_ > kMaxDepth) return tooDeep();
        next();
        auto inner = parseOr();
        --depth_;
        if (tok_.kind != Token::kRParen) {
          if (error_.empty()) error_ = "missing ')'";
          return n;
        }
        next();
        return inner;
      }
      case Token::kIdent: {
        std::string name = tok_.text;
        next();
        if (tok_.kind == Token::kLParen) {
          if (++depth_ > kMaxDepth) return tooDeep();
          next();
          n->op = Op::kCall;
          n->fn = name;
          if (tok_.kind != Token::kRParen) {
            for (;;) {
              n->args.push_back(parseOr());
              if (!error_.empty()) return n;
              if (tok_.kind == Token::kComma) {
                next();
                continue;
              }
              break;
            }
          }
          --depth_;
          if (tok_.kind != Token::kRParen) {
            if (error_.empty()) error_ = "missing ')' after arguments of " + name;
            return n;
          }
          next();
          checkCall(*n);
          return n;
        }
        for (const FieldDesc& f : header_.fields) {
          if (f.name == name) {
            n->op = Op::kField;
            n->field = f;
            n->visualFox = header_.isVisualFox();
            return n;
          }
        }
        error_ = "unknown field " + name;
        return n;
      }
      default: break;
    }
    error_ = tok_.kind == Token::kEnd ? "unexpected end" : "unexpected '" + tok_.text + "'";
    return n;
  }

  void checkCall(const Node& n) {
    struct Sig {
      const char* name;
      size_t minArgs, maxArgs;
    };
    static const Sig kSigs[] = {
        {"STR", 1, 3},   {"UPPER", 1, 1}, {"LOWER", 1, 1},   {"DTOS", 1, 1},    {"DTOC", 1, 1},    {"TRIM", 1, 1},
        {"RTRIM", 1, 1}, {"LTRIM", 1, 1}, {"ALLTRIM", 1, 1}, {"SUBSTR", 2, 3},  {"LEFT", 2, 2},    {"RIGHT", 2, 2},
        {"LEN", 1, 1},   {"VAL", 1, 1},   {"RECNO", 0, 0},   {"DELETED", 0, 0}, {"IIF", 3, 3},     {"IF", 3, 3},
        {"SPACE", 1, 1}, {"EMPTY", 1, 1}, {"PADL", 2, 3},    {"PADR", 2, 3},    {"STRZERO", 1, 3}, {"INT", 1, 1},
        {"ABS", 1, 1},   {"ROUND", 2, 2}, {"CTOD", 1, 1},    {"ASC", 1, 1},     {"CHR", 1, 1},     {"AT", 2, 2}};
    for (const Sig& s : kSigs) {
      if (n.fn == s.name) {
        if (n.args.size() < s.minArgs || n.args.size() > s.maxArgs) error_ = "wrong number of arguments to " + n.fn;
        return;
      }
    }
    error_ = "unknown function " + n.fn;
  }

  const std::string& src_;
  const DbfHeader& header_;
  size_t pos_ = 0;
  int depth_ = 0;
  Token tok_;
  std::string error_;
};

// ---- evaluation ----

class Evaluator {
 public:
  explicit Evaluator(const EvalContext& ctx) : ctx_(ctx) {}

  zel::Status eval(const Node& n, Value* out) {
    switch (n.op) {
      case Op::kLit: *out = n.lit; return zel::Status::ok();
      case Op::kField: return fieldValue(n, out);
      case Op::kCall: return call(n, out);
      default: break;
    }
    Value a, b;
    if (auto s = eval(*n.args[0], &a); !s) return s;
    if (n.op == Op::kNeg) {
      if (a.type != Value::Type::kNumber) return typeError("-");
      *out = Value::num(-a.n);
      return zel::Status::ok();
    }
    if (n.op == Op::kNot) {
      if (a.type != Value::Type::kLogical) return typeError(".NOT.");
      *out = Value::logical(!a.b);
      return zel::Status::ok();
    }
    // Short-circuit logic.
    if (n.op == Op::kAnd || n.op == Op::kOr) {
      if (a.type != Value::Type::kLogical) return typeError("logical operator");
      if (n.op == Op::kAnd && !a.b) {
        *out = Value::logical(false);
        return zel::Status::ok();
      }
      if (n.op == Op::kOr && a.b) {
        *out = Value::logical(true);
        return zel::Status::ok();
      }
      if (auto s = eval(*n.args[1], &b); !s) return s;
      if (b.type != Value::Type::kLogical) return typeError("logical operator");
      *out = Value::logical(b.b);
      return zel::Status::ok();
    }
    if (auto s = eval(*n.args[1], &b); !s) return s;
    return binary(n.op, a, b, out);
  }

 private:
  static zel::Status typeError(const std::string& what) {
    return zel::Status::invalidArgument("type mismatch in " + what);
  }

  zel::Status fieldValue(const Node& n, Value* out) {
    const FieldDesc& f = n.field;
    const uint8_t* p = ctx_.record + f.offset;
    const char* c = reinterpret_cast<const char*>(p);
    zel::ByteReader r(std::span<const uint8_t>(p, f.width));
    switch (f.type) {
      case 'N':
      case 'F': {
        *out = Value::num(parseNumber(c, f.width));
        out->s.assign(c, f.width);
        out->fromField = true;
        return zel::Status::ok();
      }
      case 'D': *out = Value::date(std::string(c, 8)); return zel::Status::ok();
      case 'L': *out = Value::logical(fieldLogical(f, ctx_.record)); return zel::Status::ok();
      case 'I': *out = Value::num(double(int32_t(r.u32le()))); return zel::Status::ok();
      case 'Y': *out = Value::num(double(int64_t(r.u64le())) / 10000.0); return zel::Status::ok();
      case 'B':
        if (n.visualFox && f.width == 8) {
          uint64_t bits = r.u64le();
          double d;
          std::memcpy(&d, &bits, 8);
          *out = Value::num(d);
          return zel::Status::ok();
        }
        [[fallthrough]];
      case 'M':
      case 'G':
      case 'P':
        *out = Value::str("");  // memo contents are not part of expressions
        return zel::Status::ok();
      default: *out = Value::str(std::string(c, f.width)); return zel::Status::ok();
    }
  }

  static int cmpStrings(const std::string& a, const std::string& b) {
    int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (c != 0) return c;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
  }

  zel::Status binary(Op op, const Value& a, const Value& b, Value* out) {
    using T = Value::Type;
    if (op == Op::kAdd || op == Op::kSub) {
      if (a.type == T::kNumber && b.type == T::kNumber) {
        *out = Value::num(op == Op::kAdd ? a.n + b.n : a.n - b.n);
        return zel::Status::ok();
      }
      if (a.type == T::kString && b.type == T::kString) {
        if (a.s.size() + b.s.size() > kMaxStringResult) return zel::Status::invalidArgument("string too long");
        if (op == Op::kAdd) {
          *out = Value::str(a.s + b.s);
        } else {
          // a - b moves a's trailing blanks behind b.
          std::string t = rtrim(a.s);
          *out = Value::str(t + b.s + std::string(a.s.size() - t.size(), ' '));
        }
        return zel::Status::ok();
      }
      if (a.type == T::kDate && b.type == T::kNumber) {
        *out = Value::date(a.s);  // date arithmetic is not needed by keys; keep the date
        return zel::Status::ok();
      }
      return typeError(op == Op::kAdd ? "+" : "-");
    }
    if (op == Op::kMul || op == Op::kDiv || op == Op::kMod) {
      if (a.type != T::kNumber || b.type != T::kNumber) return typeError("arithmetic");
      double v = op == Op::kMul ? a.n * b.n : b.n == 0 ? 0 : op == Op::kDiv ? a.n / b.n : std::fmod(a.n, b.n);
      *out = Value::num(v);
      return zel::Status::ok();
    }
    if (op == Op::kContains) {
      if (a.type != T::kString || b.type != T::kString) return typeError("$");
      *out = Value::logical(b.s.find(a.s) != std::string::npos);
      return zel::Status::ok();
    }
    if (a.type != b.type) return typeError("comparison");
    int c = 0;
    switch (a.type) {
      case T::kNumber: c = a.n < b.n ? -1 : a.n > b.n ? 1 : 0; break;
      case T::kLogical: c = int(a.b) - int(b.b); break;
      case T::kDate: c = cmpStrings(a.s, b.s); break;
      case T::kString:
        if (op == Op::kExactEq) {
          c = cmpStrings(a.s, b.s);
        } else if (ctx_.exact) {
          c = cmpStrings(rtrim(a.s), rtrim(b.s));
        } else {
          // Exact off: the left side matches when it starts with the right side.
          size_t n = b.s.size();
          c = std::memcmp(a.s.data(), b.s.data(), std::min(a.s.size(), n));
          if (c == 0 && a.s.size() < n) c = -1;
        }
        break;
    }
    bool r = false;
    switch (op) {
      case Op::kEq:
      case Op::kExactEq: r = c == 0; break;
      case Op::kNe: r = c != 0; break;
      case Op::kLt: r = c < 0; break;
      case Op::kLe: r = c <= 0; break;
      case Op::kGt: r = c > 0; break;
      case Op::kGe: r = c >= 0; break;
      default: break;
    }
    *out = Value::logical(r);
    return zel::Status::ok();
  }

  static int intArg(const Value& v) {
    if (v.n > 1e6) return 1000000;
    if (v.n < -1e6) return -1000000;
    return int(v.n);
  }

  zel::Status call(const Node& n, Value* out) {
    using T = Value::Type;
    const std::string& f = n.fn;
    if (f == "RECNO") {
      *out = Value::num(ctx_.recno);
      return zel::Status::ok();
    }
    if (f == "DELETED") {
      *out = Value::logical(ctx_.record[0] == '*');
      return zel::Status::ok();
    }
    if (f == "IIF" || f == "IF") {
      Value c;
      if (auto s = eval(*n.args[0], &c); !s) return s;
      if (c.type != T::kLogical) return typeError(f);
      return eval(*n.args[c.b ? 1 : 2], out);
    }
    std::vector<Value> v(n.args.size());
    for (size_t i = 0; i < n.args.size(); ++i)
      if (auto s = eval(*n.args[i], &v[i]); !s) return s;
    auto need = [&](size_t i, T t) { return i < v.size() && v[i].type == t; };

    if (f == "STR" || f == "STRZERO") {
      if (!need(0, T::kNumber)) return typeError(f);
      int width = 10, dec = 0;
      if (v.size() > 1) {
        if (!need(1, T::kNumber)) return typeError(f);
        width = intArg(v[1]);
      }
      if (v.size() > 2) {
        if (!need(2, T::kNumber)) return typeError(f);
        dec = intArg(v[2]);
      }
      std::string s = formatStr(v[0].n, width, dec);
      if (f == "STRZERO")
        for (char& ch : s) {
          if (ch == ' ')
            ch = '0';
          else if (ch == '-') {
            s[0] = '-';
            ch = '0';
            break;
          }
        }
      *out = Value::str(s);
      return zel::Status::ok();
    }
    if (f == "UPPER" || f == "LOWER" || f == "TRIM" || f == "RTRIM" || f == "LTRIM" || f == "ALLTRIM") {
      if (!need(0, T::kString)) return typeError(f);
      std::string s = v[0].s;
      if (f == "UPPER")
        s = zel::asciiUpper(s);
      else if (f == "LOWER")
        s = lowerAscii(s);
      else if (f == "TRIM" || f == "RTRIM")
        s = rtrim(s);
      else if (f == "LTRIM")
        s = ltrim(s);
      else
        s = ltrim(rtrim(s));
      *out = Value::str(s);
      return zel::Status::ok();
    }
    if (f == "DTOS" || f == "DTOC") {
      if (!need(0, T::kDate)) return typeError(f);
      const std::string& d = v[0].s;
      if (f == "DTOS")
        *out = Value::str(d);
      else
        *out = Value::str(d.size() == 8 ? d.substr(4, 2) + "/" + d.substr(6, 2) + "/" + d.substr(2, 2) : d);
      return zel::Status::ok();
    }
    if (f == "CTOD") {
      if (!need(0, T::kString)) return typeError(f);
      const std::string& s = v[0].s;  // mm/dd/yyyy or mm/dd/yy
      std::string ymd(8, ' ');
      if (s.size() >= 8 && s[2] == '/' && s[5] == '/') {
        std::string y = s.substr(6);
        y = rtrim(y);
        if (y.size() == 2) y = "19" + y;
        if (y.size() == 4) ymd = y + s.substr(0, 2) + s.substr(3, 2);
      }
      *out = Value::date(ymd);
      return zel::Status::ok();
    }
    if (f == "SUBSTR" || f == "LEFT" || f == "RIGHT") {
      if (!need(0, T::kString) || !need(1, T::kNumber)) return typeError(f);
      const std::string& s = v[0].s;
      int len = int(s.size());
      int start, count;
      if (f == "LEFT") {
        start = 0;
        count = intArg(v[1]);
      } else if (f == "RIGHT") {
        count = std::min(len, std::max(0, intArg(v[1])));
        start = len - count;
      } else {
        start = intArg(v[1]) - 1;
        if (start < 0) start = 0;
        count = len;
        if (v.size() > 2) {
          if (!need(2, T::kNumber)) return typeError(f);
          count = intArg(v[2]);
        }
      }
      if (start > len) start = len;
      count = std::max(0, std::min(count, len - start));
      *out = Value::str(s.substr(size_t(start), size_t(count)));
      return zel::Status::ok();
    }
    if (f == "LEN") {
      if (!need(0, T::kString)) return typeError(f);
      *out = Value::num(double(v[0].s.size()));
      return zel::Status::ok();
    }
    if (f == "VAL") {
      if (!need(0, T::kString)) return typeError(f);
      *out = Value::num(parseNumber(v[0].s.data(), v[0].s.size()));
      return zel::Status::ok();
    }
    if (f == "SPACE") {
      if (!need(0, T::kNumber)) return typeError(f);
      int k = std::clamp(intArg(v[0]), 0, int(kMaxStringResult));
      *out = Value::str(std::string(size_t(k), ' '));
      return zel::Status::ok();
    }
    if (f == "PADL" || f == "PADR") {
      if (!need(1, T::kNumber)) return typeError(f);
      std::string s = keyBytes(v[0]);
      if (v[0].type == T::kNumber) s = ltrim(s);
      char fill = ' ';
      if (v.size() > 2) {
        if (!need(2, T::kString)) return typeError(f);
        if (!v[2].s.empty()) fill = v[2].s[0];
      }
      size_t w = size_t(std::clamp(intArg(v[1]), 0, int(kMaxStringResult)));
      if (s.size() >= w)
        s = f == "PADL" ? s.substr(s.size() - w) : s.substr(0, w);
      else if (f == "PADL")
        s = std::string(w - s.size(), fill) + s;
      else
        s += std::string(w - s.size(), fill);
      *out = Value::str(s);
      return zel::Status::ok();
    }
    if (f == "EMPTY") {
      const Value& a = v[0];
      bool e = a.type == T::kNumber ? a.n == 0 : a.type == T::kLogical ? !a.b : rtrim(a.s).empty();
      *out = Value::logical(e);
      return zel::Status::ok();
    }
    if (f == "INT" || f == "ABS" || f == "ROUND") {
      if (!need(0, T::kNumber)) return typeError(f);
      double x = v[0].n;
      if (f == "INT")
        x = std::trunc(x);
      else if (f == "ABS")
        x = std::fabs(x);
      else {
        if (!need(1, T::kNumber)) return typeError(f);
        double sc = std::pow(10.0, std::clamp(intArg(v[1]), -15, 15));
        x = std::round(x * sc) / sc;
      }
      *out = Value::num(x);
      return zel::Status::ok();
    }
    if (f == "ASC") {
      if (!need(0, T::kString)) return typeError(f);
      *out = Value::num(v[0].s.empty() ? 0 : double(static_cast<unsigned char>(v[0].s[0])));
      return zel::Status::ok();
    }
    if (f == "CHR") {
      if (!need(0, T::kNumber)) return typeError(f);
      *out = Value::str(std::string(1, char(intArg(v[0]) & 0xFF)));
      return zel::Status::ok();
    }
    if (f == "AT") {
      if (!need(0, T::kString) || !need(1, T::kString)) return typeError(f);
      size_t p = v[1].s.find(v[0].s);
      *out = Value::num(p == std::string::npos ? 0 : double(p + 1));
      return zel::Status::ok();
    }
    return zel::Status::invalidArgument("unknown function " + f);
  }

  const EvalContext& ctx_;
};

}  // namespace

Expression::Expression() = default;
Expression::~Expression() = default;
Expression::Expression(Expression&&) noexcept = default;
Expression& Expression::operator=(Expression&&) noexcept = default;

zel::Result<Expression> Expression::compile(const std::string& text, const DbfHeader& header) {
  if (text.size() > kMaxExpressionLength)
    return zel::Status::invalidArgument("expression longer than " + std::to_string(kMaxExpressionLength) + " bytes");
  Parser p(text, header);
  auto root = p.parse();
  if (!root) return root.status();
  Expression e;
  e.root_ = std::move(*root);
  e.text_ = text;
  // Fast path: str(F, width(F)) or str(F, w, 0) on an integer N field, or F itself.
  const Node* r = e.root_.get();
  const Node* fieldNode = nullptr;
  if (r->op == Op::kField && (r->field.type == 'N' || r->field.type == 'F') && r->field.decimals == 0) {
    fieldNode = r;
  } else if (r->op == Op::kCall && r->fn == "STR" && r->args.size() >= 2 && r->args[0]->op == Op::kField &&
             r->args[1]->op == Op::kLit && r->args[1]->lit.type == Value::Type::kNumber) {
    const FieldDesc& f = r->args[0]->field;
    bool zeroDec = r->args.size() == 2 || (r->args[2]->op == Op::kLit && r->args[2]->lit.type == Value::Type::kNumber &&
                                           r->args[2]->lit.n == 0);
    if ((f.type == 'N' || f.type == 'F') && f.decimals == 0 && zeroDec && r->args[1]->lit.n == double(f.width))
      fieldNode = r->args[0].get();
  }
  if (fieldNode) e.rawField_ = &fieldNode->field;
  return e;
}

zel::Status Expression::eval(const EvalContext& ctx, Value* out) const {
  if (!root_) return zel::Status::invalidArgument("empty expression");
  Evaluator ev(ctx);
  return ev.eval(*root_, out);
}

std::string Expression::keyField() const {
  std::string name;
  bool many = false;
  std::vector<const Node*> stack{root_.get()};
  while (!stack.empty()) {
    const Node* n = stack.back();
    stack.pop_back();
    if (!n) continue;
    if (n->op == Op::kField) {
      if (!name.empty() && name != n->field.name) many = true;
      name = n->field.name;
    }
    for (auto& a : n->args) stack.push_back(a.get());
  }
  return many ? std::string() : name;
}

}  // namespace sde
