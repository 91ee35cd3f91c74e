#pragma once
// JPEG-compressed TIFF strips through the JPEG library: each strip is one JPEG stream, possibly
// abbreviated, with its tables in the file's JPEG-tables field.
#include <memory>

#include "imageformats/Decoder.h"

namespace lumox {

struct TImageProperties;

class TTIFFJPEGDecoder : public TDecoder {
 public:
  // `properties` (kept by reference) give the sizes, samples, colour scheme, subsampling and
  // tables, and the strip being loaded; the reader fills them first and updates CurrentRow.
  explicit TTIFFJPEGDecoder(const TImageProperties& properties);
  ~TTIFFJPEGDecoder() override;

  // Whether rows come as blue, green, red: for RGB and YCbCr pictures of three samples.
  static bool DeliversBGR(const TImageProperties& properties);

  // Starts the library and reads the tables; "Bogus JPEG tables field." when they are not
  // tables only.
  void DecodeInit() override;
  // One strip of `inputSize` bytes into `outputSize` bytes of whole rows of BytesPerLine
  // bytes: grey and other samples as stored, RGB and YCbCr pictures as blue, green, red.
  // A strip whose picture does not match the properties raises EGraphicCompression; a fatal
  // library error raises EInvalidGraphic "JPEG error #n"; a strip cut short is ended after a
  // warning. Pointers unchanged.
  void Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
              std::int64_t outputSize) override;
  void DecodeEnd() override;

 private:
  struct TLibrary;

  void CheckStrip() const;

  const TImageProperties& Properties;
  std::unique_ptr<TLibrary> Library;
  unsigned HSubsampling = 1;
  unsigned VSubsampling = 1;
};

}  // namespace lumox
