#include "work_area.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "os_file.h"

namespace sde {

WorkArea::WorkArea(int number, std::string alias, std::unique_ptr<Table> table, const SdeDriverInfo* driver,
                   const Switches& switches)
    : number_(number), alias_(std::move(alias)), table_(std::move(table)), driver_(driver), sw_(switches) {
  hi_ = table_->recCount();
  goTop();
}

WorkArea::~WorkArea() {
  commit();
  table_->flush();
}

std::string& WorkArea::scratch() {
  std::string& s = scratch_[scratchNext_];
  scratchNext_ = (scratchNext_ + 1) % 4;
  return s;
}

// ---- cursor ----

const OrderSlot* WorkArea::slot(int order) const {
  if (order < 1 || order > int(orders_.size())) return nullptr;
  return &orders_[size_t(order - 1)];
}

bool WorkArea::upToDate(const OrderSlot& s) const { return s.data && s.data->recCount() == table_->recCount(); }

zel::Status WorkArea::buildSlot(OrderSlot& s) {
  if (upToDate(s)) return zel::Status::ok();
  if (auto st = table_->flush(); !st) return st;
  std::error_code ec;
  std::string canonical = std::filesystem::weakly_canonical(table_->path(), ec).string();
  if (ec || canonical.empty()) canonical = table_->path();
  std::string key = OrderCache::makeKey(canonical, table_->fileSize(), table_->fileMtimeNs(), table_->recCount(),
                                        s.def.name, s.def.expr, s.def.condition, s.def.descending);
  if (auto cached = OrderCache::find(key)) {
    s.data = cached;
    return zel::Status::ok();
  }
  const auto stop = [this] { return sw_.stopProc != nullptr && sw_.stopProc(sw_.stopData) != 0; };
  auto built = OrderData::build(*table_, s.key, s.condition ? &*s.condition : nullptr, s.def.descending, stop);
  if (!built) return built.status();
  s.data = *built;
  OrderCache::put(key, s.data);
  return zel::Status::ok();
}

zel::Status WorkArea::prepareOrder() {
  if (order_ == 0) {
    computeScope();
    return zel::Status::ok();
  }
  if (upToDate(currentSlot())) return zel::Status::ok();
  if (auto st = buildSlot(currentSlot()); !st) return st;
  computeScope();
  pos_ = positionOfCurrent();
  return zel::Status::ok();
}

void WorkArea::computeScope() {
  if (order_ == 0 || !currentSlot().data) {
    lo_ = 0;
    hi_ = table_->recCount();
    return;
  }
  const OrderData& d = *currentSlot().data;
  lo_ = 0;
  hi_ = d.size();
  if (scopeLow_) lo_ = d.lowerBound(*scopeLow_, scopeLow_->size());
  if (scopeHigh_) hi_ = d.upperBound(*scopeHigh_, scopeHigh_->size());
  if (hi_ < lo_) hi_ = lo_;
}

uint32_t WorkArea::recordAt(size_t pos) const {
  if (order_ == 0) return uint32_t(pos + 1);
  return currentSlot().data->recnoAt(pos);
}

size_t WorkArea::positionOfCurrent() const {
  if (eof_) return hi_;
  return order_ == 0 ? size_t(recno_ - 1) : currentSlot().data->positionOf(recno_);
}

zel::Result<bool> WorkArea::visible(size_t pos) {
  if (!sw_.deleted && !filter_) return true;
  zel::Status s;
  uint32_t r = recordAt(pos);
  const uint8_t* rec = table_->record(r, &s);
  if (!rec) return s;
  if (sw_.deleted && rec[0] == '*') return false;
  if (filter_) {
    Value v;
    if (auto st = filter_->eval(EvalContext{rec, r, sw_.exact}, &v); !st) return st;
    return v.type == Value::Type::kLogical && v.b;
  }
  return true;
}

zel::Result<size_t> WorkArea::nextVisible(size_t from) {
  for (size_t p = from; p < hi_; ++p) {
    auto v = visible(p);
    if (!v) return v.status();
    if (*v) return p;
  }
  return hi_;
}

zel::Result<size_t> WorkArea::previousVisible(size_t end) {
  for (size_t p = end; p > lo_; --p) {
    auto v = visible(p - 1);
    if (!v) return v.status();
    if (*v) return p - 1;
  }
  return hi_;
}

zel::Status WorkArea::loadCurrent(bool fresh) {
  dirty_ = false;
  memoChanged_ = false;
  if (eof_) {
    buf_ = table_->blankRecord();
  } else {
    buf_.resize(table_->recLen());
    // Absolute moves read the record anew so changes by other users show;
    // stepping through records may use the read-ahead window.
    zel::Status s = fresh ? table_->readRecordFresh(recno_, buf_.data()) : table_->readRecord(recno_, buf_.data());
    if (!s) {
      buf_ = table_->blankRecord();
      return s;
    }
  }
  original_ = buf_;
  return zel::Status::ok();
}

zel::Status WorkArea::setEof() {
  eof_ = true;
  recno_ = table_->recCount() + 1;
  pos_ = hi_;
  return loadCurrent();
}

zel::Status WorkArea::moveTo(size_t pos, bool fresh) {
  if (pos >= hi_ || pos < lo_) return setEof();
  eof_ = false;
  pos_ = pos;
  recno_ = recordAt(pos);
  return loadCurrent(fresh);
}

zel::Status WorkArea::goTop() {
  if (auto s = commit(); !s) return s;
  if (auto s = prepareOrder(); !s) return s;
  bof_ = false;
  auto p = nextVisible(lo_);
  if (!p) return p.status();
  if (*p < hi_) return moveTo(*p);
  bof_ = true;
  return setEof();
}

zel::Status WorkArea::goBottom() {
  if (auto s = commit(); !s) return s;
  table_->refreshCount();
  if (auto s = prepareOrder(); !s) return s;
  bof_ = false;
  auto p = previousVisible(hi_);
  if (!p) return p.status();
  if (*p < hi_) return moveTo(*p);
  bof_ = true;
  return setEof();
}

zel::Status WorkArea::skip(long count) {
  if (auto s = commit(); !s) return s;
  if (auto s = prepareOrder(); !s) return s;
  if (count == 0) return eof_ ? zel::Status::ok() : loadCurrent();
  bof_ = false;
  size_t p = eof_ ? hi_ : pos_;
  if (!eof_ && (p < lo_ || p >= hi_)) {
    // The current record is outside the order (condition or scope): start again from an end.
    return count > 0 ? goTop() : goBottom();
  }
  // Moving to hi_ (none left) sets end of file.
  for (long i = 0; i < count && p < hi_; ++i) {
    auto next = nextVisible(p + 1);
    if (!next) return next.status();
    p = *next;
  }
  for (long i = 0; i < -count; ++i) {
    auto previous = previousVisible(p);
    if (!previous) return previous.status();
    if (*previous == hi_) {
      // Before the first record: stay on the first visible one with BOF set.
      auto first = nextVisible(lo_);
      if (!first) return first.status();
      zel::Status s = moveTo(*first);
      bof_ = true;
      return s;
    }
    p = *previous;
  }
  return moveTo(p, false);
}

zel::Status WorkArea::go(long recno) {
  if (auto s = commit(); !s) return s;
  if (auto s = prepareOrder(); !s) return s;
  bof_ = false;
  if (recno < 1 || uint64_t(recno) > table_->recCount()) {
    if (recno > 0) table_->refreshCount();
    if (recno < 1 || uint64_t(recno) > table_->recCount()) return setEof();
    if (auto s = prepareOrder(); !s) return s;
  }
  eof_ = false;
  recno_ = uint32_t(recno);
  pos_ = positionOfCurrent();
  return loadCurrent();
}

// ---- writing ----

zel::Status WorkArea::lock(uint32_t recno) {
  if (recno == 0 || recno > table_->recCount())
    return zel::Status::notFound("cannot lock record " + std::to_string(recno) + " of " + table_->path() +
                                 ": out of range");
  return table_->lockRecord(recno, sw_.lockTimeoutSec * 1000);
}

void WorkArea::unlock(uint32_t recno) {
  if (recno == 0)
    table_->unlockAll();
  else
    table_->unlockRecord(recno);
}

zel::Status WorkArea::lockedForWrite() const {
  if (table_->mustLockToWrite() && !table_->isLocked(recno_))
    return zel::Status::invalidArgument("record " + std::to_string(recno_) + " of " + table_->path() +
                                        " is not locked; lock it before changing it");
  return zel::Status::ok();
}

zel::Status WorkArea::checkWrite() const {
  if (table_->mode() == OpenMode::kReadOnly) return zel::Status::invalidArgument(table_->path() + " is open read-only");
  if (eof_) return zel::Status::invalidArgument("no current record to change in " + table_->path() + " (end of file)");
  return lockedForWrite();
}

uint8_t* WorkArea::mutableBuffer() {
  dirty_ = true;
  return buf_.data();
}

zel::Status WorkArea::putMemo(const FieldDesc& f, const void* data, size_t length) {
  if (auto s = checkWrite(); !s) return s;
  // The text goes to fresh blocks now (flushed); the record points to them at commit.
  auto block = table_->writeMemo(data, length);
  if (!block) return block.status();
  table_->setMemoPointer(buf_.data(), f, *block);
  dirty_ = true;
  memoChanged_ = true;
  return zel::Status::ok();
}

void WorkArea::ordersChanged(bool appended) {
  for (OrderSlot& s : orders_) {
    if (!s.data) continue;
    if (appended) {
      s.data.reset();
      continue;
    }
    // Keep the order when this record's key and condition did not change.
    bool same = true;
    Value a, b;
    EvalContext ca{original_.data(), recno_, false}, cb{buf_.data(), recno_, false};
    if (!s.key.eval(ca, &a) || !s.key.eval(cb, &b) || keyBytes(a) != keyBytes(b)) same = false;
    if (same && s.condition) {
      Value x, y;
      if (!s.condition->eval(ca, &x) || !s.condition->eval(cb, &y) || x.b != y.b) same = false;
    }
    if (!same) s.data.reset();
  }
}

zel::Status WorkArea::commit() {
  if (!dirty_) return zel::Status::ok();
  if (eof_) {
    dirty_ = false;
    return zel::Status::ok();
  }
  if (auto s = lockedForWrite(); !s) return s;
  // The texts the record points to on disk now: once it points elsewhere
  // their blocks may hold a later text. Read from the file, since the copy
  // read before the lock may be stale.
  std::vector<uint32_t> released;
  if (memoChanged_) {
    std::vector<uint8_t> onDisk(buf_.size());
    if (table_->readRecordFresh(recno_, onDisk.data())) {
      std::vector<uint32_t> kept;
      for (const FieldDesc& f : table_->header().fields) {
        if (!table_->header().isMemoField(f)) continue;
        auto now = table_->memoPointer(buf_.data(), f);
        auto was = table_->memoPointer(onDisk.data(), f);
        if (!now || !was) {
          released.clear();
          kept.clear();
          break;
        }
        if (*now != 0) kept.push_back(*now);
        if (*was != 0 && *was != *now) released.push_back(*was);
      }
      // A text another field still points to stays.
      std::erase_if(released, [&](uint32_t b) { return std::find(kept.begin(), kept.end(), b) != kept.end(); });
    }
  }
  if (auto s = table_->writeRecord(recno_, buf_.data(), memoChanged_); !s) {
    // A write or flush that failed part-way may have left the new bytes behind;
    // the caller is told the change failed, so the record keeps what it held and
    // the change is dropped (a later commit, say at unlock, must not write it).
    (void)table_->writeRecord(recno_, original_.data(), true);
    buf_ = original_;
    dirty_ = false;
    memoChanged_ = false;
    return s;
  }
  ordersChanged(false);
  original_ = buf_;
  dirty_ = false;
  memoChanged_ = false;
  table_->releaseMemos(released);
  return zel::Status::ok();
}

zel::Status WorkArea::append() {
  if (auto s = commit(); !s) return s;
  if (table_->mode() == OpenMode::kReadOnly) return zel::Status::invalidArgument(table_->path() + " is open read-only");
  std::vector<uint8_t> blank = table_->blankRecord();
  auto r = table_->appendRecord(blank.data());
  if (!r) return r.status();
  if (table_->mustLockToWrite()) {
    if (auto s = table_->lockRecord(*r, sw_.lockTimeoutSec * 1000); !s) return s;
  }
  ordersChanged(true);
  if (order_ == 0) {
    lo_ = 0;
    hi_ = table_->recCount();
  }
  eof_ = false;
  bof_ = false;
  recno_ = *r;
  pos_ = order_ == 0 ? size_t(recno_ - 1) : hi_;
  buf_ = blank;
  original_ = blank;
  dirty_ = false;
  memoChanged_ = false;
  return zel::Status::ok();
}

zel::Status WorkArea::setDeleted(bool deleted) {
  if (auto s = checkWrite(); !s) return s;
  buf_[0] = deleted ? '*' : ' ';
  dirty_ = true;
  return commit();
}

// ---- orders ----

zel::Result<int> WorkArea::addOrder(const TagDef& def, const std::string& indexFile, int driver, bool buildNow) {
  auto key = Expression::compile(def.expr, table_->header());
  if (!key) return key.status();
  std::optional<Expression> cond;
  if (!def.condition.empty()) {
    auto c = Expression::compile(def.condition, table_->header());
    if (!c) return c.status();
    cond = std::move(*c);
  }
  OrderSlot s{def, indexFile, driver, std::move(*key), std::move(cond), nullptr};
  if (buildNow) {
    if (auto st = commit(); !st) return st;
    if (auto st = buildSlot(s); !st) return st;
  }
  for (size_t i = 0; i < orders_.size(); ++i) {
    OrderSlot& o = orders_[i];
    if (equalNoCase(o.def.name, def.name) && o.indexFile == indexFile) {
      o = std::move(s);
      if (order_ == int(i + 1)) computeScope();
      return int(i + 1);
    }
  }
  orders_.push_back(std::move(s));
  return int(orders_.size());
}

void WorkArea::removeOrder(int order) {
  if (order < 1 || order > int(orders_.size())) return;
  orders_.erase(orders_.begin() + (order - 1));
  if (order_ == order) {
    order_ = 0;
    scopeLow_.reset();
    scopeHigh_.reset();
    computeScope();
    pos_ = positionOfCurrent();
  } else if (order_ > order) {
    --order_;
  }
}

zel::Result<int> WorkArea::setOrder(int order) {
  if (order < 0 || order > int(orders_.size()))
    return zel::Status::notFound("order " + std::to_string(order) + " does not exist in " + table_->path());
  if (auto s = commit(); !s) return s;
  int previous = order_;
  order_ = order;
  scopeLow_.reset();
  scopeHigh_.reset();
  if (order_ != 0) {
    if (auto s = buildSlot(currentSlot()); !s) {
      order_ = previous;
      return s;
    }
  }
  computeScope();
  pos_ = positionOfCurrent();
  return previous;
}

int WorkArea::tagOrder(const std::string& tag) const {
  for (size_t i = 0; i < orders_.size(); ++i)
    if (equalNoCase(orders_[i].def.name, tag)) return int(i + 1);
  return 0;
}

zel::Result<bool> WorkArea::seek(const std::string& key) {
  if (order_ == 0) return zel::Status::invalidArgument("seek needs an order in " + table_->path());
  if (auto s = commit(); !s) return s;
  if (auto s = prepareOrder(); !s) return s;
  bof_ = false;
  const OrderData& d = *currentSlot().data;
  const size_t kl = d.keyLen();
  std::string k = key;
  size_t len;
  bool impossible = false;
  if (sw_.exact) {
    // Exact: the whole key counts, trailing blanks aside.
    if (k.size() > kl) {
      impossible = k.find_first_not_of(' ', kl) != std::string::npos;
      k.resize(kl);
    }
    k.resize(kl, ' ');
    len = kl;
  } else {
    len = std::min(k.size(), kl);
    k.resize(len);
  }
  auto visibleAt = nextVisible(std::max(d.lowerBound(k, len), lo_));
  if (!visibleAt) return visibleAt.status();
  size_t p = *visibleAt;
  bool found = !impossible && p < hi_ && d.key(d.recnoAt(p)).substr(0, len) == std::string_view(k).substr(0, len);
  if (found || sw_.softSeek) {
    if (auto s = moveTo(p); !s) return s;
    return found;
  }
  if (auto s = setEof(); !s) return s;
  return false;
}

zel::Status WorkArea::setScope(const char* low, const char* high) {
  if (low)
    scopeLow_ = std::string(low);
  else
    scopeLow_.reset();
  if (high)
    scopeHigh_ = std::string(high);
  else
    scopeHigh_.reset();
  if (auto s = prepareOrder(); !s) return s;
  computeScope();
  return goTop();
}

zel::Result<std::string> WorkArea::keyData() {
  if (order_ == 0) return std::string();
  if (auto s = prepareOrder(); !s) return s;
  if (eof_) return std::string();
  const OrderSlot& s = currentSlot();
  Value v;
  if (auto st = s.key.eval(EvalContext{buf_.data(), recno_, false}, &v); !st) return st;
  std::string k = keyBytes(v);
  k.resize(s.data->keyLen(), ' ');
  return k;
}

zel::Result<long> WorkArea::orderRecNo() {
  if (order_ == 0) return long(recno_);
  if (auto s = prepareOrder(); !s) return s;
  if (eof_) return long(currentSlot().data->size() + 1);
  size_t p = currentSlot().data->positionOf(recno_);
  return long(p + 1);
}

// ---- filter ----

zel::Status WorkArea::setFilter(const std::string& expr) {
  if (expr.empty()) {
    filter_.reset();
    return zel::Status::ok();
  }
  auto e = Expression::compile(expr, table_->header());
  if (!e) return e.status();
  Value v;
  std::vector<uint8_t> blank = table_->blankRecord();
  if (auto s = e->eval(EvalContext{blank.data(), 0, sw_.exact}, &v); !s) return s;
  if (v.type != Value::Type::kLogical)
    return zel::Status::invalidArgument("filter \"" + expr + "\" is not a logical expression");
  filter_ = std::move(*e);
  return zel::Status::ok();
}

zel::Result<long> WorkArea::count() {
  if (auto s = commit(); !s) return s;
  if (auto s = prepareOrder(); !s) return s;
  long n = 0;
  for (size_t p = lo_; p < hi_; ++p) {
    auto v = visible(p);
    if (!v) return v.status();
    if (*v) ++n;
  }
  return n;
}

zel::Status WorkArea::evaluate(const std::string& expr, Value* out) {
  auto e = Expression::compile(expr, table_->header());
  if (!e) return e.status();
  return e->eval(EvalContext{buf_.data(), eof_ ? 0 : recno_, sw_.exact}, out);
}

}  // namespace sde
