#include "imageformats/TIFFJPEGDecoder.h"

#include <algorithm>

#include "framework/Exceptions.h"
#include "imageformats/FormatGraphic.h"
#include "imageformats/FormatTexts.h"
#include "imageformats/JpegLibrary.h"

namespace lumox {

struct TTIFFJPEGDecoder::TLibrary {
  jpeg_decompress_struct Info{};
  jpeg_error_mgr Errors{};
  LumoxJpegSource Source{};
  bool Created = false;
};

namespace {

// The strip or tables as the library's source.
void SetSource(jpeg_decompress_struct& info, LumoxJpegSource& source, const std::uint8_t* data,
               std::int64_t size) {
  lumox_jpeg_memory_source(&info, &source, data, std::size_t(std::max<std::int64_t>(size, 0)));
}

j_decompress_ptr Decompressor(j_common_ptr common) { return reinterpret_cast<j_decompress_ptr>(common); }

// The library calls of each step, run under the guard of CallJpeg.
void Create(j_common_ptr common, void*) { jpeg_create_decompress(Decompressor(common)); }

void ReadTables(j_common_ptr common, void* result) {
  *static_cast<int*>(result) = jpeg_read_header(Decompressor(common), FALSE);
}

// A new strip: the tables read so far stay.
void ReadStripHeader(j_common_ptr common, void*) {
  jpeg_abort(common);
  jpeg_read_header(Decompressor(common), TRUE);
}

void Start(j_common_ptr common, void*) { jpeg_start_decompress(Decompressor(common)); }

struct TScanlines {
  std::uint8_t* Output;
  JDIMENSION Lines;
  std::size_t BytesPerLine;
};

// Reads up to Lines rows; a picture read to its end is finished, else the next strip's reset ends it.
void ReadScanlines(j_common_ptr common, void* context) {
  const j_decompress_ptr info = Decompressor(common);
  const auto& scan = *static_cast<TScanlines*>(context);
  constexpr JDIMENSION Batch = 16;
  JSAMPROW rows[Batch];
  while (info->output_scanline < scan.Lines) {
    const JDIMENSION first = info->output_scanline;
    const JDIMENSION count = std::min(Batch, scan.Lines - first);
    for (JDIMENSION i = 0; i < count; ++i) rows[i] = scan.Output + std::size_t{first + i} * scan.BytesPerLine;
    if (jpeg_read_scanlines(info, rows, count) == 0) return;
  }
  if (info->output_scanline == info->output_height) jpeg_finish_decompress(info);
}

[[noreturn]] void RaiseJpegError(TFormatText text) { RaiseDecoderError(std::string(LoadFormatText(text))); }

template <class TContext = void>
void Call(jpeg_decompress_struct& info, TJpegStep step, TContext* context = nullptr) {
  CallJpeg<EInvalidGraphic>(reinterpret_cast<j_common_ptr>(&info), step, context);
}

}  // namespace

TTIFFJPEGDecoder::TTIFFJPEGDecoder(const TImageProperties& properties) : Properties(properties) {}

bool TTIFFJPEGDecoder::DeliversBGR(const TImageProperties& properties) {
  return properties.Compression == TCompressionType::ctJPEG && properties.SamplesPerPixel == 3 &&
         (properties.ColorScheme == TColorScheme::schRGB || properties.ColorScheme == TColorScheme::schYCbCr);
}

TTIFFJPEGDecoder::~TTIFFJPEGDecoder() { DecodeEnd(); }

void TTIFFJPEGDecoder::DecodeInit() {
  DecodeEnd();
  Library = std::make_unique<TLibrary>();
  jpeg_decompress_struct& info = Library->Info;
  Library->Errors = DefaultJpegErrorManager();
  info.err = &Library->Errors;
  Call(info, Create);
  Library->Created = true;

  const TByteArray& subsampling = Properties.YCbCrSubsampling;
  HSubsampling = subsampling.size() >= 2 ? subsampling[0] : 1;
  VSubsampling = subsampling.size() >= 2 ? subsampling[1] : 1;

  if (Properties.JPEGTables.empty()) return;
  SetSource(info, Library->Source, Properties.JPEGTables.data(), std::int64_t(Properties.JPEGTables.size()));
  int answer = 0;
  Call(info, ReadTables, &answer);
  if (answer != JPEG_HEADER_TABLES_ONLY) RaiseJpegError(TFormatText::SJPEGBogusTables);
}

void TTIFFJPEGDecoder::Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
                              std::int64_t outputSize) {
  if (!Library) DecodeInit();
  jpeg_decompress_struct& info = Library->Info;
  SetSource(info, Library->Source, input, inputSize);
  Call(info, ReadStripHeader);
  CheckStrip();

  const std::size_t bytesPerLine = Properties.BytesPerLine;
  if (outputSize % std::int64_t(bytesPerLine) != 0) RaiseJpegError(TFormatText::SJPEGFractionalScanline);
  const bool colour = DeliversBGR(Properties);
  info.jpeg_color_space = !colour                                            ? JCS_UNKNOWN
                          : Properties.ColorScheme == TColorScheme::schYCbCr ? JCS_YCbCr
                                                                             : JCS_RGB;
  info.out_color_space = colour ? JCS_EXT_BGR : JCS_UNKNOWN;
  Call(info, Start);
  if (std::size_t{info.output_width} * unsigned(info.output_components) > bytesPerLine)
    RaiseJpegError(TFormatText::SJPEGStripSize);

  const auto lines = std::min<std::int64_t>(outputSize / std::int64_t(bytesPerLine), info.output_height);
  TScanlines scan{output, static_cast<JDIMENSION>(lines), bytesPerLine};
  Call(info, ReadScanlines, &scan);
  if (Library->Source.EndedEarly)
    ShowDecoderWarning(std::string(LoadFormatText(TFormatText::SJPEGUnexpectedEnd)));
}

// The strip's picture must be what the file's tags describe.
void TTIFFJPEGDecoder::CheckStrip() const {
  const jpeg_decompress_struct& info = Library->Info;
  const TCardinalArray& rowsPerStrip = Properties.RowsPerStrip;
  const std::uint32_t stripRows =
      rowsPerStrip.empty()
          ? Properties.Height
          : rowsPerStrip[std::min<std::size_t>(Properties.CurrentStrip, rowsPerStrip.size() - 1)];
  const std::uint32_t height =
      std::min(Properties.Height - std::min(Properties.CurrentRow, Properties.Height), stripRows);
  if (Properties.BytesPerLine == 0 || info.image_width != Properties.Width || info.image_height != height)
    RaiseJpegError(TFormatText::SJPEGStripSize);
  if (info.num_components != Properties.SamplesPerPixel) RaiseJpegError(TFormatText::SJPEGComponentCount);
  if (info.data_precision != Properties.BitsPerSample) RaiseJpegError(TFormatText::SJPEGDataPrecision);
  for (int i = 0; i < info.num_components; ++i) {
    const jpeg_component_info& component = info.comp_info[i];
    const unsigned h = i == 0 ? HSubsampling : 1, v = i == 0 ? VSubsampling : 1;
    if (unsigned(component.h_samp_factor) != h || unsigned(component.v_samp_factor) != v)
      RaiseJpegError(TFormatText::SJPEGSamplingFactors);
  }
}

void TTIFFJPEGDecoder::DecodeEnd() {
  if (Library && Library->Created) jpeg_destroy_decompress(&Library->Info);
  Library.reset();
}

}  // namespace lumox
