#include "framework/Picture.h"

#include <algorithm>
#include <filesystem>

#include "framework/Bitmap.h"
#include "framework/Exceptions.h"
#include "framework/Icon.h"
#include "framework/JpegImage.h"

namespace lumox {
namespace {

std::string Lower(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(),
                 [](unsigned char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : char(c); });
  return result;
}

std::vector<TFileFormat>& Registry() {
  static std::vector<TFileFormat> formats{
      {"bmp", "Windows bitmaps", &TBitmap::Class()},
      {"dib", "Device independant Windows bitmaps", &TBitmap::Class()},
      {"rle", "Run length encoded Windows bitmaps", &TBitmap::Class()},
      {"ico", "Windows icons", &TIcon::Class()},
      {"wmf", "Windows metafiles", &TMetafile::Class()},
      {"emf", "Windows enhanced meta files", &TMetafile::Class()},
      {"jpg", "JPG images", &TJPEGImage::Class()},
      {"jpeg", "JPEG images", &TJPEGImage::Class()},
      {"jpe", "JPE images", &TJPEGImage::Class()},
      {"jfif", "JFIF images", &TJPEGImage::Class()},
  };
  return formats;
}

}  // namespace

void TPicture::RegisterFileFormat(std::string_view extension, std::string_view description,
                                  const TGraphicClass& graphicClass) {
  TFileFormat format{Lower(extension), std::string(description), &graphicClass};
  auto& formats = Registry();
  const auto known = std::find_if(formats.begin(), formats.end(),
                                  [&](const TFileFormat& f) { return f.Extension == format.Extension; });
  if (known != formats.end()) {
    *known = std::move(format);
  } else {
    formats.push_back(std::move(format));
  }
}

void TPicture::UnregisterGraphicClass(const TGraphicClass& graphicClass) {
  std::erase_if(Registry(), [&](const TFileFormat& f) { return f.GraphicClass == &graphicClass; });
}

const TGraphicClass* TPicture::GraphicClassOf(std::string_view extension) {
  const std::string wanted = Lower(extension);
  for (const TFileFormat& f : Registry()) {
    if (f.Extension == wanted) return f.GraphicClass;
  }
  return nullptr;
}

std::vector<TFileFormat> TPicture::FileFormats() { return Registry(); }

void TPicture::LoadFromFile(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  if (!extension.empty()) extension.erase(0, 1);
  const TGraphicClass* graphicClass = extension.empty() ? nullptr : GraphicClassOf(extension);
  if (graphicClass == nullptr) throw EInvalidGraphic("Unknown picture file extension (." + extension + ")");
  std::unique_ptr<TGraphic> graphic = graphicClass->Create();
  graphic->OnProgress = OnProgress;
  graphic->LoadFromFile(path);
  Current = std::move(graphic);
}

TBitmap& TPicture::Bitmap() {
  if (auto* bitmap = dynamic_cast<TBitmap*>(Current.get())) return *bitmap;
  Current = std::make_unique<TBitmap>();
  return static_cast<TBitmap&>(*Current);
}

}  // namespace lumox
