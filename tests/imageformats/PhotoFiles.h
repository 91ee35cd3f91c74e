#pragma once
// Photoshop files written by ImageMagick from known pictures, and Paint Shop Pro and Photo-CD
// files put together from their layouts, for the tests and the fuzzing seeds.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace lumox::test {

using TBytes = std::vector<std::uint8_t>;

// A picture of noise as 0xAARRGGBB, rows top first; grey pictures have red = green = blue,
// few-colour ones at most 16 colours, opaque ones alpha 255.
enum class TPictureKind { Colour, Grey, FewColours };
std::vector<std::uint32_t> Picture(TPictureKind kind, bool alpha, int width, int height);
// ImageMagick's Photoshop file of `picture` with `options` on its command line.
TBytes MagickPsd(const std::vector<std::uint32_t>& picture, int width, int height, bool alpha,
                 const std::string& options);

struct TPspSpec {
  std::uint16_t Version = 5, Depth = 24, Compression = 0;
  bool Grey = false;
  std::uint32_t Width = 11, Height = 4;
  std::vector<std::uint8_t> LayerTypes{1};  // the layers of the bank, each with every channel
  std::vector<std::uint16_t> ChannelTypes{1, 2, 3};
  std::vector<std::uint32_t> Palette{};  // 0x00RRGGBB
};
// A file whose channel of type t holds bytes (7·i + 31·t) mod 256 at row-data position i.
TBytes PspFile(const TPspSpec& spec);
std::uint8_t PspChannelByte(std::size_t index, std::uint16_t type);

// An image pack of the base image from its planes (768 × 512 luma, 384 × 256 each chroma).
TBytes PcdFile(const TBytes& luma, std::uint8_t chroma1, std::uint8_t chroma2, std::uint8_t rotation,
               bool overview = false);

// Huffman tables and rows of corrections as the Photo-CD decoder reads them; each row gives
// the entries of its plane's table whose codes it holds.
struct TPcdCode {
  int Length;
  std::uint16_t Code;  // left-aligned
  std::int8_t Value;
};
struct TPcdRow {
  std::uint32_t Row, Plane;
  std::vector<int> Entries;
};
// Ends with the marker of row `stopRow`.
TBytes PcdHuffmanStream(const std::vector<std::vector<TPcdCode>>& tables, const std::vector<TPcdRow>& rows,
                        std::uint32_t stopRow);

// Small files of each reader's paths, named: the fuzzing seeds.
std::vector<std::pair<std::string, TBytes>> PhotoSeeds();

}  // namespace lumox::test
