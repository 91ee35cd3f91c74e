#include "imageformats/TIFFGraphic.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "framework/Exceptions.h"
#include "imageformats/CCITTDecoder.h"
#include "imageformats/LZ77Decoder.h"
#include "imageformats/PixelRoutines.h"
#include "imageformats/ReaderSupport.h"
#include "imageformats/SimpleRLE.h"
#include "imageformats/TIFFJPEGDecoder.h"
#include "imageformats/ThunderDecoder.h"

namespace lumox {
namespace {

using enum TColorScheme;
using enum TCompressionType;
using TConstBytes = TColorManager::TConstBytes;

constexpr std::string_view TIFFName = "TIF/TIFF";

enum TTag : std::uint16_t {
  tagImageWidth = 256,
  tagImageLength = 257,
  tagBitsPerSample = 258,
  tagCompression = 259,
  tagPhotometric = 262,
  tagFillOrder = 266,
  tagStripOffsets = 273,
  tagSamplesPerPixel = 277,
  tagRowsPerStrip = 278,
  tagStripByteCounts = 279,
  tagXResolution = 282,
  tagYResolution = 283,
  tagPlanarConfig = 284,
  tagT4Options = 292,
  tagResolutionUnit = 296,
  tagPredictor = 317,
  tagColorMap = 320,
  tagTileWidth = 322,
  tagTileLength = 323,
  tagExtraSamples = 338,
  tagJPEGTables = 347,
  tagYCbCrCoefficients = 529,
  tagYCbCrSubsampling = 530,
  tagYCbCrPositioning = 531,
};

enum TDataType : std::uint16_t {
  dtByte = 1,
  dtASCII,
  dtShort,
  dtLong,
  dtRational,
  dtSByte,
  dtUndefined,
  dtSShort,
  dtSLong,
  dtSRational,
  dtFloat,
  dtDouble,
};

// Bytes of one value by data type; 0 for the types the reader does not know.
unsigned TypeSize(std::uint16_t type) {
  constexpr std::array<unsigned, 13> sizes{0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
  return type < sizes.size() ? sizes[type] : 0;
}

std::uint32_t FileNumber(const std::uint8_t* bytes, unsigned width, bool bigEndian) {
  return bigEndian ? lumox::BigEndian(bytes, width) : LittleEndian(bytes, width);
}

[[noreturn]] void RaiseInvalidFormat(std::string_view name = TIFFName) {
  TFormatGraphic::RaiseGraphicError(TFormatText::SInvalidImageFormat, {name});
}

[[noreturn]] void RaiseUnsupportedCompression() {
  TFormatGraphic::RaiseGraphicError(TFormatText::SUnsupportedFeature,
                                    {LoadFormatText(TFormatText::SCompressionScheme), TIFFName});
}

TCompressionType CompressionOf(std::uint32_t value) {
  switch (value) {
    case 1:
      return ctNone;
    case 2:
      return ctFaxRLE;
    case 3:
      return ctFaxCCITT3;
    case 4:
      return ctFaxCCITT4;
    case 5:
      return ctLZW;
    case 6:
      return ctOJPEG;
    case 7:
      return ctJPEG;
    case 8:
    case 32946:
      return ctLZ77;
    case 32766:
      return ctNext;
    case 32771:
      return ctFaxRLEW;
    case 32773:
      return ctPackedBits;
    case 32809:
      return ctThunderscan;
    case 32895:
      return ctIT8CTPAD;
    case 32896:
      return ctIT8LW;
    case 32897:
      return ctIT8MP;
    case 32898:
      return ctIT8BL;
    case 32908:
      return ctPixarFilm;
    case 32909:
      return ctPixarLog;
    case 32947:
      return ctDCS;
    case 34661:
      return ctJBIG;
    default:
      return ctUnknown;
  }
}

TColorScheme SchemeOf(std::uint32_t photometric, std::uint32_t samples) {
  constexpr std::array<TColorScheme, 9> schemes{schGray, schGray,  schRGBAlpha, schIndexed, schUnknown,
                                                schCMYK, schYCbCr, schUnknown,  schCIELab};
  if (photometric >= schemes.size()) return schUnknown;
  return photometric == 2 && samples < 4 ? schRGB : schemes[photometric];
}

// A value beyond the range of float becomes NaN, which every user treats as absent.
float ToFloat(double value) {
  return std::abs(value) <= std::numeric_limits<float>::max() ? float(value)
                                                              : std::numeric_limits<float>::quiet_NaN();
}

bool IsFax(TCompressionType compression) {
  return compression == ctFaxCCITT3 || compression == ctFaxRLE || compression == ctFaxRLEW;
}

// Grey and palette pictures with a second sample carry alpha, which is not shown.
bool HasAlphaSample(const TImageProperties& p) {
  return p.HasAlpha && p.SamplesPerPixel == 2 && (p.ColorScheme == schGray || p.ColorScheme == schIndexed);
}

// Horizontal differencing of 16-bit samples, undone word by word in the file's byte order.
void UndoWordPredictor(std::uint8_t* row, std::size_t width, unsigned samples, bool bigEndian) {
  const auto word = [&](std::size_t i) { return FileNumber(row + 2 * i, 2, bigEndian); };
  for (std::size_t i = samples; i < width * samples; ++i) {
    const std::uint32_t sum = word(i) + word(i - samples);
    row[2 * i + (bigEndian ? 0 : 1)] = std::uint8_t(sum >> 8);
    row[2 * i + (bigEndian ? 1 : 0)] = std::uint8_t(sum);
  }
}

}  // namespace

const TGraphicClass& TTIFFGraphic::Class() {
  static const TGraphicClass info{"TTIFFGraphic", &CreateGraphic<TTIFFGraphic>};
  return info;
}

bool TTIFFGraphic::CanLoad(TStream& stream) {
  const auto header = PeekHeader<8>(stream);
  if (!header) return false;
  const std::uint8_t* h = header->data();
  const bool bigEndian = h[0] == 'M' && h[1] == 'M';
  if (!bigEndian && !(h[0] == 'I' && h[1] == 'I')) return false;
  if (FileNumber(h + 2, 2, bigEndian) != 42) return false;
  const auto firstIFD = static_cast<std::int32_t>(FileNumber(h + 4, 4, bigEndian));
  return firstIFD < stream.Size() - stream.Position();
}

std::uint32_t TTIFFGraphic::Number(const std::uint8_t* bytes, unsigned width) const {
  return FileNumber(bytes, width, BigEndian());
}

std::uint32_t TTIFFGraphic::ReadNumber(unsigned width) {
  return BigEndian() ? ReadBigEndian(*Stream, width) : ReadLittleEndian(*Stream, width);
}

bool TTIFFGraphic::ReadImageProperties(TStream& stream, std::uint32_t imageIndex) {
  TFormatGraphic::ReadImageProperties(stream, imageIndex);
  IFD.clear();
  Stream = &stream;
  TImageProperties& p = ImageProperties;
  stream.SetPosition(BasePosition);
  const auto header = ReadHeader<8>(stream);
  p.Options.Set(TImageOption::ioBigEndian, header[0] == 'M' && header[1] == 'M');
  p.Version = Number(&header[2], 2);
  p.FirstIFD = Number(&header[4], 4);
  if (p.Version != 42) return false;

  // Every directory takes at least six bytes, so a longer walk is a loop.
  if (imageIndex > stream.Size() / 6) return false;
  std::int64_t offset = p.FirstIFD;
  for (; imageIndex > 0; --imageIndex) {
    stream.SetPosition(BasePosition + offset);
    stream.Seek(std::int64_t{ReadNumber(2)} * 12, TSeekOrigin::Current);
    offset = ReadNumber(4);
    if (offset == 0) return false;
  }
  ReadDirectory(offset);

  p.Width = GetValue(tagImageWidth, 0);
  p.Height = GetValue(tagImageLength, 0);
  if (p.Width == 0 || p.Height == 0) return false;
  GetValueList(tagRowsPerStrip, p.RowsPerStrip);
  if (p.RowsPerStrip.empty() || p.RowsPerStrip[0] == 0xFFFFFFFF) p.RowsPerStrip = {p.Height};

  const std::uint32_t samples = GetValue(tagSamplesPerPixel, 1);
  TCardinalArray bits;
  GetValueList(tagBitsPerSample, bits);
  const std::uint32_t bitsPerSample = bits.empty() ? 1 : bits[0];
  if (std::uint64_t{samples} * bitsPerSample > 255) return false;
  p.SamplesPerPixel = std::uint8_t(samples);
  p.BitsPerSample = std::uint8_t(bitsPerSample);
  p.BitsPerPixel = std::uint8_t(samples * bitsPerSample);

  p.TileWidth = GetValue(tagTileWidth, 0);
  p.TileLength = GetValue(tagTileLength, 0);
  p.Options.Set(TImageOption::ioTiled, std::int32_t(p.TileWidth) > 0 && std::int32_t(p.TileLength) > 0);

  const std::uint32_t photometric = GetValue(tagPhotometric, 0);
  TCardinalArray extraSamples;
  GetValueList(tagExtraSamples, extraSamples);
  p.HasAlpha =
      !extraSamples.empty() && std::ranges::all_of(extraSamples, [](std::uint32_t v) { return v <= 2; });
  // A file without the tag is not compressed.
  p.Compression = CompressionOf(GetValue(tagCompression, 1));
  p.ColorScheme = SchemeOf(photometric, samples);
  p.Options.Set(TImageOption::ioMinIsWhite, photometric == 0);

  if (photometric == 6) {
    GetValueList(tagYCbCrSubsampling, p.YCbCrSubsampling);
    if (p.YCbCrSubsampling.size() < 2) p.YCbCrSubsampling = {2, 2};
    YCbCrPositioning = GetValue(tagYCbCrPositioning, 1);
    GetValueList(tagYCbCrCoefficients, YCbCrCoefficients);
    if (YCbCrCoefficients.empty()) YCbCrCoefficients = {0.299f, 0.587f, 0.114f};
  }
  p.JPEGColorMode = 0;
  p.JPEGTablesMode = 3;

  p.PlanarConfig = GetValue(tagPlanarConfig, 0);
  p.XResolution = GetFloatValue(tagXResolution, 0);
  p.YResolution = GetFloatValue(tagYResolution, 0);
  if (GetValue(tagResolutionUnit, 2) == 3) {
    p.XResolution *= 2.54f;
    p.YResolution *= 2.54f;
  }
  p.Predictor = GetValue(tagPredictor, 0);
  p.Options.Set(TImageOption::ioReversed, GetValue(tagFillOrder, 1) == 2);
  return true;
}

// Reads the directory at `offset` into IFD, sorted by tag; entries of unknown types are left out.
void TTIFFGraphic::ReadDirectory(std::int64_t offset) {
  Stream->SetPosition(BasePosition + offset);
  std::vector<std::uint8_t> entries(std::size_t{ReadNumber(2)} * 12);
  Stream->ReadBuffer(entries.data(), std::int64_t(entries.size()));
  for (std::size_t at = 0; at < entries.size(); at += 12) {
    TIFDEntry entry{std::uint16_t(Number(&entries[at], 2)),
                    std::uint16_t(Number(&entries[at + 2], 2)),
                    Number(&entries[at + 4], 4),
                    {}};
    std::copy_n(&entries[at + 8], 4, entry.Field.begin());
    if (TypeSize(entry.DataType) > 0) IFD.push_back(entry);
  }
  std::ranges::stable_sort(IFD, {}, &TIFDEntry::Tag);
}

const TTIFFGraphic::TIFDEntry* TTIFFGraphic::FindTag(std::uint16_t tag) const {
  const auto found = std::ranges::lower_bound(IFD, tag, {}, &TIFDEntry::Tag);
  return found != IFD.end() && found->Tag == tag ? &*found : nullptr;
}

std::uint32_t TTIFFGraphic::GetValue(std::uint16_t tag, std::uint32_t defaultValue) const {
  const TIFDEntry* entry = FindTag(tag);
  if (entry == nullptr) return defaultValue;
  if (entry->DataLength != 1) return Number(entry->Field.data(), 4);
  switch (entry->DataType) {
    case dtByte:
      return entry->Field[0];
    case dtShort:
    case dtSShort:
      return Number(entry->Field.data(), 2);
    case dtLong:
    case dtSLong:
      return Number(entry->Field.data(), 4);
    default:
      return defaultValue;
  }
}

float TTIFFGraphic::GetFloatValue(std::uint16_t tag, float defaultValue) const {
  const TIFDEntry* entry = FindTag(tag);
  if (entry == nullptr || entry->DataLength != 1) return defaultValue;
  switch (entry->DataType) {
    case dtByte:
    case dtShort:
    case dtSShort:
    case dtLong:
    case dtSLong:
      return float(GetValue(tag, 0));
    case dtRational:
    case dtSRational:
    case dtFloat: {
      const float value = ToFloat(ValueAt(*entry, RawValues(*entry, 1).data()));
      return std::isfinite(value) ? value : defaultValue;
    }
    default:
      return defaultValue;
  }
}

std::vector<std::uint8_t> TTIFFGraphic::RawValues(const TIFDEntry& entry, std::uint32_t maxCount) const {
  const unsigned size = TypeSize(entry.DataType);
  const std::int64_t count = std::min(entry.DataLength, maxCount);
  if (std::int64_t{entry.DataLength} * size <= 4)
    return {entry.Field.begin(), entry.Field.begin() + count * size};
  Stream->SetPosition(BasePosition + Number(entry.Field.data(), 4));
  if (count * size > Stream->BytesLeft()) RaiseInvalidFormat();
  std::vector<std::uint8_t> bytes(std::size_t(count * size));
  Stream->ReadBuffer(bytes.data(), std::int64_t(bytes.size()));
  return bytes;
}

double TTIFFGraphic::ValueAt(const TIFDEntry& entry, const std::uint8_t* bytes) const {
  const unsigned size = TypeSize(entry.DataType);
  const std::uint32_t raw = Number(bytes, std::min(size, 4u));
  switch (entry.DataType) {
    case dtSByte:
      return std::int8_t(raw);
    case dtSShort:
      return std::int16_t(raw);
    case dtSLong:
      return std::int32_t(raw);
    case dtFloat:
      return std::bit_cast<float>(raw);
    case dtDouble: {
      const std::uint64_t high = Number(bytes + (BigEndian() ? 0 : 4), 4),
                          low = Number(bytes + (BigEndian() ? 4 : 0), 4);
      return std::bit_cast<double>(high << 32 | low);
    }
    case dtRational:
    case dtSRational: {
      const std::uint32_t denominator = Number(bytes + 4, 4);
      if (denominator == 0) return std::numeric_limits<double>::quiet_NaN();
      return entry.DataType == dtRational ? double(raw) / denominator
                                          : double(std::int32_t(raw)) / std::int32_t(denominator);
    }
    default:
      return raw;
  }
}

std::vector<double> TTIFFGraphic::Values(std::uint16_t tag) const {
  const TIFDEntry* entry = FindTag(tag);
  if (entry == nullptr) return {};
  const unsigned size = TypeSize(entry->DataType);
  const std::vector<std::uint8_t> bytes = RawValues(*entry, entry->DataLength);
  std::vector<double> values;
  values.reserve(bytes.size() / size);
  for (std::size_t at = 0; at < bytes.size(); at += size) values.push_back(ValueAt(*entry, &bytes[at]));
  return values;
}

void TTIFFGraphic::GetValueList(std::uint16_t tag, TCardinalArray& list) const {
  list.clear();
  for (const double value : Values(tag))
    list.push_back(value >= 0 && value <= 0xFFFFFFFF ? std::uint32_t(value) : 0);
}

void TTIFFGraphic::GetValueList(std::uint16_t tag, TByteArray& list) const {
  TCardinalArray values;
  GetValueList(tag, values);
  list.assign(values.begin(), values.end());
}

void TTIFFGraphic::GetValueList(std::uint16_t tag, TFloatArray& list) const {
  list.clear();
  for (const double value : Values(tag)) list.push_back(ToFloat(value));
}

void TTIFFGraphic::LoadFromStream(TStream& stream) {
  if (!BeginLoad(stream)) RaiseInvalidFormat();
  try {
    if (!ImageProperties.Options.Contains(TImageOption::ioTiled)) {
      ProgressRect = {0, 0, 0, 1};
      StartStage(TFormatText::SPreparing);
      CheckLayout();
      SetUpColorManager();
      LoadStrips(stream);
    }
  } catch (...) {
    ClearRows(int(ImageProperties.CurrentRow), Height());
    EndStage();
    throw;
  }
  // Rows no strip reaches stay black.
  ClearRows(int(ImageProperties.CurrentRow), Height());
  Progress(TProgressStage::Ending, 100, false, ProgressRect, {});
}

void TTIFFGraphic::SaveToStream(TStream&) {}

// Refuses, before anything is decoded, a layout that the reader would show garbled.
void TTIFFGraphic::CheckLayout() const {
  const TImageProperties& p = ImageProperties;
  const unsigned bits = p.BitsPerSample, samples = p.SamplesPerPixel;
  const bool bytesOrWords = bits == 8 || bits == 16;
  bool fits = false;
  switch (p.ColorScheme) {
    case schIndexed:
    case schGray:
      fits = (samples == 1 && (bits == 1 || bits == 2 || bits == 4 || bytesOrWords)) ||
             (HasAlphaSample(p) && bytesOrWords);
      break;
    case schRGB:
      fits = samples == 3 && bytesOrWords;
      break;
    case schYCbCr:
    case schCIELab:
      fits = samples == 3 && bits == 8;
      break;
    case schRGBAlpha:
    case schCMYK:
      fits = samples == 4 && bytesOrWords;
      break;
    default:
      break;
  }
  if (IsFax(p.Compression)) fits = fits && bits == 1 && samples == 1;
  if (p.Compression == ctThunderscan) fits = fits && bits == 4 && samples == 1;
  if (p.Compression == ctJPEG) fits = fits && bits == 8;
  // Separate planes, bits stored from the least significant one (outside fax data) and
  // subsampled chroma outside JPEG data are not decoded.
  if (p.PlanarConfig == 2 && samples > 1) fits = false;
  if (p.Options.Contains(TImageOption::ioReversed) && !IsFax(p.Compression)) fits = false;
  if (p.ColorScheme == schYCbCr && p.Compression != ctJPEG &&
      !(p.YCbCrSubsampling[0] == 1 && p.YCbCrSubsampling[1] == 1))
    fits = false;
  // Horizontal differencing exists for whole bytes and words of samples.
  if (p.Compression != ctNone && p.Predictor >= 2) {
    const bool bytePredictor = bits == 8 && (samples == 1 || samples == 3 || samples == 4);
    if (p.Predictor != 2 || !(bytePredictor || bits == 16)) fits = false;
  }
  if (!fits) RaiseInvalidFormat();
}

void TTIFFGraphic::SetUpColorManager() {
  const TImageProperties& p = ImageProperties;
  TColorManager& colors = ColorManager;
  colors.SourceOptions = {};
  colors.TargetOptions = {};
  if (BigEndian()) colors.SourceOptions.Include(TConversionOption::optByteSwap);
  TColorScheme source = TTIFFJPEGDecoder::DeliversBGR(p) ? schBGR : p.ColorScheme;
  TColorScheme target = source;
  int targetSamples = p.SamplesPerPixel;
  switch (source) {
    case schRGB:
      target = schBGR;
      break;
    case schRGBAlpha:
      target = schBGRAlpha;
      break;
    case schCMYK:
      target = schBGR;
      targetSamples = 3;
      break;
    case schCIELab:
      target = schBGR;
      colors.SourceOptions.Include(TConversionOption::optLabByteRange);
      break;
    case schYCbCr:
      target = schBGR;
      colors.SetYCbCrParameters(YCbCrCoefficients, p.YCbCrSubsampling[0], p.YCbCrSubsampling[1]);
      break;
    default:
      break;
  }
  if (HasAlphaSample(p)) {
    source = schGrayAlpha;
    targetSamples = 1;
  }
  // 2-bit samples are shown as 4-bit ones, 16-bit samples as 8-bit ones.
  const int targetBits = p.BitsPerSample == 16 ? 8 : p.BitsPerSample == 2 ? 4 : p.BitsPerSample;
  colors.SetSource(source, p.BitsPerSample, p.SamplesPerPixel);
  colors.SetTarget(target, targetBits, targetSamples);

  TBitmap::CheckSize(p.Width, p.Height);
  SetPixelFormat(HasAlphaSample(p) ? TPixelFormat::pf8bit : colors.GetPixelFormat(1));
  SetSizeForOverwrite(int(p.Width), int(p.Height));
  ProgressRect.Right = std::int32_t(p.Width);
  if (target == schIndexed) {
    LoadPalette();
  } else if (target == schGray) {
    SetPalette(colors.CreateGrayscalePalette(p.Options.Contains(TImageOption::ioMinIsWhite)));
  }
}

// The colour map: 16-bit red, green and blue planes of at most 256 entries each.
void TTIFFGraphic::LoadPalette() {
  const TIFDEntry* entry = FindTag(tagColorMap);
  if (entry == nullptr || entry->DataType != dtShort || entry->DataLength < 3) return;
  const std::uint32_t colors = std::min<std::uint32_t>(entry->DataLength, 768) / 3;
  const std::vector<std::uint8_t> map = RawValues(*entry, 3 * colors);
  const std::size_t plane = 2 * std::size_t{colors};
  const std::array<TConstBytes, 3> planes{TConstBytes(map.data(), plane),
                                          TConstBytes(map.data() + plane, plane),
                                          TConstBytes(map.data() + 2 * plane, plane)};
  SetPalette(ColorManager.CreateColorPalette(planes, TPaletteLayout::plPlanes16, colors, false));
}

std::unique_ptr<TDecoder> TTIFFGraphic::CreateDecoder() {
  TImageProperties& p = ImageProperties;
  const bool reversed = p.Options.Contains(TImageOption::ioReversed);
  switch (p.Compression) {
    case ctNone:
      return nullptr;
    case ctPackedBits:
      return std::make_unique<TPackbitsRLEDecoder>();
    case ctFaxCCITT3: {
      const std::uint32_t options = GetValue(tagT4Options, 0);
      // Two-dimensional rows are not decoded.
      if (options & 1) RaiseUnsupportedCompression();
      return std::make_unique<TCCITTFax3Decoder>(options, reversed, false, p.Width);
    }
    case ctFaxRLE:
    case ctFaxRLEW:
      return std::make_unique<TCCITTMHDecoder>(GetValue(tagT4Options, 0), reversed,
                                               p.Compression == ctFaxRLEW, p.Width);
    case ctLZ77:
      return std::make_unique<TLZ77Decoder>(Z_PARTIAL_FLUSH, true);
    case ctJPEG:
      GetValueList(tagJPEGTables, p.JPEGTables);
      return std::make_unique<TTIFFJPEGDecoder>(p);
    case ctThunderscan:
      return std::make_unique<TThunderDecoder>(p.Width);
    default:
      RaiseUnsupportedCompression();
  }
}

// The strips that hold the image's rows, in order, each with the rows it gives.
std::vector<TTIFFGraphic::TStrip> TTIFFGraphic::PlanStrips(bool compressed) {
  TImageProperties& p = ImageProperties;
  TCardinalArray offsets, counts;
  GetValueList(tagStripOffsets, offsets);
  GetValueList(tagStripByteCounts, counts);
  p.StripCount = std::uint32_t(offsets.size());
  std::vector<TStrip> strips;
  std::uint32_t row = 0;
  for (std::uint32_t i = 0; i < offsets.size() && row < p.Height; ++i) {
    const std::uint32_t rows =
        std::min(p.RowsPerStrip[std::min<std::size_t>(i, p.RowsPerStrip.size() - 1)], p.Height - row);
    if (rows == 0) continue;
    std::int64_t length = std::int64_t{rows} * p.BytesPerLine;
    if (compressed) {
      // Compressed data cannot be found without their byte counts.
      if (i >= counts.size()) RaiseInvalidFormat();
      length = counts[i];
    }
    strips.push_back({i, offsets[i], length, rows});
    row += rows;
  }
  return strips;
}

void TTIFFGraphic::LoadStrips(TStream& stream) {
  TImageProperties& p = ImageProperties;
  p.BytesPerLine = std::uint32_t((std::uint64_t{p.BitsPerPixel} * p.Width + 7) / 8);
  const std::unique_ptr<TDecoder> decoder = CreateDecoder();
  const std::vector<TStrip> strips = PlanStrips(decoder != nullptr);
  if (decoder) decoder->DecodeInit();
  // A strip's inflated rows are shown whether or not its checksum agrees, so it is not worked out.
  if (auto* inflater = dynamic_cast<TLZ77Decoder*>(decoder.get())) inflater->SkipChecksum();
  Progress(TProgressStage::Ending, 100, false, ProgressRect, {});
  StartStage(TFormatText::STransferring);

  // Strips may overlap; all of them together may read at most twice the stream (and a little
  // more), so that a few bytes cannot make the reader go over them again and again.
  std::int64_t budget = 2 * std::max<std::int64_t>(stream.Size() - BasePosition, 0) + (1 << 20);
  std::vector<std::uint8_t> packed, rows;
  for (const TStrip& strip : strips) {
    p.CurrentStrip = strip.Index;
    stream.SetPosition(BasePosition + strip.Offset);
    const std::int64_t length = std::min(stream.BytesLeft(), strip.Length);
    budget -= length;
    if (budget < 0) RaiseInvalidFormat();
    rows.resize(std::size_t(std::int64_t{strip.Rows} * p.BytesPerLine));
    if (decoder) {
      std::fill(rows.begin(), rows.end(), 0);  // what a decoder leaves out stays zero
      packed.resize(std::size_t(length));
      stream.ReadBuffer(packed.data(), length);
      const std::uint8_t* input = packed.data();
      std::uint8_t* output = rows.data();
      decoder->Decode(input, output, length, std::int64_t(rows.size()));
    } else {
      stream.ReadBuffer(rows.data(), length);
      std::fill(rows.begin() + length, rows.end(), 0);  // what a strip cut short lacks stays zero
    }
    TransferRows(rows.data(), strip.Rows, decoder != nullptr);
  }
}

void TTIFFGraphic::TransferRows(std::uint8_t* rows, std::uint32_t count, bool predicted) {
  TImageProperties& p = ImageProperties;
  const bool predictor = predicted && p.Predictor == 2;
  for (std::uint32_t i = 0; i < count; ++i, rows += p.BytesPerLine) {
    if (predictor) {
      if (p.BitsPerSample == 16) {
        UndoWordPredictor(rows, p.Width, p.SamplesPerPixel, BigEndian());
      } else if (p.SamplesPerPixel == 3) {
        UndoPredictor3(rows, p.Width - 1);
      } else if (p.SamplesPerPixel == 4) {
        UndoPredictor4(rows, p.Width - 1);
      } else {
        UndoPredictor1(rows, p.Width - 1);
      }
    }
    ColorManager.ConvertRow(TConstBytes(rows, p.BytesPerLine),
                            TColorManager::TBytes(ScanLine(int(p.CurrentRow)), BytesPerScanLine()), p.Width,
                            0xFF);
    ++p.CurrentRow;
    const auto percent = std::uint8_t((std::uint64_t{p.CurrentRow} * 100 + p.Height / 2) / p.Height);
    ReportRow(percent);
  }
}

const TGraphicClass& TEPSGraphic::Class() {
  static const TGraphicClass info{"TEPSGraphic", &CreateGraphic<TEPSGraphic>};
  return info;
}

namespace {

constexpr std::array<std::uint8_t, 4> EPSMagic{0xC5, 0xD0, 0xD3, 0xC6};
constexpr std::int64_t EPSHeaderSize = 30;

std::int32_t EPSField(const std::uint8_t* header, unsigned offset) {
  return static_cast<std::int32_t>(FileNumber(header + offset, 4, false));
}

}  // namespace

bool TEPSGraphic::CanLoad(TStream& stream) {
  const auto header = PeekHeader<EPSHeaderSize>(stream);
  return header && std::equal(EPSMagic.begin(), EPSMagic.end(), header->begin()) &&
         stream.Position() + EPSHeaderSize < EPSField(header->data(), 20) && EPSField(header->data(), 24) > 0;
}

void TEPSGraphic::LoadFromStream(TStream& stream) {
  const auto header = ReadHeader<EPSHeaderSize>(stream);
  if (!std::equal(EPSMagic.begin(), EPSMagic.end(), header.begin())) RaiseInvalidFormat("EPS");
  stream.Seek(std::int64_t{std::uint32_t(EPSField(header.data(), 20))} - EPSHeaderSize, TSeekOrigin::Current);
  TTIFFGraphic::LoadFromStream(stream);
}

}  // namespace lumox
