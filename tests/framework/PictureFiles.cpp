#include "tests/framework/PictureFiles.h"

// clang-format off: the library's header uses FILE without including it
#include <jpeglib.h>

#include <cstdio>
// clang-format on

#include <cstdlib>

namespace lumox::test {
namespace {

void Put16(TBytes& out, std::uint32_t v) {
  out.push_back(std::uint8_t(v));
  out.push_back(std::uint8_t(v >> 8));
}

void Put32(TBytes& out, std::uint32_t v) {
  Put16(out, v);
  Put16(out, v >> 16);
}

bool MasksAfterHeader(const TBmpSpec& spec) { return spec.HeaderSize == 40 && spec.Compression == 3; }

std::size_t PaletteBytes(const TBmpSpec& spec) {
  return spec.Palette.size() * (spec.HeaderSize == 12 ? 3 : 4);
}

void PutInfoHeader(TBytes& out, const TBmpSpec& spec) {
  Put32(out, spec.HeaderSize);
  if (spec.HeaderSize == 12) {
    Put16(out, std::uint32_t(spec.Width));
    Put16(out, std::uint32_t(spec.Height));
    Put16(out, 1);
    Put16(out, spec.Bits);
    return;
  }
  Put32(out, std::uint32_t(spec.Width));
  Put32(out, std::uint32_t(spec.Height));
  Put16(out, 1);
  Put16(out, spec.Bits);
  Put32(out, spec.Compression);
  Put32(out, std::uint32_t(spec.Pixels.size()));
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, spec.ColorsUsed);
  Put32(out, 0);
  for (std::uint32_t i = 0; i < 4 && 40 + 4 * i < spec.HeaderSize; ++i) Put32(out, spec.Masks[i]);
  out.resize(14 + spec.HeaderSize);  // colour space fields stay zero
}

std::size_t BmpDataOffset(const TBmpSpec& spec) {
  return 14 + spec.HeaderSize + (MasksAfterHeader(spec) ? 12 : 0) + PaletteBytes(spec);
}

}  // namespace

TBytes BmpFile(const TBmpSpec& spec) {
  TBytes out{'B', 'M'};
  const std::size_t offset = BmpDataOffset(spec);
  Put32(out, std::uint32_t(offset + spec.Pixels.size()));
  Put32(out, 0);
  Put32(out, std::uint32_t(offset));
  PutInfoHeader(out, spec);
  if (MasksAfterHeader(spec)) {
    for (int i = 0; i < 3; ++i) Put32(out, spec.Masks[std::size_t(i)]);
  }
  for (const TPaletteEntry& e : spec.Palette) {
    out.insert(out.end(), {e.Blue, e.Green, e.Red});
    if (spec.HeaderSize != 12) out.push_back(0);
  }
  out.insert(out.end(), spec.Pixels.begin(), spec.Pixels.end());
  return out;
}

TBytes PaddedRows(const std::vector<TBytes>& rows) {
  TBytes out;
  for (const TBytes& row : rows) {
    out.insert(out.end(), row.begin(), row.end());
    out.resize((out.size() + 3) / 4 * 4);
  }
  return out;
}

std::vector<std::pair<const char*, TBytes>> SampleBmpFiles() {
  const TPalette four{{0, 0, 0, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}};
  const std::array<std::uint32_t, 4> argb4444{0x0F00, 0xF0, 0x0F, 0xF000};
  // clang-format off
  return {
      {"mono", BmpFile({.Width = 9, .Height = 2, .Bits = 1, .Palette = {four[0], four[1]},
                        .Pixels = PaddedRows({{0xA5, 0x80}, {0x5A, 0x00}})})},
      {"core4", BmpFile({.HeaderSize = 12, .Width = 3, .Height = 2, .Bits = 4, .Palette = TPalette(16, four[2]),
                         .Pixels = PaddedRows({{0x12, 0x30}, {0xF0, 0x0F}})})},
      {"topdown8", BmpFile({.Width = 3, .Height = -2, .Bits = 8, .ColorsUsed = 4, .Palette = four,
                            .Pixels = PaddedRows({{1, 2, 3}, {3, 2, 1}})})},
      {"rgb555", BmpFile({.Width = 2, .Height = 2, .Bits = 16, .Pixels = PaddedRows({{1, 2, 3, 4}, {5, 6, 7, 8}})})},
      {"masks40", BmpFile({.Width = 2, .Height = 1, .Bits = 16, .Compression = 3, .Masks = argb4444,
                           .Pixels = PaddedRows({{0x5F, 0x8F, 0x12, 0x34}})})},
      {"argb4444", BmpFile({.HeaderSize = 56, .Width = 2, .Height = 1, .Bits = 16, .Compression = 3,
                            .Masks = argb4444, .Pixels = PaddedRows({{0x5F, 0x8F, 0x12, 0x34}})})},
      {"rgb24", BmpFile({.Width = 2, .Height = 2, .Bits = 24,
                         .Pixels = PaddedRows({{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}})})},
      {"v5", BmpFile({.HeaderSize = 124, .Width = 2, .Height = 1, .Bits = 32, .Compression = 3,
                      .Masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, .Pixels = {1, 2, 3, 4, 5, 6, 7, 8}})},
      {"rle8", BmpFile({.Width = 6, .Height = 3, .Bits = 8, .Compression = 1, .ColorsUsed = 4, .Palette = four,
                        .Pixels = {3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 1, 1, 8, 2, 0, 1}})},
      {"rle4", BmpFile({.Width = 7, .Height = 2, .Bits = 4, .Compression = 2, .ColorsUsed = 4, .Palette = four,
                        .Pixels = {5, 0x12, 0, 0, 0, 3, 0x31, 0x20, 2, 0x33, 0, 1}})},
  };
  // clang-format on
}

TBytes IconBmp(TBmpSpec spec, const TBytes& mask) {
  spec.Height *= 2;
  spec.Pixels.insert(spec.Pixels.end(), mask.begin(), mask.end());
  const TBytes file = BmpFile(spec);
  return TBytes(file.begin() + 14, file.end());
}

TBytes IconFile(const std::vector<TBytes>& images) {
  TBytes out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, std::uint32_t(images.size()));
  std::size_t offset = 6 + 16 * images.size();
  for (const TBytes& image : images) {
    out.resize(out.size() + 8);  // width, height, colours, reserved, planes, bits per pixel
    Put32(out, std::uint32_t(image.size()));
    Put32(out, std::uint32_t(offset));
    offset += image.size();
  }
  for (const TBytes& image : images) out.insert(out.end(), image.begin(), image.end());
  return out;
}

TBytes JpegFile(int width, int height, TJpegKind kind, const TBytes& samples) {
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  info.input_components = kind == TJpegKind::Grey ? 1 : kind == TJpegKind::Cmyk ? 4 : 3;
  info.in_color_space = kind == TJpegKind::Grey   ? JCS_GRAYSCALE
                        : kind == TJpegKind::Cmyk ? JCS_CMYK
                                                  : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 100, TRUE);
  for (int c = 0; c < info.num_components; ++c) {
    info.comp_info[c].h_samp_factor = 1;
    info.comp_info[c].v_samp_factor = 1;
  }
  if (kind == TJpegKind::Progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  const std::size_t stride = std::size_t(width) * std::size_t(info.input_components);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(samples.data() + info.next_scanline * stride);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  TBytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

TBytes QuadrantJpeg(int width, int height, TJpegKind kind) {
  static constexpr std::uint8_t Colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
  const int components = kind == TJpegKind::Grey ? 1 : kind == TJpegKind::Cmyk ? 4 : 3;
  TBytes samples;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int quadrant = (y >= height / 2) * 2 + (x >= width / 2);
      for (int k = 0; k < components; ++k) {
        samples.push_back(components == 1 ? std::uint8_t(20 + 60 * quadrant) : Colours[quadrant][k % 3]);
      }
    }
  }
  return JpegFile(width, height, kind, samples);
}

}  // namespace lumox::test
