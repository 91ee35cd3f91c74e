#include "visualstyles/SharedLibrary.h"

#include <dlfcn.h>

#include <filesystem>

namespace lumox {

std::unique_ptr<TSharedLibrary> TSharedLibrary::Open(const std::string& fileName,
                                                     const std::vector<std::string>& folders) {
  // A name without a slash makes the loader search its own path.
  std::string path = fileName;
  for (const std::string& folder : folders) {
    const std::filesystem::path candidate = std::filesystem::path(folder) / fileName;
    if (std::filesystem::exists(candidate)) {
      path = candidate.string();
      break;
    }
  }
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) return nullptr;
  return std::unique_ptr<TSharedLibrary>(new TSharedLibrary(handle));
}

TSharedLibrary::~TSharedLibrary() { dlclose(Handle); }

void* TSharedLibrary::Symbol(const char* name) const { return dlsym(Handle, name); }

}  // namespace lumox
