#pragma once
// A shared library opened at run time by its file name.
#include <memory>
#include <string>
#include <vector>

namespace lumox {

class TSharedLibrary {
 public:
  // Opens the library `fileName` from the first of `folders` that holds it, else through the
  // system's own library search. Nothing when it is found nowhere or cannot be loaded.
  static std::unique_ptr<TSharedLibrary> Open(const std::string& fileName,
                                              const std::vector<std::string>& folders = {});
  ~TSharedLibrary();
  TSharedLibrary(const TSharedLibrary&) = delete;
  TSharedLibrary& operator=(const TSharedLibrary&) = delete;

  // The entry point `name` as a function of type F, or null when the library lacks it.
  template <class F>
  F* Entry(const char* name) const {
    return reinterpret_cast<F*>(Symbol(name));
  }

 private:
  explicit TSharedLibrary(void* handle) : Handle(handle) {}
  void* Symbol(const char* name) const;

  void* Handle;
};

}  // namespace lumox
