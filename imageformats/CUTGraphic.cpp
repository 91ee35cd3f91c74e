#include "imageformats/CUTGraphic.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>
#include <vector>

#include "imageformats/ReaderSupport.h"
#include "imageformats/SimpleRLE.h"

namespace lumox {
namespace {

constexpr std::int64_t HeaderSize = 6;
constexpr std::int64_t PaletteBlockSize = 512;
// Entries start at this offset of the first block and never cross the end of a block.
constexpr std::size_t FirstEntry = 40;
constexpr std::size_t LastEntryStart = 506;
constexpr std::size_t EntrySize = 6;

}  // namespace

const TGraphicClass& TCUTGraphic::Class() {
  static const TGraphicClass info{"TCUTGraphic", &CreateGraphic<TCUTGraphic>};
  return info;
}

bool TCUTGraphic::CanLoad(TStream&) { return false; }

std::string TCUTGraphic::PaletteFileFor(const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path wanted = fs::path(path).replace_extension(".pal");
  std::error_code error;
  if (fs::is_regular_file(wanted, error)) return wanted.string();
  const fs::path folder = wanted.has_parent_path() ? wanted.parent_path() : fs::path(".");
  const std::string name = AsciiLower(wanted.filename().string());
  std::string found;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string candidate = it->path().filename().string();
    if (AsciiLower(candidate) == name && it->is_regular_file(error) && (found.empty() || candidate < found))
      found = candidate;
  }
  return found.empty() ? std::string() : (folder / found).string();
}

void TCUTGraphic::LoadFromFile(const std::string& path) {
  PaletteFile = PaletteFileFor(path);
  // A later load from a stream alone must not find this picture's palette.
  struct TForget {
    std::string& Name;
    ~TForget() { Name.clear(); }
  } forget{PaletteFile};
  TFormatGraphic::LoadFromFile(path);
}

bool TCUTGraphic::ReadImageProperties(TStream& stream, std::uint32_t imageIndex) {
  TFormatGraphic::ReadImageProperties(stream, imageIndex);
  const auto size = ReadHeader<4>(stream);
  TImageProperties& p = ImageProperties;
  p.Width = LittleEndian(&size[0], 2);
  p.Height = LittleEndian(&size[2], 2);
  p.ColorScheme = TColorScheme::schIndexed;
  p.BitsPerSample = 8;
  p.SamplesPerPixel = 1;
  p.BitsPerPixel = 8;
  p.Compression = TCompressionType::ctRLE;
  return true;
}

void TCUTGraphic::LoadFromStream(TStream& stream) {
  BeginLoad(stream);
  const TImageProperties& p = ImageProperties;
  CheckImageSize(p.Width, p.Height, "CUT");
  stream.SetPosition(BasePosition + HeaderSize);
  ProgressRect = {0, 0, std::int32_t(p.Width), 0};
  StartStage(TFormatText::STransferring);
  SetPixelFormat(TPixelFormat::pf8bit);
  SetSize(int(p.Width), int(p.Height));
  SetPalette(LoadPalette());

  const std::vector<std::uint8_t> lines = ReadAvailable(stream, stream.BytesLeft());
  const std::uint8_t* input = lines.data();
  TCUTRLEDecoder decoder;
  for (int y = 0; y < Height(); ++y) {
    std::uint8_t* output = ScanLine(y);
    // Each call moves `input` behind its line.
    decoder.Decode(input, output, lines.data() + lines.size() - input, p.Width);
    RowDone(y);
  }
  EndStage();
}

TPalette TCUTGraphic::LoadPalette() const {
  TPalette palette(256);
  if (PaletteFile.empty()) {
    for (std::size_t i = 0; i < palette.size(); ++i)
      palette[i] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
    return palette;
  }
  TFileStream file(PaletteFile, TFileMode::Read);
  std::array<std::uint8_t, PaletteBlockSize> block;
  file.ReadBuffer(block.data(), PaletteBlockSize);
  palette.resize(std::min<std::size_t>(LittleEndian(&block[12], 2) + 1, 256));
  std::size_t at = FirstEntry;
  for (TPaletteEntry& entry : palette) {
    if (at > LastEntryStart) {
      file.ReadBuffer(block.data(), PaletteBlockSize);
      at = 0;
    }
    // Each component is a 16-bit value of which only the low byte counts.
    entry = {block[at], block[at + 2], block[at + 4], 0};
    at += EntrySize;
  }
  return palette;
}

}  // namespace lumox
