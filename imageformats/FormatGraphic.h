#pragma once
// The base of every picture-file reader: a framework bitmap with a colour manager, the header
// record a reader fills without reading pixels, the class-level test whether a class can read
// a stream, and the error raisers the readers share.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Bitmap.h"
#include "framework/Stream.h"
#include "imageformats/ColorManager.h"
#include "imageformats/FlagSet.h"
#include "imageformats/FormatTexts.h"

namespace lumox {

enum class TImageOption : std::uint8_t {
  ioTiled,       // TIFF tiles
  ioBigEndian,   // big-endian file
  ioMinIsWhite,  // the minimum sample value is white
  ioReversed,    // bits within a byte run from the least significant one
  ioUseGamma,    // the file's gamma was applied
};
using TImageOptions = TFlagSet<TImageOption>;

// Compression of the pixel data.
enum class TCompressionType : std::uint8_t {
  ctUnknown,  // unknown or unsupported
  ctNone,
  ctRLE,  // run-length (Targa and similar)
  ctPackedBits,
  ctLZW,
  ctFaxCCITT3,  // CCITT group 3 fax
  ctFaxRLE,     // CCITT modified Huffman
  ctFaxCCITT4,  // CCITT group 4 fax
  ctFaxRLEW,    // CCITT modified Huffman, word aligned
  ctLZ77,       // deflate
  ctJPEG,
  ctOJPEG,  // old-style JPEG
  ctThunderscan,
  ctNext,      // NeXT 2-bit run-length
  ctIT8CTPAD,  // IT8 CT with padding
  ctIT8LW,     // IT8 line work
  ctIT8MP,     // IT8 monochrome picture
  ctIT8BL,     // IT8 binary line art
  ctPixarFilm,
  ctPixarLog,
  ctDCS,  // Kodak DCS
  ctJBIG,
  ctPCDHuffmann,  // Photo-CD Huffman
};

using TCardinalArray = std::vector<std::uint32_t>;
using TByteArray = std::vector<std::uint8_t>;
using TFloatArray = std::vector<float>;

// What a reader learns from a file's header. Readers set the fields their format has; the
// others keep the reset values (zero, FileGamma 1).
struct TImageProperties {
  std::uint32_t Version = 0;
  TImageOptions Options;
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  TColorScheme ColorScheme = TColorScheme::schUnknown;
  std::uint8_t BitsPerSample = 0;
  std::uint8_t SamplesPerPixel = 0;
  std::uint8_t BitsPerPixel = 0;
  TCompressionType Compression = TCompressionType::ctUnknown;
  float FileGamma = 1.0f;
  float XResolution = 0;  // pixels per inch
  float YResolution = 0;
  bool Interlaced = false;
  bool HasAlpha = false;

  // TIFF
  std::uint32_t FirstIFD = 0;
  std::uint32_t PlanarConfig = 0;
  std::uint32_t CurrentRow = 0;
  std::uint32_t TileWidth = 0;
  std::uint32_t TileLength = 0;
  std::uint32_t BytesPerLine = 0;
  TCardinalArray RowsPerStrip;
  TByteArray YCbCrSubsampling;
  TByteArray JPEGTables;
  std::uint32_t JPEGColorMode = 0;
  std::uint32_t JPEGTablesMode = 0;
  std::uint32_t CurrentStrip = 0;
  std::uint32_t StripCount = 0;
  std::uint32_t Predictor = 0;

  // Photo-CD
  bool Overview = false;
  std::uint8_t Rotation = 0;
  std::uint16_t ImageCount = 0;
  // RLA: the first stored row is the bottom one.
  bool BottomUp = false;
  // Photoshop: channels as the file states them.
  std::uint16_t Channels = 0;
  // PNG
  std::uint8_t FilterMethod = 0;
};

class TFormatGraphic : public TBitmap {
 public:
  // Class-level: can this class read the bytes at the stream's position? Every format hides
  // this with its own answer, and puts the position back whatever it answers. The base: no.
  static bool CanLoad(TStream& stream);

  // Resets ImageProperties and answers false. A format first calls this, then reads the header
  // of image `imageIndex` (0 the first) and answers whether it understood it. The stream is
  // left wherever reading stopped.
  virtual bool ReadImageProperties(TStream& stream, std::uint32_t imageIndex);

  // From another reader: its image properties too; then the framework bitmap's Assign.
  void Assign(const TGraphic& source) override;

  // An EInvalidGraphic with `message`, or with a format text filled with `arguments`
  // (usually the format's short name).
  [[noreturn]] static void RaiseGraphicError(const std::string& message);
  [[noreturn]] static void RaiseGraphicError(TFormatText format,
                                             std::initializer_list<std::string_view> arguments);

  // Readers fill both; callers may read them after a load.
  TColorManager ColorManager;
  TImageProperties ImageProperties;

 protected:
  // Where the image data begin; a reader stores it at the start of loading.
  std::int64_t BasePosition = 0;
  // The stream being read, for readers that read it piece by piece (not owned).
  TStream* Stream = nullptr;
  // The rows the current progress report speaks of.
  TRect ProgressRect;

  // The opening of every load: releases the image, notes the stream and where its data begin,
  // and reads the properties of image `imageIndex`; answers what ReadImageProperties answers.
  bool BeginLoad(TStream& stream, std::uint32_t imageIndex = 0);

  // Progress reports: a stage with its caption begins, the current stage ends, and a row is
  // done at `percent` (ProgressRect then moves down one row).
  void StartStage(TFormatText caption);
  void EndStage();
  void ReportRow(std::uint8_t percent);
  // ReportRow for row `row` of the bitmap's rows, counted from 0: its share of the height,
  // rounded to the nearest percent (halves to even).
  void RowDone(std::int64_t row);

  // SetSizeForOverwrite for a reader that converts every row through the colour manager, which
  // streams the rows of a bitmap far larger than the processor's caches.
  void SetSizeForRows(int width, int height);

  // Shows the pixels through the file's gamma, against a display gamma of 2.2.
  void ApplyFileGamma(float gamma);
  // Rows `first` to `end` - 1 become zero, as a new bitmap's are: for a reader that sized the
  // bitmap for overwriting and did not reach them.
  void ClearRows(int first, int end);
};

// Class-level CanLoad for a file: opens it read-only and asks Format::CanLoad of the stream.
template <class Format>
bool CanLoadFile(const std::string& fileName) {
  TFileStream stream(fileName, TFileMode::Read);
  return Format::CanLoad(stream);
}

// Puts a stream back at the position it had when the guard was made, also when a read raises.
class TStreamPositionGuard {
 public:
  explicit TStreamPositionGuard(TStream& stream) : Stream(stream), Position(stream.Position()) {}
  ~TStreamPositionGuard() { Stream.SetPosition(Position); }
  TStreamPositionGuard(const TStreamPositionGuard&) = delete;
  TStreamPositionGuard& operator=(const TStreamPositionGuard&) = delete;

 private:
  TStream& Stream;
  std::int64_t Position;
};

// Reads `count` bytes at the stream's position without moving it; false when fewer are there.
bool PeekBuffer(TStream& stream, void* buffer, std::int64_t count);

}  // namespace lumox
