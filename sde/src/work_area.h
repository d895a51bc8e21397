// WorkArea: one open table in the engine's numbered set of work areas, with
// its record pointer, record buffer, orders, filter and scope. Owned by the
// Engine; owns its Table. Moving off a changed record posts it first, as xBase
// does. Errors come back as Status; the C layer turns them into sx_LastError.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "expression.h"
#include "order.h"
#include "sde_driver.h"
#include "table.h"
#include "tag_file.h"

namespace sde {

struct Switches {
  bool deleted = false;
  bool exact = false;
  bool century = false;
  bool softSeek = false;
  int epoch = 1900;
  int dateFormat = 99;
  int lockTimeoutSec = 1;
  uint32_t memoBlockSize = 64;
  bool turboRead = false;
  // Asked between chunks of records while an order is built; true stops the
  // build (an interrupt or a cancel button of the program).
  int (*stopProc)(void*) = nullptr;
  void* stopData = nullptr;
};

struct OrderSlot {
  TagDef def;
  std::string indexFile;  // the definition file it came from (may be empty: never written)
  int driver = 0;
  Expression key;
  std::optional<Expression> condition;
  std::shared_ptr<const OrderData> data;  // null until first use or after a change
};

class WorkArea {
 public:
  WorkArea(int number, std::string alias, std::unique_ptr<Table> table, const SdeDriverInfo* driver,
           const Switches& switches);
  ~WorkArea();

  int number() const { return number_; }
  const std::string& alias() const { return alias_; }
  Table& table() { return *table_; }
  const SdeDriverInfo* driver() const { return driver_; }

  // ---- navigation ----
  zel::Status goTop();
  zel::Status goBottom();
  zel::Status skip(long count);
  zel::Status go(long recno);
  uint32_t recNo() const { return recno_; }
  bool eof() const { return eof_; }
  bool bof() const { return bof_; }
  const std::vector<uint8_t>& buffer() const { return buf_; }

  // ---- writing ----
  zel::Status lock(uint32_t recno);
  void unlock(uint32_t recno);  // 0: all
  zel::Status checkWrite() const;  // the current record may be changed
  uint8_t* mutableBuffer();  // marks the record changed; call checkWrite() first
  zel::Status putMemo(const FieldDesc& f, const void* data, size_t length);
  zel::Status commit();
  zel::Status append();
  zel::Status setDeleted(bool deleted);

  // ---- orders ----
  // Adds (or replaces, by tag name and file) an order; returns its number.
  zel::Result<int> addOrder(const TagDef& def, const std::string& indexFile, int driver, bool buildNow);
  zel::Result<int> setOrder(int order);  // previous order
  int orderCount() const { return int(orders_.size()); }
  int currentOrder() const { return order_; }
  const OrderSlot* slot(int order) const;
  int tagOrder(const std::string& tag) const;
  zel::Result<bool> seek(const std::string& key);
  zel::Status setScope(const char* low, const char* high);
  zel::Result<std::string> keyData();
  zel::Result<long> orderRecNo();
  void removeOrder(int order);  // later orders move down by one

  // ---- filter and expressions ----
  zel::Status setFilter(const std::string& expr);
  zel::Result<long> count();
  zel::Status evaluate(const std::string& expr, Value* out);

  // A string buffer whose c_str() stays valid until a later call on this area.
  std::string& scratch();

 private:
  // Cursor over the current order: positions lo_..hi_-1 map to records.
  zel::Status prepareOrder();  // builds the current order's data if needed
  OrderSlot& currentSlot() { return orders_[size_t(order_ - 1)]; }  // order_ != 0
  const OrderSlot& currentSlot() const { return orders_[size_t(order_ - 1)]; }
  uint32_t recordAt(size_t pos) const;
  size_t positionOfCurrent() const;  // hi_ at end of file or when the order leaves the record out
  zel::Result<bool> visible(size_t pos);
  // The first visible position from `from` on, or the last one before `end`; hi_ when there is none.
  zel::Result<size_t> nextVisible(size_t from);
  zel::Result<size_t> previousVisible(size_t end);
  zel::Status moveTo(size_t pos, bool fresh = true);  // pos == hi_: end of file
  zel::Status setEof();
  zel::Status lockedForWrite() const;  // the current record is locked when it must be
  zel::Status loadCurrent(bool fresh = true);
  bool upToDate(const OrderSlot& s) const;  // built for the table's current record count
  zel::Status buildSlot(OrderSlot& s);  // when not up to date: from the cache or the table
  void computeScope();
  void ordersChanged(bool appended);

  int number_;
  std::string alias_;
  std::unique_ptr<Table> table_;
  const SdeDriverInfo* driver_;
  const Switches& sw_;

  uint32_t recno_ = 1;
  size_t pos_ = 0;
  bool eof_ = false;
  bool bof_ = false;
  std::vector<uint8_t> buf_;
  std::vector<uint8_t> original_;  // the record as read, to tell which keys changed
  bool dirty_ = false;
  bool memoChanged_ = false;

  std::vector<OrderSlot> orders_;
  int order_ = 0;
  std::optional<std::string> scopeLow_, scopeHigh_;
  size_t lo_ = 0, hi_ = 0;
  std::optional<Expression> filter_;

  std::string scratch_[4];
  int scratchNext_ = 0;
};

}  // namespace sde
