#pragma once
// The colour manager: turns rows of decoded samples, as a picture reader produces them, into
// rows of the framework bitmap's pixel layout, and builds the palettes of indexed and grey
// images. Every picture reader owns one for its whole life.
//
// A reader describes the source rows (scheme, bits per sample, samples per pixel, options) and
// the target rows, asks GetPixelFormat(1) for the bitmap's format, makes a palette where the
// image is indexed or grey, then hands over the image row by row through ConvertRow.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "framework/Bitmap.h"
#include "imageformats/FlagSet.h"
#include "imageformats/RowVectors.h"
#include "platform/Exception.h"

namespace lumox {

// The samples of a pixel, in stored order.
enum class TColorScheme : std::uint8_t {
  schUnknown,    // never converted
  schIndexed,    // one palette index
  schGray,       // one grey level
  schGrayAlpha,  // grey, alpha
  schRGB,        // red, green, blue
  schRGBAlpha,   // red, green, blue, alpha
  schBGR,        // blue, green, red: the framework bitmap's order
  schBGRAlpha,   // blue, green, red, alpha
  schCMY,        // cyan, magenta, yellow (no conversion exists for it)
  schCMYK,       // cyan, magenta, yellow, black
  schCIELab,     // CIE L*, a*, b*
  schYCbCr,      // luma, blue and red difference centred on 128
  schPhotoYCC,   // Photo-CD luma and two chroma samples centred on 156 and 137
};

enum class TConversionOption : std::uint8_t {
  optAlpha,            // the pixel carries alpha after its colour; set by PrepareConversion from the schemes
  optApplyGamma,       // target: 8-bit colour values pass through the gamma table
  optByteSwap,         // source: 16-bit samples are stored with their bytes exchanged
  optLabByteRange,     // source: L* runs 0..255 (else 0..100)
  optLabChromaOffset,  // source: a* and b* are unsigned with 128 as zero (else signed bytes)
};
using TConversionOptions = TFlagSet<TConversionOption>;

// Layout of raw palette data given to CreateColorPalette: one buffer of interleaved entries,
// or three buffers (red, green, blue planes).
enum class TPaletteLayout : std::uint8_t {
  plTriple8,       // entries of three bytes
  plQuad8,         // entries of four bytes, the fourth skipped
  plPlanes8,       // planes of bytes
  plPlanes8Quad,   // as plPlanes8
  plTriple16,      // entries of three 16-bit words
  plQuad16,        // entries of four words, the fourth skipped
  plPlanes16,      // planes of words
  plPlanes16Quad,  // as plPlanes16
};

class EColorConversionError : public ELumox {
 public:
  using ELumox::ELumox;
};

// 0 below 0, 255 above 255, else the value.
constexpr std::uint8_t ClampByte(std::int32_t value) {
  return value < 0 ? 0 : value > 255 ? 255 : std::uint8_t(value);
}

// a·b div c with the product in 32 bits.
constexpr std::uint16_t MulDiv16(std::uint16_t a, std::uint16_t b, std::uint16_t c) {
  return std::uint16_t(std::uint32_t(a) * b / c);
}

class TColorManager {
 public:
  // A buffer a conversion may read, and one it may write.
  using TConstBytes = std::span<const std::uint8_t>;
  using TBytes = std::span<std::uint8_t>;

  TColorManager();

  TColorScheme SourceColorScheme() const { return SourceScheme; }
  TColorScheme TargetColorScheme() const { return TargetScheme; }
  int SourceBitsPerSample() const { return SourceBits; }
  int TargetBitsPerSample() const { return TargetBits; }
  int SourceSamplesPerPixel() const { return SourceSamples; }
  int TargetSamplesPerPixel() const { return TargetSamples; }

  // Each setter marks the manager changed only when the value differs. Widths outside 1..16
  // and sample counts outside 1..4 raise EColorConversionError and change nothing.
  void SetSourceColorScheme(TColorScheme scheme);
  void SetTargetColorScheme(TColorScheme scheme);
  void SetSourceBitsPerSample(int bits);
  void SetTargetBitsPerSample(int bits);
  void SetSourceSamplesPerPixel(int samples);
  void SetTargetSamplesPerPixel(int samples);
  // One side's whole description: samples per pixel, bits per sample, then scheme.
  void SetSource(TColorScheme scheme, int bitsPerSample, int samplesPerPixel);
  void SetTarget(TColorScheme scheme, int bitsPerSample, int samplesPerPixel);

  // Readers assign these directly. optAlpha is overwritten by every preparation.
  TConversionOptions SourceOptions;
  TConversionOptions TargetOptions;
  // Set for a target far larger than the processor's caches: rows of planes are then written
  // past the caches where the processor allows, which spares fetching what they overwrite. The
  // bytes are the same either way.
  bool StreamRows = false;

  // The bitmap format of the source description (index 0) or the target one (any other index).
  TPixelFormat GetPixelFormat(int index) const;

  // Chooses the row converter for the current description. Raises when exactly one side is
  // indexed or grey; finding no converter is not an error here.
  void PrepareConversion();

  // Converts one row span. `source` is one buffer of interleaved samples, or one buffer per
  // plane (alpha last); each span covers the bytes that may be read. `target` starts at the
  // span's first pixel and covers the bytes that may be written. `count` is the number of
  // target pixels; `mask` picks the pixels produced in every group of eight (bit 7 the first,
  // 0xFF all), and the source holds samples for the produced pixels only. Pixels not produced
  // keep their bytes. Source and target must not overlap. Prepares first when the description
  // changed; raises EColorConversionError when no converter fits, or when a buffer is too small
  // for what the conversion would touch (then nothing is written).
  void ConvertRow(std::span<const TConstBytes> source, TBytes target, std::size_t count, std::uint8_t mask);
  void ConvertRow(TConstBytes source, TBytes target, std::size_t count, std::uint8_t mask);

  // A palette of min(colorCount, 256) entries from raw palette data, fitted to the target
  // index width (an index of the source width v becomes v·(2^target−1) div (2^source−1), as
  // the row converters make it). Entries the data does not hold are black.
  TPalette CreateColorPalette(std::span<const TConstBytes> data, TPaletteLayout layout,
                              std::size_t colorCount, bool bgrOrder) const;
  TPalette CreateColorPalette(TConstBytes data, TPaletteLayout layout, std::size_t colorCount,
                              bool bgrOrder) const;
  // Grey entries for the target width, dark to light (light to dark when minimumIsWhite).
  TPalette CreateGrayscalePalette(bool minimumIsWhite) const;

  // Stores both gammas (a value that is not a positive number means the default, 1.0 and 2.2)
  // and rebuilds the gamma table for the widths in force now.
  void SetGamma(float mainGamma, float displayGamma);
  float MainGamma() const { return Main; }
  float DisplayGamma() const { return Display; }
  const std::array<std::uint8_t, 256>& GammaTable() const { return Gamma; }

  // Luma weights of red, green and blue (fewer values change fewer weights; weights that are
  // not finite or not within 0..1 leave the weights as they were) and the chroma subsampling
  // (1, 2 or 4, vertical at most horizontal; else EColorConversionError). The weights reach the
  // conversion at the next preparation.
  void SetYCbCrParameters(std::span<const float> values, int hSubsampling, int vSubsampling);
  const std::array<float, 3>& YCbCrCoefficients() const { return Coefficients; }
  int HSubsampling() const { return HorizontalSubsampling; }
  int VSubsampling() const { return VerticalSubsampling; }

  // The chroma tables of the last preparation for schYCbCr or schPhotoYCC (empty before).
  std::span<const std::int32_t> CrToRedTable() const { return CrToRed; }
  std::span<const std::int32_t> CbToBlueTable() const { return CbToBlue; }
  std::span<const std::int32_t> CrToGreenTable() const { return CrToGreen; }
  std::span<const std::int32_t> CbToGreenTable() const { return CbToGreen; }

  // True until the description has been prepared.
  bool Changed() const { return IsChanged; }

 private:
  // One call of a converter, after the size checks.
  struct TRow {
    std::array<const std::uint8_t*, 4> Source{};
    bool Planar = false;
    std::uint8_t* Target = nullptr;
    std::size_t Count = 0;
    std::uint8_t Mask = 0xFF;
  };
  using TRowConverter = void (TColorManager::*)(const TRow& row) const;

  // What a converter touches, for the size checks.
  enum class TPlaneRule : std::uint8_t { Never, SeveralBuffers, FourBuffers };
  struct TRowShape {
    bool Writes = false;  // false: the widths are not handled and nothing is touched
    TPlaneRule Planes = TPlaneRule::Never;
    int SourceSamples = 0;  // interleaved samples per produced pixel
    int PlanesRead = 0;     // planes read from planar sources
    int TargetSamples = 0;  // target samples per pixel
  };

  void InitializeYCbCr();
  TRowShape RowShape() const;
  TRow CheckedRow(std::span<const TConstBytes> source, TBytes target, std::size_t count,
                  std::uint8_t mask) const;

  // The converter families; the named converters differ only in these flags.
  // `sourceBits` stands for SourceBits, so that reduced samples can take the byte path.
  void ConvertColourRow(const TRow& row, bool swapRedBlue, int sourceBits) const;
  void ConvertCMYKRow(const TRow& row, bool toBGR) const;
  void ConvertLabRow(const TRow& row, bool toBGR) const;
  void ConvertLumaChromaRow(const TRow& row, bool toBGR) const;
  // Red, green and blue of 16-bit luma and chroma samples.
  static std::array<std::uint32_t, 3> PhotoYCCToRGB16(std::uint32_t y, std::uint32_t c1, std::uint32_t c2);
  std::array<std::uint32_t, 3> YCbCrToRGB16(std::uint32_t y, std::uint32_t cb, std::uint32_t cr) const;

  void RowFromRGBToRGB(const TRow& row) const;
  void RowFromRGBToBGR(const TRow& row) const;
  void RowFromBGRToRGB(const TRow& row) const;
  void RowFromBGRToBGR(const TRow& row) const;
  void RowFromCMYKToRGB(const TRow& row) const;
  void RowFromCMYKToBGR(const TRow& row) const;
  void RowFromLabToRGB(const TRow& row) const;
  void RowFromLabToBGR(const TRow& row) const;
  void RowFromYCbCrToRGB(const TRow& row) const;
  void RowFromYCbCrToBGR(const TRow& row) const;
  void RowFromPhotoYCCToRGB(const TRow& row) const { RowFromYCbCrToRGB(row); }
  void RowFromPhotoYCCToBGR(const TRow& row) const { RowFromYCbCrToBGR(row); }
  void RowFromGray(const TRow& row) const;
  void RowFromPacked(const TRow& row) const;
  void RowFromIndexed16To16(const TRow& row) const;
  void RowFromIndexed16ToPacked(const TRow& row) const;
  void RowFromPackedTo16(const TRow& row) const;

  bool IsChanged = true;
  int SourceBits = 8;
  int TargetBits = 8;
  int SourceSamples = 3;
  int TargetSamples = 3;
  float Main = 1.0f;
  float Display = 2.2f;
  std::array<std::uint8_t, 256> Gamma{};
  std::array<float, 3> Coefficients{0.299f, 0.587f, 0.114f};
  int HorizontalSubsampling = 1;
  int VerticalSubsampling = 1;
  std::vector<std::int32_t> CrToRed, CbToBlue, CrToGreen, CbToGreen;
  // Red from Cr, green from Cr, blue from Cb, green from Cb, as the chroma tables were built.
  std::array<float, 4> ChromaFactors{};
  // Factors whose single-precision products reproduce every entry of the chroma tables, when
  // there are such; then whole rows of bytes take the vector way.
  std::optional<rows::TChromaFactors> VectorChroma;
  TColorScheme SourceScheme = TColorScheme::schRGB;
  TColorScheme TargetScheme = TColorScheme::schBGR;
  TRowConverter RowConverter = nullptr;
};

}  // namespace lumox
