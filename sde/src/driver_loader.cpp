#include "driver_loader.h"

#include <cstdlib>
#include <map>
#include <vector>

#ifdef _WIN32
#  include <windows.h>
#else
#  include <dlfcn.h>
#endif

#include "os_file.h"

namespace sde {

namespace {

std::map<int, const SdeDriverInfo*>& loaded() {
  static std::map<int, const SdeDriverInfo*> m;
  return m;
}

std::string ownDirectory() {
#ifdef _WIN32
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ownDirectory), &self);
  char buf[MAX_PATH];
  DWORD n = GetModuleFileNameA(self, buf, MAX_PATH);
  return dirName(std::string(buf, n));
#else
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&ownDirectory), &info) == 0 || !info.dli_fname) return {};
  return dirName(info.dli_fname);
#endif
}

void* openLibrary(const std::string& path, std::string* why) {
#ifdef _WIN32
  HMODULE h = LoadLibraryA(path.c_str());
  if (!h) *why = "cannot load " + path;
  return h;
#else
  void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) {
    const char* e = dlerror();
    *why = e ? e : "cannot load " + path;
  }
  return h;
#endif
}

void* symbol(void* lib, const char* name) {
#ifdef _WIN32
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(lib), name));
#else
  return dlsym(lib, name);
#endif
}

}  // namespace

std::string driverLibraryName(int kind) {
  const char* stem = kind == 1 ? "sdentx32" : kind == 2 ? "sdecdx32" : kind == 3 ? "sdensx32" : nullptr;
  if (!stem) return {};
#ifdef _WIN32
  return std::string(stem) + ".dll";
#else
  return std::string("lib") + stem + ".so";
#endif
}

zel::Result<const SdeDriverInfo*> loadDriver(int kind) {
  auto it = loaded().find(kind);
  if (it != loaded().end()) return it->second;
  std::string file = driverLibraryName(kind);
  if (file.empty()) return zel::Status::invalidArgument("unknown index driver " + std::to_string(kind));

  std::vector<std::string> candidates;
  if (const char* dir = std::getenv("SDE_DRIVER_DIR")) {
    candidates.push_back(std::string(dir) + "/" + file);
  } else {
    std::string own = ownDirectory();
    if (!own.empty()) candidates.push_back(own + "/" + file);
    candidates.push_back(file);
  }
  std::string why;
  for (const std::string& c : candidates) {
    void* lib = openLibrary(c, &why);
    if (!lib) continue;
    auto describe = reinterpret_cast<SdeDriverDescribeFn>(symbol(lib, SDE_DRIVER_DESCRIBE));
    const SdeDriverInfo* info = describe ? describe() : nullptr;
    if (!info || info->abi != SDE_DRIVER_ABI || info->kind != kind) {
      why = c + " is not a matching index driver";
      continue;
    }
    loaded()[kind] = info;
    return info;
  }
  return zel::Status::notFound("index driver library " + file + " not found (" + why + ")");
}

}  // namespace sde
