#include "imageformats/PNGGraphic.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "framework/Exceptions.h"
#include "imageformats/PNGFilters.h"
#include "imageformats/ReaderSupport.h"

namespace lumox {
namespace {

constexpr std::array<std::uint8_t, 8> Signature{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::string_view PNGName = "PNG";
constexpr std::uint32_t MaxChunkLength = 0x7FFFFFFF;
constexpr TColor NoTransparentColor = 0x1FFFFFFF;
constexpr TColor White = 0xFFFFFF;

constexpr std::array<TPNGPass, 7> Adam7{{
    {0, 0, 8, 8, 0x80},
    {0, 4, 8, 8, 0x08},
    {4, 0, 8, 4, 0x88},
    {0, 2, 4, 4, 0x22},
    {2, 0, 4, 2, 0xAA},
    {0, 1, 2, 2, 0x55},
    {1, 0, 2, 1, 0xFF},
}};
constexpr TPNGPass WholeImage{0, 0, 1, 1, 0xFF};
// Image data are inflated this many bytes of rows at a time, not row by row: zlib then stays in
// its fast loop across row ends and copies only the last 32 KB of each batch into its window.
constexpr std::size_t BatchBytes = 512 * 1024;
// For the same reason, the data of this many bytes of IDAT chunks are handed to zlib at once.
constexpr std::size_t InputBatchBytes = 128 * 1024;

[[noreturn]] void RaisePNGError(TFormatText text) { TFormatGraphic::RaiseGraphicError(text, {PNGName}); }

// A 16-bit sample reduced to 8 bits as the row converters reduce it.
std::uint8_t Reduce16(unsigned sample) { return std::uint8_t(sample * 255 / 65535); }

}  // namespace

const TGraphicClass& TPNGGraphic::Class() {
  static const TGraphicClass info{"TPNGGraphic", &CreateGraphic<TPNGGraphic>};
  return info;
}

bool TPNGGraphic::CanLoad(TStream& stream) {
  const auto bytes = PeekHeader<Signature.size()>(stream);
  return bytes && *bytes == Signature;
}

void TPNGGraphic::ReadChunkHeader() { SetChunkHeader(ReadHeader<8>(*Stream).data()); }

void TPNGGraphic::SetChunkHeader(const std::uint8_t* bytes) {
  CurrentChunk.Length = BigEndian(bytes, 4);
  std::copy_n(bytes + 4, 4, CurrentChunk.Type.begin());
  if (CurrentChunk.Length > MaxChunkLength) RaisePNGError(TFormatText::SInvalidImageFormat);
  CRC = std::uint32_t(crc32(0, CurrentChunk.Type.data(), 4));
}

bool TPNGGraphic::IsChunk(const char (&type)[5]) const {
  for (int i = 0; i < 4; ++i) {
    if ((CurrentChunk.Type[i] | 0x20) != (std::uint8_t(type[i]) | 0x20)) return false;
  }
  return true;
}

void TPNGGraphic::LoadChunkData() {
  const std::int64_t length = CurrentChunk.Length;
  // Refused before any buffer is made for it.
  if (length > Stream->BytesLeft()) throw EReadError(FormatText(TFormatText::SStreamReadError, {PNGName}));
  RawBuffer.resize(std::size_t(length));
  Stream->ReadBuffer(RawBuffer.data(), length);
  const std::uint32_t stored = ReadBigEndian(*Stream, 4);
  CRC = std::uint32_t(crc32(CRC, RawBuffer.data(), uInt(length)));
  if (CRC != stored) RaisePNGError(TFormatText::SCRCError);
}

void TPNGGraphic::SkipChunk() { Stream->Seek(std::int64_t(CurrentChunk.Length) + 4, TSeekOrigin::Current); }

bool TPNGGraphic::ReadImageProperties(TStream& stream, std::uint32_t imageIndex) {
  TFormatGraphic::ReadImageProperties(stream, imageIndex);
  Stream = &stream;
  std::array<std::uint8_t, 8> signature;
  if (stream.Read(signature.data(), 8) != 8 || signature != Signature) return false;
  ReadChunkHeader();
  if (!IsChunk("IHDR") || CurrentChunk.Length != 13) return false;
  TImageProperties& p = ImageProperties;
  p.Options.Include(TImageOption::ioBigEndian);
  LoadChunkData();
  const std::uint8_t* d = RawBuffer.data();
  p.Width = BigEndian(d, 4);
  p.Height = BigEndian(d + 4, 4);
  if (p.Width == 0 || p.Height == 0) return false;
  p.Compression = d[10] == 0 ? TCompressionType::ctLZ77 : TCompressionType::ctUnknown;
  p.BitsPerSample = d[8];
  p.SamplesPerPixel = 1;
  switch (d[9]) {
    case 0:
      p.ColorScheme = TColorScheme::schGray;
      break;
    case 2:
      p.ColorScheme = TColorScheme::schRGB;
      p.SamplesPerPixel = 3;
      break;
    case 3:
      p.ColorScheme = TColorScheme::schIndexed;
      break;
    case 4:
      p.ColorScheme = TColorScheme::schGrayAlpha;
      break;
    case 6:
      p.ColorScheme = TColorScheme::schRGBAlpha;
      p.SamplesPerPixel = 4;
      break;
    default:
      p.ColorScheme = TColorScheme::schUnknown;
  }
  p.BitsPerPixel = std::uint8_t(p.SamplesPerPixel * p.BitsPerSample);
  p.FilterMethod = d[11];
  p.Interlaced = d[12] != 0;
  p.HasAlpha = p.ColorScheme == TColorScheme::schGrayAlpha || p.ColorScheme == TColorScheme::schRGBAlpha ||
               p.ColorScheme == TColorScheme::schBGRAlpha;
  for (;;) {
    ReadChunkHeader();
    if (IsChunk("gAMA")) {
      LoadChunkData();
      if (RawBuffer.size() >= 4) p.FileGamma = float(BigEndian(RawBuffer.data(), 4) / 100000.0);
      break;
    }
    SkipChunk();
    if (IsChunk("IEND")) break;
  }
  return true;
}

void TPNGGraphic::LoadFromStream(TStream& stream) {
  Decoder.reset();
  if (!BeginLoad(stream)) RaisePNGError(TFormatText::SInvalidImageFormat);
  stream.SetPosition(BasePosition + 8);
  ProgressRect = {0, 0, std::int32_t(ImageProperties.Width), 1};
  StartStage(TFormatText::SPreparing);
  ImagePalette.clear();
  PaletteData.clear();
  Transparency.clear();
  BackgroundColor = White;
  ChunkTransparentColor = NoTransparentColor;
  DepthSetUp = ImageDecoded = false;
  ReadChunkHeader();
  LoadChunkData();
  // 16-bit samples are big-endian; gamma applies only when this file has a gAMA chunk.
  ColorManager.SourceOptions = {TConversionOption::optByteSwap};
  ColorManager.TargetOptions = {};
  if (ImageProperties.Compression != TCompressionType::ctLZ77) {
    RaiseGraphicError(TFormatText::SUnsupportedFeature,
                      {LoadFormatText(TFormatText::SCompressionScheme), PNGName});
  }
  Decoder = std::make_unique<TLZ77Decoder>(Z_PARTIAL_FLUSH, false);
  Decoder->DecodeInit();
  // The CRC of every chunk already guards the compressed bytes.
  Decoder->SkipChecksum();
  IDATSize = CurrentSource = 0;
  for (;;) {
    ReadChunkHeader();
    if (IsChunk("IDAT") && !ImageDecoded) {
      EndStage();
      DecodeImageData();
      ImageDecoded = true;  // the chunk after the image data is passed over below
    } else if (IsChunk("IDAT")) {
      SkipChunk();  // image data after the image are ignored
      continue;
    } else if (IsChunk("PLTE")) {
      ReadPaletteChunk();
      continue;
    } else if (IsChunk("gAMA")) {
      ReadGammaChunk();
      continue;
    } else if (IsChunk("bKGD")) {
      ReadBackgroundChunk();
      continue;
    } else if (IsChunk("tRNS")) {
      ReadTransparencyChunk();
      continue;
    }
    SkipChunk();
    if (IsChunk("IEND")) break;
    if (IsCritical()) RaiseGraphicError(std::string(LoadFormatText(TFormatText::SUnknownCriticalChunk)));
  }
  Decoder->DecodeEnd();
  Decoder.reset();
  RawBuffer = {};
  EndStage();
}

void TPNGGraphic::SetUpColorDepth() {
  const int depth = ImageProperties.BitsPerSample;
  const bool byteDepth = depth == 8 || depth == 16;
  const bool packedDepth = depth == 1 || depth == 2 || depth == 4 || depth == 8;
  TColorScheme target = TColorScheme::schIndexed;
  int samples = 1, targetDepth = 8;
  bool greyRamp = false, allowed = byteDepth;
  switch (ImageProperties.ColorScheme) {
    case TColorScheme::schGray:
      target = TColorScheme::schGray;
      targetDepth = depth == 2 ? 4 : depth == 16 ? 8 : depth;
      greyRamp = allowed = packedDepth || depth == 16;
      SourceBPP = (depth + 7) / 8;
      break;
    case TColorScheme::schRGB:
      target = TColorScheme::schBGR;
      samples = 3;
      SourceBPP = depth * 3 / 8;
      break;
    case TColorScheme::schIndexed:
      targetDepth = depth == 2 ? 4 : depth;
      allowed = packedDepth;
      SourceBPP = 1;
      break;
    case TColorScheme::schGrayAlpha:
      greyRamp = true;
      SourceBPP = depth * 2 / 8;
      break;
    case TColorScheme::schRGBAlpha:
      target = TColorScheme::schBGRAlpha;
      samples = 4;
      SourceBPP = depth * 4 / 8;
      break;
    default:
      allowed = false;
  }
  if (!allowed) RaisePNGError(TFormatText::SInvalidColorFormat);
  ColorManager.SetSource(ImageProperties.ColorScheme, depth, samples);
  ColorManager.SetTarget(target, targetDepth, samples);
  SetPixelFormat(ColorManager.GetPixelFormat(1));
  if (greyRamp) ImagePalette = ColorManager.CreateGrayscalePalette(false);
  DepthSetUp = true;
}

void TPNGGraphic::ReadPaletteChunk() {
  if (CurrentChunk.Length % 3 != 0) RaisePNGError(TFormatText::SInvalidPalette);
  LoadChunkData();
  if (ImageProperties.ColorScheme != TColorScheme::schIndexed) return;
  SetUpColorDepth();
  ImagePalette =
      ColorManager.CreateColorPalette(RawBuffer, TPaletteLayout::plTriple8, RawBuffer.size() / 3, false);
  PaletteData = RawBuffer;
}

void TPNGGraphic::ReadGammaChunk() {
  LoadChunkData();
  if (RawBuffer.size() < 4) return;  // too short to mean anything
  ApplyFileGamma(float(BigEndian(RawBuffer.data(), 4) / 100000.0));
}

// A grey level as the bitmap shows it: widened to 8 bits, or reduced from 16.
TColor TPNGGraphic::GreyColor() const {
  const int depth = ImageProperties.BitsPerSample;
  const unsigned sample = BigEndian(RawBuffer.data(), 2);
  const unsigned maximum = depth >= 1 && depth < 8 ? (1u << depth) - 1 : 255;
  const std::uint8_t level =
      depth == 16 ? Reduce16(sample) : std::uint8_t(std::min(sample, maximum) * 255 / maximum);
  return RGB(level, level, level);
}

TColor TPNGGraphic::SampleColor() const {
  const bool wide = ImageProperties.BitsPerSample == 16;
  std::uint8_t rgb[3];
  for (int i = 0; i < 3; ++i) {
    const unsigned sample = BigEndian(&RawBuffer[2 * i], 2);
    rgb[i] = wide ? Reduce16(sample) : std::uint8_t(sample);
  }
  return RGB(rgb[0], rgb[1], rgb[2]);
}

// Chunks too short for their colour type are ignored.
void TPNGGraphic::ReadBackgroundChunk() {
  LoadChunkData();
  const std::size_t size = RawBuffer.size();
  switch (ImageProperties.ColorScheme) {
    case TColorScheme::schGray:
    case TColorScheme::schGrayAlpha:
      if (size >= 2) BackgroundColor = GreyColor();
      break;
    case TColorScheme::schRGB:
    case TColorScheme::schRGBAlpha:
      if (size >= 6) BackgroundColor = SampleColor();
      break;
    case TColorScheme::schIndexed:
      if (size >= 1 && 3 * std::size_t(RawBuffer[0]) + 3 <= PaletteData.size()) {
        const std::uint8_t* entry = &PaletteData[3 * std::size_t(RawBuffer[0])];
        BackgroundColor = RGB(entry[0], entry[1], entry[2]);
      }
      break;
    default:
      break;
  }
}

void TPNGGraphic::ReadTransparencyChunk() {
  LoadChunkData();
  const std::size_t size = RawBuffer.size();
  switch (ImageProperties.ColorScheme) {
    case TColorScheme::schGray:
      if (size >= 2) ChunkTransparentColor = GreyColor();
      break;
    case TColorScheme::schRGB:
      if (size >= 6) ChunkTransparentColor = SampleColor();
      break;
    case TColorScheme::schGrayAlpha:
    case TColorScheme::schRGBAlpha:
      break;
    default:
      Transparency.assign(256, 0xFF);
      std::copy_n(RawBuffer.begin(), std::min<std::size_t>(size, 256), Transparency.begin());
  }
}

void TPNGGraphic::DecodeImageData() {
  StartStage(TFormatText::STransferring);
  if (!DepthSetUp) SetUpColorDepth();
  if (!ImagePalette.empty()) SetPalette(ImagePalette);
  const std::int64_t width = ImageProperties.Width, height = ImageProperties.Height;
  TBitmap::CheckSize(width, height);
  // The row above a batch, then the batch: at least one row.
  const std::size_t rowBytes = std::size_t(PassRowBytes(WholeImage));
  std::vector<std::uint8_t> rows(std::max(BatchBytes, 2 * rowBytes) + PNGFilterSlack);
  const TBitmap background = BackgroundRow(int(width));
  // Every row gets its decoded pixels or the background, so none needs clearing first; all
  // that can fail before the rows are done has been made above.
  SetSizeForOverwrite(int(width), int(height));
  if (ChunkTransparentColor != NoTransparentColor) {
    SetTransparentColor(ChunkTransparentColor);
    SetTransparent(true);
  }
  // Pixels the image data do not reach show the background: the rows below the last one
  // decoded, or, interlaced, whatever no pass has reached yet.
  RowsDone = 0;
  if (ImageProperties.Interlaced) {
    FillBackground(background, 0);
    RowsDone = Height();
  }
  try {
    if (ImageProperties.Interlaced) {
      for (const TPNGPass& pass : Adam7) DecodePass(pass, rows, &pass == &Adam7.back());
    } else {
      DecodePass(WholeImage, rows, true);
    }
  } catch (...) {
    FillBackground(background, RowsDone);
    throw;
  }
  FillBackground(background, RowsDone);
  while (IsChunk("IDAT")) {
    LoadChunkData();
    ReadChunkHeader();
  }
}

// The filter type byte and the samples of one row of the pass.
std::int64_t TPNGGraphic::PassRowBytes(const TPNGPass& pass) const {
  const std::int64_t pixels =
      (std::int64_t(ImageProperties.Width) + pass.ColumnStep - 1 - pass.StartColumn) / pass.ColumnStep;
  const int samples = ImageProperties.BitsPerSample == 16 ? SourceBPP / 2 : SourceBPP;
  return (pixels * ImageProperties.BitsPerSample + 7) / 8 * samples + 1;
}

// `rows` holds at least two rows of the image. Rows that were inflated whole are converted
// before an error in the data behind them is raised.
void TPNGGraphic::DecodePass(const TPNGPass& pass, std::vector<std::uint8_t>& rows, bool reportProgress) {
  if (Width() <= pass.StartColumn) return;
  const auto rowBytes = std::size_t(PassRowBytes(pass));
  const std::size_t batchRows = (rows.size() - PNGFilterSlack) / rowBytes - 1;
  std::memset(rows.data(), 0, rowBytes);  // the row above the pass's first one
  for (int y = pass.StartRow; y < Height();) {
    const std::size_t rowsLeft = std::size_t(Height() - y + pass.RowStep - 1) / std::size_t(pass.RowStep);
    const std::size_t wanted = std::min(batchRows, rowsLeft);
    const TInflated inflated = ReadInflated(rows.data() + rowBytes, std::int64_t(wanted * rowBytes));
    const std::size_t complete = std::size_t(inflated.Bytes) / rowBytes;
    for (std::size_t i = 1; i <= complete; ++i, y += pass.RowStep) {
      std::uint8_t* row = rows.data() + i * rowBytes;
      UndoPNGFilter(row[0], row + 1, row + 1 - rowBytes, rowBytes - 1, unsigned(SourceBPP));
      ColorManager.ConvertRow(TColorManager::TConstBytes(row + 1, rowBytes - 1),
                              TColorManager::TBytes(ScanLine(y), BytesPerScanLine()), std::size_t(Width()),
                              pass.Mask);
      if (!reportProgress) continue;
      RowsDone = std::max(RowsDone, y + 1);
      RowDone(y);
    }
    if (inflated.Failure) std::rethrow_exception(inflated.Failure);
    if (complete < wanted) return;  // the image data ended early
    std::memcpy(rows.data(), rows.data() + complete * rowBytes, rowBytes);
  }
}

// One row of the background colour in the bitmap's format.
TBitmap TPNGGraphic::BackgroundRow(int width) const {
  TBitmap row;
  row.SetPixelFormat(PixelFormat());
  row.SetPalette(Palette());
  row.SetSize(width, 1);
  row.FillColor(BackgroundColor);
  return row;
}

void TPNGGraphic::FillBackground(const TBitmap& background, int fromRow) {
  for (int y = fromRow; y < Height(); ++y)
    std::memcpy(ScanLine(y), background.ScanLine(0), BytesPerScanLine());
}

// Inflates up to `count` bytes, taking IDAT chunks as the decoder needs them; fewer arrive when
// the image data end or fail. A failure is handed back, for the caller to raise once it has
// used the bytes before it.
TPNGGraphic::TInflated TPNGGraphic::ReadInflated(std::uint8_t* buffer, std::int64_t count) {
  TInflated inflated;
  try {
    while (inflated.Bytes < count) {
      if (CurrentSource == IDATSize && !TakeImageData()) break;
      const std::uint8_t* input = RawBuffer.data() + CurrentSource;
      std::uint8_t* output = buffer + inflated.Bytes;
      Decoder->Decode(input, output, IDATSize - CurrentSource, count - inflated.Bytes);
      CurrentSource = input - RawBuffer.data();
      inflated.Bytes = output - buffer;
      const int result = Decoder->GetLastResult();
      if (result == Z_STREAM_END) {
        if (inflated.Bytes < count || !std::ranges::binary_search(ImageDataEnds, CurrentSource))
          RaisePNGError(TFormatText::SExtraCompressedData);
        break;
      }
      if (result != Z_OK) RaisePNGError(TFormatText::SCompressionError);
    }
  } catch (const ELumox&) {
    inflated.Failure = std::current_exception();
  }
  return inflated;
}

// Makes the image data from the current IDAT chunk on the decoder's input, up to a batch of
// chunks, and reads the header after the last one taken; empty chunks are passed over. False when
// the current chunk holds no image data.
bool TPNGGraphic::TakeImageData() {
  do {
    if (!IsChunk("IDAT")) return false;
    LoadChunkData();
    ReadChunkHeader();
  } while (RawBuffer.empty());
  ImageDataEnds.assign(1, std::int64_t(RawBuffer.size()));
  while (RawBuffer.size() < InputBatchBytes && IsChunk("IDAT") && AppendSoundChunk())
    ImageDataEnds.push_back(std::int64_t(RawBuffer.size()));
  IDATSize = std::int64_t(RawBuffer.size());
  CurrentSource = 0;
  return true;
}

// Appends the current chunk's data to RawBuffer and reads the header behind them, when all that is
// there and sound. Otherwise the stream and the chunk stay as they were, so the fault is raised
// only once the decoder needs these data, as if the chunks were taken one at a time.
bool TPNGGraphic::AppendSoundChunk() {
  const std::int64_t length = CurrentChunk.Length, start = Stream->Position();
  if (length + 12 > Stream->BytesLeft()) return false;
  const std::size_t at = RawBuffer.size();
  RawBuffer.resize(at + std::size_t(length));
  Stream->ReadBuffer(RawBuffer.data() + at, length);
  const auto behind = ReadHeader<12>(*Stream);  // the CRC, then the next chunk's header
  const auto crc = std::uint32_t(crc32(CRC, RawBuffer.data() + at, uInt(length)));
  if (crc != BigEndian(behind.data(), 4) || BigEndian(behind.data() + 4, 4) > MaxChunkLength) {
    RawBuffer.resize(at);
    Stream->SetPosition(start);
    return false;
  }
  SetChunkHeader(behind.data() + 4);
  return true;
}

}  // namespace lumox
