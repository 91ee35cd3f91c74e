#pragma once
// Portable Network Graphics files, read only: the chunks are walked with their CRCs checked, the
// image data inflated across any number of IDAT chunks, the row filters undone, Adam7
// interlacing resolved, and every row converted into the bitmap by the colour manager.
#include <array>
#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

#include "imageformats/FormatGraphic.h"
#include "imageformats/LZ77Decoder.h"

namespace lumox {

// The rows of one Adam7 pass, or of the whole image; the mask picks the pass's pixels of
// every group of eight columns.
struct TPNGPass {
  int StartRow, StartColumn, RowStep, ColumnStep;
  std::uint8_t Mask;
};

class TPNGGraphic : public TFormatGraphic {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  // At least 9 bytes from the position, the first 8 of them the PNG signature. The position
  // is kept.
  static bool CanLoad(TStream& stream);
  // The signature and IHDR, then the chunks up to gAMA (its gamma) or IEND. False for a file
  // that is no PNG file or has no pixels.
  bool ReadImageProperties(TStream& stream, std::uint32_t imageIndex) override;
  void LoadFromStream(TStream& stream) override;

  // From the tRNS chunk of an indexed image: the alpha of every index, 255 past the chunk's end.
  const TByteArray& TransparencyTable() const { return Transparency; }

 private:
  struct TChunkHeader {
    std::uint32_t Length = 0;
    std::array<std::uint8_t, 4> Type{};
  };

  void ReadChunkHeader();
  void SetChunkHeader(const std::uint8_t* bytes);
  // The type compared without the case bit of each letter.
  bool IsChunk(const char (&type)[5]) const;
  bool IsCritical() const { return (CurrentChunk.Type[0] & 0x20) == 0; }
  void LoadChunkData();
  void SkipChunk();

  void SetUpColorDepth();
  void ReadPaletteChunk();
  void ReadGammaChunk();
  void ReadBackgroundChunk();
  void ReadTransparencyChunk();
  // A grey sample, or three RGB samples, of the chunk data as a colour.
  TColor GreyColor() const;
  TColor SampleColor() const;

  void DecodeImageData();
  std::int64_t PassRowBytes(const TPNGPass& pass) const;
  void DecodePass(const TPNGPass& pass, std::vector<std::uint8_t>& rows, bool reportProgress);
  TBitmap BackgroundRow(int width) const;
  void FillBackground(const TBitmap& background, int fromRow);
  // The bytes inflated, and what stopped the image data short, if anything did.
  struct TInflated {
    std::int64_t Bytes = 0;
    std::exception_ptr Failure;
  };
  TInflated ReadInflated(std::uint8_t* buffer, std::int64_t count);
  bool TakeImageData();
  bool AppendSoundChunk();

  std::unique_ptr<TLZ77Decoder> Decoder;
  TChunkHeader CurrentChunk;
  std::uint32_t CRC = 0;
  // The data of the chunk last loaded; for image data, those of consecutive IDAT chunks, where
  // each of them ends, and how much of them the decoder consumed.
  std::vector<std::uint8_t> RawBuffer;
  std::vector<std::int64_t> ImageDataEnds;
  std::int64_t IDATSize = 0;
  std::int64_t CurrentSource = 0;
  int SourceBPP = 1;
  TPalette ImagePalette;  // empty: none
  TByteArray Transparency;
  TColor ChunkTransparentColor = 0;
  TColor BackgroundColor = 0;
  // Per load: the PLTE bytes, and how far the work has come.
  std::vector<std::uint8_t> PaletteData;
  bool DepthSetUp = false;
  bool ImageDecoded = false;
  int RowsDone = 0;
};

}  // namespace lumox
