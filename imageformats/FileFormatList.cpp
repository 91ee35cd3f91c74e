#include "imageformats/FileFormatList.h"

#include <algorithm>
#include <initializer_list>

#include "framework/Bitmap.h"
#include "framework/Exceptions.h"
#include "framework/Icon.h"
#include "framework/JpegImage.h"
#include "framework/Picture.h"
#include "imageformats/AutodeskGraphic.h"
#include "imageformats/CUTGraphic.h"
#include "imageformats/FormatTexts.h"
#include "imageformats/PCDGraphic.h"
#include "imageformats/PCXGraphic.h"
#include "imageformats/PNGGraphic.h"
#include "imageformats/PPMGraphic.h"
#include "imageformats/PSDGraphic.h"
#include "imageformats/PSPGraphic.h"
#include "imageformats/RLAGraphic.h"
#include "imageformats/ReaderSupport.h"
#include "imageformats/SGIGraphic.h"
#include "imageformats/TIFFGraphic.h"
#include "imageformats/TargaGraphic.h"

namespace lumox {
namespace {

template <class TEntry, class TPredicate>
int IndexOf(const std::vector<std::unique_ptr<TEntry>>& list, TPredicate predicate) {
  const auto found =
      std::find_if(list.begin(), list.end(), [&](const auto& entry) { return predicate(*entry); });
  return found == list.end() ? -1 : int(found - list.begin());
}

using TClassGetter = const TGraphicClass& (*)();

// One registration of the start-up table; a text of 0 is an empty text.
struct TRegistration {
  std::string_view Extension;
  TFormatText Common;
  TFormatText Individual;
  TFileTypes FileTypes;
  TClassGetter GraphicClass;
};

constexpr TFormatText NoText{};
constexpr TFileTypes Raster{TFileType::ftRaster};
constexpr TFileTypes Vector{TFileType::ftVector};
constexpr TFileTypes RasterPages{TFileType::ftMultiImage, TFileType::ftRaster};
constexpr TFileTypes LayeredRaster{TFileType::ftLayered, TFileType::ftRaster};
constexpr TFileTypes RasterVector{TFileType::ftRaster, TFileType::ftVector};

using enum TFormatText;

// The start-up registrations, in the order in which the open-picture filters list them.
// A reader adds one row per extension at its place in this order:
//   bmp ico wmf emf jfif jpg jpe jpeg rle dib | Targa: win vst vda tga icb | TIFF: tiff tif fax
//   | EPS: eps | PCX: pcx pcc scr | RLA: rpf rla | SGI: sgi rgba rgb bw | Photoshop: psd pdd
//   | portable maps: ppm pgm pbm | Autodesk: cel pic | Photo-CD: pcd | CUT: cut
//   | Paint Shop Pro: psp | PNG: png
const TRegistration Registrations[] = {
    {"bmp", SWindowsBitmaps, NoText, Raster, &TBitmap::Class},
    {"ico", SWindowsIcons, NoText, Raster, &TIcon::Class},
    {"wmf", SWindowsMetafiles, NoText, Vector, &TMetafile::Class},
    {"emf", SWindowsMetafiles, SEnhancedMetafiles, Vector, &TMetafile::Class},
    {"jfif", SJPGImages, SJFIFImages, Raster, &TJPEGImage::Class},
    {"jpg", NoText, SJPGImages, Raster, &TJPEGImage::Class},
    {"jpe", NoText, SJPEImages, Raster, &TJPEGImage::Class},
    {"jpeg", NoText, SJPEGImages, Raster, &TJPEGImage::Class},
    {"rle", SWindowsBitmaps, SRLEWindowsBitmaps, Raster, &TBitmap::Class},
    {"dib", NoText, SDIBWindowsBitmaps, Raster, &TBitmap::Class},
    {"win", STruevisionImages, NoText, Raster, &TTargaGraphic::Class},
    {"vst", NoText, NoText, Raster, &TTargaGraphic::Class},
    {"vda", NoText, NoText, Raster, &TTargaGraphic::Class},
    {"tga", NoText, NoText, Raster, &TTargaGraphic::Class},
    {"icb", NoText, NoText, Raster, &TTargaGraphic::Class},
    {"tiff", STIFFImages, SMacTIFFImages, RasterPages, &TTIFFGraphic::Class},
    {"tif", NoText, SPCTIFImages, RasterPages, &TTIFFGraphic::Class},
    {"fax", NoText, SGFIFaxImages, RasterPages, &TTIFFGraphic::Class},
    {"eps", SEPSImages, NoText, Raster, &TEPSGraphic::Class},
    {"pcx", SZSoftImages, NoText, Raster, &TPCXGraphic::Class},
    {"pcc", NoText, NoText, Raster, &TPCXGraphic::Class},
    {"scr", NoText, SWordScreenCaptureImages, Raster, &TPCXGraphic::Class},
    {"rpf", SAliasWavefrontImages, NoText, Raster, &TRLAGraphic::Class},
    {"rla", NoText, NoText, Raster, &TRLAGraphic::Class},
    {"sgi", SSGIImages, SSGITrueColorImages, Raster, &TSGIGraphic::Class},
    {"rgba", NoText, SSGITrueColorAlphaImages, Raster, &TSGIGraphic::Class},
    {"rgb", NoText, SSGITrueColorImages, Raster, &TSGIGraphic::Class},
    {"bw", NoText, SSGIBlackWhiteImages, Raster, &TSGIGraphic::Class},
    {"psd", SPhotoshopImages, NoText, LayeredRaster, &TPSDGraphic::Class},
    {"pdd", NoText, NoText, LayeredRaster, &TPSDGraphic::Class},
    {"ppm", SPortableMapImages, SPortablePixelMapImages, Raster, &TPPMGraphic::Class},
    {"pgm", NoText, SPortableGrayMapImages, Raster, &TPPMGraphic::Class},
    {"pbm", NoText, SPortableBitmapImages, Raster, &TPPMGraphic::Class},
    {"cel", SAutodeskImages, NoText, Raster, &TAutodeskGraphic::Class},
    {"pic", SAutodeskImages, NoText, Raster, &TAutodeskGraphic::Class},
    {"pcd", SKodakPhotoCDImages, NoText, Raster, &TPCDGraphic::Class},
    {"cut", SDrHaloImages, NoText, Raster, &TCUTGraphic::Class},
    {"psp", SPaintshopProImages, NoText, RasterVector, &TPSPGraphic::Class},
    {"png", SPortableNetworkGraphicImages, NoText, Raster, &TPNGGraphic::Class},
};

// The reader classes unregistered one by one at shut-down, before the bitmap's extra
// extensions, in this order: Paint Shop Pro, Photoshop, Targa, TIFF, SGI, PCX, Autodesk,
// Photo-CD, portable maps, CUT, RLA. The list's Clear takes the rest (EPS among them).
const std::initializer_list<TClassGetter> ReadersUnregisteredFirst = {
    &TPSPGraphic::Class,
    &TPSDGraphic::Class,
    &TTargaGraphic::Class,
    &TTIFFGraphic::Class,
    &TSGIGraphic::Class,
    &TPCXGraphic::Class,
    &TAutodeskGraphic::Class,
    &TPCDGraphic::Class,
    &TPPMGraphic::Class,
    &TCUTGraphic::Class,
    &TRLAGraphic::Class,
};
// Unregistered after the bitmap's extra extensions: PNG.
const std::initializer_list<TClassGetter> ReadersUnregisteredLast = {&TPNGGraphic::Class};

void RegisterAll(TFileFormatList& list) {
  for (const TRegistration& r : Registrations) {
    list.RegisterFileFormat(r.Extension, LoadFormatText(r.Common), LoadFormatText(r.Individual), r.FileTypes,
                            false, r.GraphicClass());
  }
}

void UnregisterAll(TFileFormatList& list) {
  for (const TClassGetter graphicClass : ReadersUnregisteredFirst)
    list.UnregisterFileFormat({}, graphicClass());
  list.UnregisterFileFormat("rle", TBitmap::Class());
  list.UnregisterFileFormat("dib", TBitmap::Class());
  for (const TClassGetter graphicClass : ReadersUnregisteredLast)
    list.UnregisterFileFormat({}, graphicClass());
}

// The framework's icon class shows PNG images through the PNG reader.
void ReadIconPng(TStream& stream, TBitmap& bitmap) {
  TPNGGraphic png;
  png.LoadFromStream(stream);
  bitmap.Assign(png);
}

int StartCount = 0;
std::unique_ptr<TFileFormatList> TheList;

}  // namespace

TFileFormatList::~TFileFormatList() { Clear(); }

void TFileFormatList::Clear() {
  for (const auto& entry : Classes) TPicture::UnregisterGraphicClass(*entry->GraphicClass);
  Classes.clear();
  Extensions.clear();
}

int TFileFormatList::FindExtension(std::string_view extension) const {
  if (extension.empty()) return -1;
  const std::string wanted = AsciiLower(extension);
  return IndexOf(Extensions, [&](const TExtensionEntry& e) { return AsciiLower(e.Extension) == wanted; });
}

int TFileFormatList::FindGraphicClass(const TGraphicClass& graphicClass) const {
  return IndexOf(Classes, [&](const TClassEntry& e) { return e.GraphicClass == &graphicClass; });
}

TClassEntry& TFileFormatList::ClassEntryFor(const TGraphicClass& graphicClass, std::string_view common) {
  const int index = FindGraphicClass(graphicClass);
  TClassEntry& entry =
      index >= 0 ? *Classes[std::size_t(index)]
                 : *Classes.emplace_back(std::make_unique<TClassEntry>(TClassEntry{&graphicClass, {}, 0}));
  if (!common.empty()) entry.Description = common;
  ++entry.Count;
  return entry;
}

void TFileFormatList::RemoveClassEntry(const TClassEntry& entry) {
  std::erase_if(Classes, [&](const auto& e) { return e.get() == &entry; });
}

void TFileFormatList::RegisterFileFormat(std::string_view extension, std::string_view common,
                                         std::string_view individual, TFileTypes fileTypes, bool replace,
                                         const TGraphicClass& graphicClass) {
  if (extension.empty()) return;
  const int index = FindExtension(extension);
  TExtensionEntry* entry = nullptr;
  if (index < 0) {
    entry = Extensions
                .emplace_back(std::make_unique<TExtensionEntry>(
                    TExtensionEntry{std::string(extension), std::string(individual), fileTypes, nullptr}))
                .get();
    entry->ClassReference = &ClassEntryFor(graphicClass, common);
  } else if (!replace) {
    throw EInvalidGraphic(FormatText(TFormatText::SRegisterTwice, {extension}));
  } else {
    entry = Extensions[std::size_t(index)].get();
    TClassEntry* old = entry->ClassReference;
    if (old->GraphicClass != &graphicClass) {
      entry->ClassReference = &ClassEntryFor(graphicClass, common);
      if (--old->Count == 0) RemoveClassEntry(*old);
    }
  }
  const std::string& description =
      entry->Description.empty() ? entry->ClassReference->Description : entry->Description;
  TPicture::RegisterFileFormat(extension, description, graphicClass);
}

void TFileFormatList::UnregisterFileFormat(std::string_view extension, const TGraphicClass& graphicClass) {
  if (extension.empty()) {
    const int index = FindGraphicClass(graphicClass);
    if (index < 0) return;
    TClassEntry* entry = Classes[std::size_t(index)].get();
    for (std::size_t i = Extensions.size(); i-- > 0 && entry->Count > 0;) {
      if (Extensions[i]->ClassReference == entry) {
        Extensions.erase(Extensions.begin() + std::ptrdiff_t(i));
        --entry->Count;
      }
    }
    RemoveClassEntry(*entry);
    TPicture::UnregisterGraphicClass(graphicClass);
    return;
  }
  const int index = FindExtension(extension);
  if (index < 0) return;
  TClassEntry* entry = Extensions[std::size_t(index)]->ClassReference;
  if (--entry->Count == 0) {
    TPicture::UnregisterGraphicClass(*entry->GraphicClass);
    RemoveClassEntry(*entry);
  }
  Extensions.erase(Extensions.begin() + index);
}

void StartUpImageFormats() {
  if (StartCount++ > 0) return;
  TheList = std::make_unique<TFileFormatList>();
  RegisterAll(*TheList);
  TIcon::SetPngReader(&ReadIconPng);
}

void ShutDownImageFormats() {
  if (StartCount == 0 || --StartCount > 0) return;
  UnregisterAll(*TheList);
  TheList.reset();
  TIcon::SetPngReader(nullptr);
}

TFileFormatList* FileFormatList() { return TheList.get(); }

}  // namespace lumox
