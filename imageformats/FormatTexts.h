#pragma once
// Every user-visible text of the picture readers and decoders: format descriptions for the
// open-picture filters, progress stage captions and error messages, each under its identifier
// and fixed resource number. The wording (spelling included) is the program's established one.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace lumox {

#define LUMOX_FORMAT_TEXTS(X)                                                                                \
  X(SInvalidSampleCount, 65024, "Sample count per pixel does not correspond to the given color scheme.")     \
  X(SInvalidSubsampling, 65025, "Subsampling value is invalid. Allowed are 1, 2 and 4.")                     \
  X(SVerticalSubsamplingError, 65026, "Vertical subsampling value must be <= horizontal subsampling value.") \
  X(SPreparing, 65027, "Preparing...")                                                                       \
  X(SLoadingData, 65028, "Loading data...")                                                                  \
  X(SUpsampling, 65029, "Upsampling...")                                                                     \
  X(STransferring, 65030, "Transfering...")                                                                  \
  X(SLZ77DecompressionError, 65031, "LZ77 decompression error.")                                             \
  X(SJPEGUnexpectedEnd, 65032, "JPEG decompression error. Unexpected end of input.")                         \
  X(SJPEGStripSize, 65033, "Improper JPEG strip/tile size.")                                                 \
  X(SJPEGComponentCount, 65034, "Improper JPEG component count.")                                            \
  X(SJPEGDataPrecision, 65035, "Improper JPEG data precision.")                                              \
  X(SJPEGSamplingFactors, 65036, "Improper JPEG sampling factors.")                                          \
  X(SJPEGBogusTables, 65037, "Bogus JPEG tables field.")                                                     \
  X(SJPEGFractionalScanline, 65038, "Fractional JPEG scanline unsupported.")                                 \
  X(SWarning, 65039, "Warning")                                                                              \
  X(SDrHaloImages, 65040, "Dr. Halo images")                                                                 \
  X(SPaintshopProImages, 65041, "Paintshop Pro images")                                                      \
  X(SPortableNetworkGraphicImages, 65042, "Portable network graphic images")                                 \
  X(SInvalidImageFormat, 65043, "Cannot load image. Invalid or unexpected %s image format.")                 \
  X(SInvalidColorFormat, 65044, "Invalid color format in %s file.")                                          \
  X(SStreamReadError, 65045, "Stream read error in %s file.")                                                \
  X(SUnsupportedFeature, 65046, "Cannot load image. %s not supported for %s files.")                         \
  X(SCRCError, 65047, "Cannot load image. CRC error found in %s file.")                                      \
  X(SCompressionError, 65048, "Cannot load image. Compression error found in %s file.")                      \
  X(SExtraCompressedData, 65049, "Cannot load image. Extra compressed data found in %s file.")               \
  X(SInvalidPalette, 65050, "Cannot load image. Palette in %s file is invalid.")                             \
  X(SUnknownCriticalChunk, 65051, "Cannot load PNG image. Unexpected but critical chunk detected.")          \
  X(SCompressionScheme, 65052, "The compression scheme is")                                                  \
  X(SIndexedNotSupported, 65053,                                                                             \
    "Conversion between indexed and non-indexed pixel formats is not supported.")                            \
  X(SConversionFailed, 65054, "Color conversion failed. Could not find a proper method.")                    \
  X(SInvalidColorDepth, 65055, "Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.")          \
  X(SPCTIFImages, 65056, "PC TIF images")                                                                    \
  X(SGFIFaxImages, 65057, "GFI fax images")                                                                  \
  X(SSGIImages, 65058, "SGI images")                                                                         \
  X(SSGITrueColorImages, 65059, "SGI true color images")                                                     \
  X(SZSoftImages, 65060, "ZSoft Paintbrush images")                                                          \
  X(SWordScreenCaptureImages, 65061, "Word 5.x screen capture images")                                       \
  X(SAliasWavefrontImages, 65062, "Alias/Wavefront images")                                                  \
  X(SSGITrueColorAlphaImages, 65063, "SGI true color images with alpha")                                     \
  X(SSGIBlackWhiteImages, 65064, "SGI black/white images")                                                   \
  X(SPhotoshopImages, 65065, "Photoshop images")                                                             \
  X(SPortableMapImages, 65066, "Portable map images")                                                        \
  X(SPortablePixelMapImages, 65067, "Portable pixel map images")                                             \
  X(SPortableGrayMapImages, 65068, "Portable gray map images")                                               \
  X(SPortableBitmapImages, 65069, "Portable bitmap images")                                                  \
  X(SAutodeskImages, 65070, "Autodesk images")                                                               \
  X(SKodakPhotoCDImages, 65071, "Kodak Photo-CD images")                                                     \
  X(SRegisterTwice, 65073, "Attempt to register %s twice.")                                                  \
  X(SWindowsBitmaps, 65074, "Windows bitmaps")                                                               \
  X(SRLEWindowsBitmaps, 65075, "Run length encoded Windows bitmaps")                                         \
  X(SDIBWindowsBitmaps, 65076, "Device independant Windows bitmaps")                                         \
  X(SEPSImages, 65077, "Encapsulated Postscript images")                                                     \
  X(SWindowsIcons, 65078, "Windows icons")                                                                   \
  X(SWindowsMetafiles, 65079, "Windows metafiles")                                                           \
  X(SEnhancedMetafiles, 65080, "Windows enhanced meta files")                                                \
  X(SJPGImages, 65081, "JPG images")                                                                         \
  X(SJPEGImages, 65082, "JPEG images")                                                                       \
  X(SJPEImages, 65083, "JPE images")                                                                         \
  X(SJFIFImages, 65084, "JFIF images")                                                                       \
  X(STruevisionImages, 65085, "Truevision images")                                                           \
  X(STIFFImages, 65086, "Tagged image file format images")                                                   \
  X(SMacTIFFImages, 65087, "Macintosh TIFF images")

// The identifiers; each one's value is its resource number.
enum class TFormatText : std::uint16_t {
#define LUMOX_TEXT_ID(name, number, text) name = number,
  LUMOX_FORMAT_TEXTS(LUMOX_TEXT_ID)
#undef LUMOX_TEXT_ID
};

// The text of an identifier; empty for a number that names no text.
std::string_view LoadFormatText(TFormatText id);

// The text with each "%s" replaced by the next argument, in order; nothing else changes.
std::string FormatText(TFormatText id, std::initializer_list<std::string_view> arguments);

}  // namespace lumox
