#pragma once
// The registry of picture-file extensions: for each extension a description, file-kind flags
// and the class that reads it, grouped by class. Every registration is passed on to the
// framework's picture registry, which is what makes a file load with the right reader.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Graphic.h"
#include "imageformats/FlagSet.h"

namespace lumox {

enum class TFileType : std::uint8_t {
  ftLayered = 1,
  ftMultiImage = 2,
  ftRaster = 3,
  ftVector = 4,
};
using TFileTypes = TFlagSet<TFileType>;

struct TClassEntry {
  const TGraphicClass* GraphicClass = nullptr;
  std::string Description;  // common to the class's extensions
  int Count = 0;            // extension entries referring to this entry
};

struct TExtensionEntry {
  std::string Extension;    // without dot, as registered
  std::string Description;  // its own, may be empty
  TFileTypes FileTypes;
  TClassEntry* ClassReference = nullptr;
};

class TFileFormatList {
 public:
  TFileFormatList() = default;
  TFileFormatList(const TFileFormatList&) = delete;
  TFileFormatList& operator=(const TFileFormatList&) = delete;
  ~TFileFormatList();

  // Unregisters every class from the framework and empties both lists.
  void Clear();

  // Index of the extension (ASCII case-insensitive), -1 when absent or empty.
  int FindExtension(std::string_view extension) const;
  // Index of the class entry of exactly this class, -1 when absent.
  int FindGraphicClass(const TGraphicClass& graphicClass) const;

  // Registers `extension` for `graphicClass`; `common` (when not empty) becomes the class's
  // description, `individual` the extension's own. An extension registered before raises
  // EInvalidGraphic, unless `replace` is set: then it moves to the new class.
  void RegisterFileFormat(std::string_view extension, std::string_view common, std::string_view individual,
                          TFileTypes fileTypes, bool replace, const TGraphicClass& graphicClass);
  // Removes one extension, or, with an empty extension, the class with all its extensions.
  // Unknown extensions and classes change nothing.
  void UnregisterFileFormat(std::string_view extension, const TGraphicClass& graphicClass);

  // In order of first registration.
  const std::vector<std::unique_ptr<TClassEntry>>& ClassList() const { return Classes; }
  // In order of registration.
  const std::vector<std::unique_ptr<TExtensionEntry>>& ExtensionList() const { return Extensions; }

 private:
  TClassEntry& ClassEntryFor(const TGraphicClass& graphicClass, std::string_view common);
  void RemoveClassEntry(const TClassEntry& entry);

  std::vector<std::unique_ptr<TClassEntry>> Classes;
  std::vector<std::unique_ptr<TExtensionEntry>> Extensions;
};

// Starts the picture formats: the first call creates the list, registers every reader and gives
// the framework's icon class the PNG reader. Further calls only count; each needs its
// ShutDownImageFormats.
void StartUpImageFormats();
// The last call after the starts unregisters the readers and frees the list.
void ShutDownImageFormats();
// The list while the picture formats are started, else nullptr.
TFileFormatList* FileFormatList();

}  // namespace lumox
