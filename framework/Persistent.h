#pragma once
// Objects a form file stores, and the filer that reads or writes them. Besides its published
// properties an object may keep properties of its own in the form (DefineProperties); a filer
// writing a form that inherits from another compares each object with its ancestor, the same
// object in the inherited form, and skips what is unchanged.
#include <functional>
#include <string_view>

#include "framework/Stream.h"

namespace lumox {

class TFiler;

class TPersistent {
 public:
  virtual ~TPersistent() = default;
  // Names the properties the object keeps in a form itself; the default keeps none.
  virtual void DefineProperties(TFiler& /*Filer*/) {}
};

class TFiler {
 public:
  using TStreamProc = std::function<void(TStream&)>;

  explicit TFiler(const TPersistent* Ancestor = nullptr) : FAncestor(Ancestor) {}
  virtual ~TFiler() = default;

  // The object the one being written inherits from; nullptr when it inherits nothing.
  const TPersistent* Ancestor() const { return FAncestor; }

  // A property kept as bytes: a reader hands them to `ReadData`; a writer writes what
  // `WriteData` writes, when `HasData` says there is something worth keeping.
  virtual void DefineBinaryProperty(std::string_view Name, const TStreamProc& ReadData,
                                    const TStreamProc& WriteData, bool HasData) = 0;

 private:
  const TPersistent* FAncestor;
};

}  // namespace lumox
