#pragma once
// The Tagged Image File Format reader, which loads the first image of a file strip by strip
// through the colour manager, and the encapsulated PostScript reader, which shows the TIFF
// preview that a binary EPS header points to.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "imageformats/Decoder.h"
#include "imageformats/FormatGraphic.h"

namespace lumox {

class TTIFFGraphic : public TFormatGraphic {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  // More than 8 bytes left, a byte-order mark, version 42 and a first directory that starts
  // inside the stream. The position is put back.
  static bool CanLoad(TStream& stream);
  // Reads the header at BasePosition and the directory of image `imageIndex`; false when the
  // header or directory is not understood or the image has no size. A stream that ends inside
  // them raises EReadError.
  bool ReadImageProperties(TStream& stream, std::uint32_t imageIndex) override;
  // Loads the first image from the stream's position. A tiled image loads as an empty bitmap.
  // A file the reader cannot show raises EInvalidGraphic; strips cut short by the end of the
  // stream are used as far as they go.
  void LoadFromStream(TStream& stream) override;
  // Writes nothing.
  void SaveToStream(TStream& stream) override;

 private:
  // One directory entry; `Field` holds the value-or-offset bytes as the file stores them.
  struct TIFDEntry {
    std::uint16_t Tag = 0;
    std::uint16_t DataType = 0;
    std::uint32_t DataLength = 0;
    std::array<std::uint8_t, 4> Field{};
  };

  bool BigEndian() const { return ImageProperties.Options.Contains(TImageOption::ioBigEndian); }
  // Numbers in the file's byte order: at `bytes`, and read from the stream.
  std::uint32_t Number(const std::uint8_t* bytes, unsigned width) const;
  std::uint32_t ReadNumber(unsigned width);
  void ReadDirectory(std::int64_t offset);

  // The tag routines; a tag of a type they do not know counts as absent.
  const TIFDEntry* FindTag(std::uint16_t tag) const;
  std::uint32_t GetValue(std::uint16_t tag, std::uint32_t defaultValue) const;
  float GetFloatValue(std::uint16_t tag, float defaultValue) const;
  void GetValueList(std::uint16_t tag, TCardinalArray& list) const;
  void GetValueList(std::uint16_t tag, TByteArray& list) const;
  void GetValueList(std::uint16_t tag, TFloatArray& list) const;
  // The bytes of at most `maxCount` of the entry's values, in file order.
  std::vector<std::uint8_t> RawValues(const TIFDEntry& entry, std::uint32_t maxCount) const;
  // One value as a number; a fraction with a zero denominator is NaN.
  double ValueAt(const TIFDEntry& entry, const std::uint8_t* bytes) const;
  // Every value of the tag as a number; none when it is absent.
  std::vector<double> Values(std::uint16_t tag) const;

  // A strip that holds rows of the image: where it lies relative to BasePosition, how many
  // bytes it has there and how many rows it gives.
  struct TStrip {
    std::uint32_t Index;
    std::int64_t Offset;
    std::int64_t Length;
    std::uint32_t Rows;
  };

  void CheckLayout() const;
  void SetUpColorManager();
  void LoadPalette();
  std::unique_ptr<TDecoder> CreateDecoder();
  std::vector<TStrip> PlanStrips(bool compressed);
  void LoadStrips(TStream& stream);
  // Undoes the predictor where there is one and converts `count` rows into the bitmap.
  void TransferRows(std::uint8_t* rows, std::uint32_t count, bool predicted);

  std::vector<TIFDEntry> IFD;
  std::uint32_t YCbCrPositioning = 1;
  TFloatArray YCbCrCoefficients;
};

class TEPSGraphic : public TTIFFGraphic {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  // More than 30 bytes left, the binary EPS magic, a TIFF preview behind the header and a
  // preview length above 0. The position is put back.
  static bool CanLoad(TStream& stream);
  // Reads the 30-byte header from the stream's position and loads the TIFF preview it points to.
  void LoadFromStream(TStream& stream) override;
};

}  // namespace lumox
