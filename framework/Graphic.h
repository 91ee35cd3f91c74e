#pragma once
// The graphic class family: the abstract picture object every reader derives from, the
// class descriptors the picture registry creates readers from, and the progress notification.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "framework/Stream.h"
#include "platform/GraphicsTypes.h"

namespace lumox {

enum class TProgressStage { Starting, Running, Ending };

class TBitmap;
class TGraphic;

// Sender, stage, percent (0..100), redraw now, the rectangle spoken of, a stage text.
using TProgressEvent = std::function<void(TGraphic& sender, TProgressStage stage, std::uint8_t percent,
                                          bool redrawNow, const TRect& rect, const std::string& message)>;

// What the registry keeps of a graphic class: its name and how to make an empty object of it.
// Classes are identified by the address of their descriptor.
struct TGraphicClass {
  std::string_view Name;
  std::unique_ptr<TGraphic> (*Create)();
};

class TGraphic {
 public:
  virtual ~TGraphic() = default;

  virtual const TGraphicClass& ClassType() const = 0;
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;

  virtual void LoadFromStream(TStream& stream) = 0;
  // Classes that cannot write raise EInvalidGraphic.
  virtual void SaveToStream(TStream& stream);
  // Opens the file read-only and loads it through LoadFromStream. Formats that need files
  // beside the picture override it to learn the name.
  virtual void LoadFromFile(const std::string& path);

  // Copies `source` into this object. The base asks the source to assign itself to this
  // object, and raises EConvertError when it cannot.
  virtual void Assign(const TGraphic& source);
  // Copies this object into `dest`; raises EConvertError where no conversion exists.
  virtual void AssignTo(TGraphic& dest) const;
  // The framework bitmap that holds this graphic's pixels just as AssignTo would give them, or
  // nullptr; a reader of the pixels takes them from there instead of from a copy.
  virtual const TBitmap* DecodedBitmap() const { return nullptr; }

  bool Transparent() const { return IsTransparent; }
  void SetTransparent(bool transparent) { IsTransparent = transparent; }

  TProgressEvent OnProgress;

 protected:
  void Progress(TProgressStage stage, std::uint8_t percent, bool redrawNow, const TRect& rect,
                const std::string& message);

 private:
  bool IsTransparent = false;
};

// Helper for the descriptor of class T.
template <class T>
std::unique_ptr<TGraphic> CreateGraphic() {
  return std::make_unique<T>();
}

// Windows metafiles are registered under their extensions, but they hold drawing records for the
// Windows graphics interface, not pixels: loading one raises EInvalidGraphic.
class TMetafile final : public TGraphic {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }
  bool Empty() const override { return true; }
  int Width() const override { return 0; }
  int Height() const override { return 0; }
  void LoadFromStream(TStream& stream) override;
};

}  // namespace lumox
