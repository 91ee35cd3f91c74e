#pragma once
// The portable bit, grey and pixel maps, in their plain-text and binary variants. The reader
// reads the file character by character through a buffer of its own.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "imageformats/FormatGraphic.h"

namespace lumox {

class TPPMGraphic : public TFormatGraphic {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }

  // At least 11 bytes left, starting with "P" and a type digit 1 to 6. The position is kept.
  static bool CanLoad(TStream& stream);
  // Reads the first line and the numbers of the header behind it; false unless the line starts
  // with "P". Other type digits than 1 to 6 leave the properties reset. A type character that is
  // not a digit raises EConvertError, a line of "P" alone EInvalidGraphic.
  bool ReadImageProperties(TStream& stream, std::uint32_t imageIndex) override;
  // Loads nothing for type digits other than 1 to 6. Numbers of more than 31 bits and sizes the
  // bitmap cannot take raise EInvalidGraphic, and so does a file that ends before its last pixel.
  // Samples of maps whose maximum exceeds 255 (two bytes each in the binary maps) are scaled
  // to 0..255; others are taken as they stand.
  void LoadFromStream(TStream& stream) override;

 private:
  bool Refill();
  bool HasChar();
  std::uint8_t ReadChar();
  // The next character without consuming it; 0 at the end of the stream.
  std::uint8_t PeekChar();
  // The first two characters of the first line, without a comment; the rest of the line is read.
  std::string ReadMagic();
  // The next digit, skipping everything else and "#" comments up to the end of their lines.
  std::uint8_t SkipToDigit();
  // The next decimal number; the character behind it is consumed.
  std::uint32_t ReadNumber();
  void ReadBytes(std::uint8_t* target, std::size_t count);
  // `count` binary samples as bytes.
  void ReadSamples(std::uint8_t* target, std::size_t count);
  std::uint8_t Scaled(std::uint32_t sample) const;
  void ReadRow(std::uint8_t* target);

  std::array<std::uint8_t, 4096> Buffer{};
  std::size_t Index = 0;  // the next character; Index == Count: used up
  std::size_t Count = 0;
  int Type = 0;
  std::uint32_t MaxValue = 255;
  std::vector<std::uint8_t> Row, WideRow;
};

}  // namespace lumox
