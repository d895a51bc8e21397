#include "engine.h"

#include "os_file.h"
#include "sde32.h"

namespace sde {

Engine& Engine::instance() {
  static Engine e;
  return e;
}

WorkArea* Engine::area(int number) {
  if (number < 1 || number > kMaxAreas) return nullptr;
  return areas_[size_t(number)].get();
}

int Engine::select(int number) {
  int previous = current_;
  if (number >= 1 && number <= kMaxAreas) current_ = number;
  return previous;
}

int Engine::openCount() const {
  int n = 0;
  for (const auto& a : areas_)
    if (a) ++n;
  return n;
}

int Engine::findAlias(const std::string& alias) const {
  for (int i = 1; i <= kMaxAreas; ++i)
    if (areas_[size_t(i)] && equalNoCase(areas_[size_t(i)]->alias(), alias)) return i;
  return 0;
}

int Engine::freeNumber() const {
  for (int i = 1; i <= kMaxAreas; ++i)
    if (!areas_[size_t(i)]) return i;
  return 0;
}

int Engine::install(std::unique_ptr<WorkArea> area) {
  int n = area->number();
  areas_[size_t(n)] = std::move(area);
  current_ = n;
  return n;
}

void Engine::close(int number) {
  if (number >= 1 && number <= kMaxAreas) areas_[size_t(number)].reset();
}

void Engine::closeAll() {
  for (auto& a : areas_) a.reset();
}

namespace {

int kindOf(const zel::Status& s) {
  switch (s.kind()) {
    case zel::Status::Kind::kOk: return SX_ERR_NONE;
    case zel::Status::Kind::kNotFound: return SX_ERR_NOTFOUND;
    case zel::Status::Kind::kCorruption: return SX_ERR_CORRUPT;
    case zel::Status::Kind::kIoError: return SX_ERR_IO;
    case zel::Status::Kind::kInvalidArgument: return SX_ERR_ARGUMENT;
    case zel::Status::Kind::kBusy: return SX_ERR_BUSY;
    case zel::Status::Kind::kUnsupported: return SX_ERR_UNSUPPORTED;
  }
  return SX_ERR_OTHER;
}

}  // namespace

bool Engine::fail(const zel::Status& s) { return fail(kindOf(s), s); }

bool Engine::fail(int kind, const zel::Status& s) {
  lastError_ = s.message().empty() ? "operation failed" : s.message();
  lastKind_ = kind == SX_ERR_NONE ? SX_ERR_OTHER : kind;
  lastErrno_ = s.sysError();
  return false;
}

bool Engine::fail(const std::string& message) { return fail(SX_ERR_OTHER, message); }

bool Engine::fail(int kind, const std::string& message) {
  lastError_ = message;
  lastKind_ = kind == SX_ERR_NONE ? SX_ERR_OTHER : kind;
  lastErrno_ = 0;
  return false;
}

}  // namespace sde
