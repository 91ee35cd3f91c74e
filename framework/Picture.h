#pragma once
// The picture: holds one graphic and loads a file by name through the graphic class registered
// for its extension. The registry is process-wide and starts with the framework's own classes
// (bmp, dib, rle, jpg, jpeg, jpe, jfif, ico, wmf, emf).
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Graphic.h"

namespace lumox {

class TBitmap;

struct TFileFormat {
  std::string Extension;  // lower case, without the dot
  std::string Description;
  const TGraphicClass* GraphicClass = nullptr;
};

class TPicture {
 public:
  // Registers `graphicClass` for `extension` (without dot, any case); an extension registered
  // before is taken over by the new class.
  static void RegisterFileFormat(std::string_view extension, std::string_view description,
                                 const TGraphicClass& graphicClass);
  // Drops every extension registered for exactly this class.
  static void UnregisterGraphicClass(const TGraphicClass& graphicClass);
  // The class registered for `extension` (any case), nullptr when there is none.
  static const TGraphicClass* GraphicClassOf(std::string_view extension);
  static std::vector<TFileFormat> FileFormats();

  // Creates the graphic registered for the file's extension and loads the file into it. An
  // unknown extension raises EInvalidGraphic; a failed load passes its exception on and
  // leaves the picture as it was.
  void LoadFromFile(const std::string& path);

  TGraphic* Graphic() const { return Current.get(); }
  int Width() const { return Current ? Current->Width() : 0; }
  int Height() const { return Current ? Current->Height() : 0; }
  // The graphic as a bitmap; any other graphic, or none, is replaced by an empty bitmap first.
  TBitmap& Bitmap();

  // Given to every graphic the picture loads.
  TProgressEvent OnProgress;

 private:
  std::unique_ptr<TGraphic> Current;
};

}  // namespace lumox
