#include "imageformats/JpegLibrary.h"
#include "tests/imageformats/DecoderTestSupport.h"

#include <gtest/gtest.h>
#include <jerror.h>

#include <cstdlib>
#include <stdexcept>

namespace lumox {
namespace {

using test::TBytes;

class EJpegTest : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

constexpr int Side = 16;

// A grey Side x Side picture with a horizontal ramp, made by the library itself.
TBytes RampJpeg() {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors = DefaultJpegErrorManager();
  info.err = &errors;
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = Side;
  info.image_height = Side;
  info.input_components = 1;
  info.in_color_space = JCS_GRAYSCALE;
  CallJpeg<EJpegTest>(
      reinterpret_cast<j_common_ptr>(&info),
      [](j_common_ptr common, void*) {
        const auto c = reinterpret_cast<j_compress_ptr>(common);
        jpeg_set_defaults(c);
        jpeg_set_quality(c, 100, TRUE);
        jpeg_start_compress(c, TRUE);
        JSAMPLE row[Side];
        for (int x = 0; x < Side; ++x) row[x] = static_cast<JSAMPLE>(x * 16);
        JSAMPROW rows[1] = {row};
        while (c->next_scanline < c->image_height) jpeg_write_scanlines(c, rows, 1);
        jpeg_finish_compress(c);
      },
      nullptr);
  jpeg_destroy_compress(&info);
  TBytes jpeg(buffer, buffer + size);
  std::free(buffer);
  return jpeg;
}

// A decompressor over `data` with the default error manager, destroyed in every case.
class TTestDecompressor {
 public:
  explicit TTestDecompressor(const TBytes& data) : Errors(DefaultJpegErrorManager()) {
    Info.err = &Errors;
    jpeg_create_decompress(&Info);
    jpeg_mem_src(&Info, data.data(), static_cast<unsigned long>(data.size()));
  }
  ~TTestDecompressor() { jpeg_destroy_decompress(&Info); }

  // Reads the whole picture into Pixels.
  void ReadAll() {
    Pixels.assign(Side * Side, 0);
    CallJpeg<EJpegTest>(
        reinterpret_cast<j_common_ptr>(&Info),
        [](j_common_ptr common, void* context) {
          const auto d = reinterpret_cast<j_decompress_ptr>(common);
          auto* pixels = static_cast<JSAMPLE*>(context);
          jpeg_read_header(d, TRUE);
          jpeg_start_decompress(d);
          while (d->output_scanline < d->output_height && d->output_scanline < Side) {
            JSAMPROW row = pixels + d->output_scanline * Side;
            jpeg_read_scanlines(d, &row, 1);
          }
          jpeg_finish_decompress(d);
        },
        Pixels.data());
  }

  jpeg_error_mgr Errors;
  jpeg_decompress_struct Info{};
  TBytes Pixels;
};

TEST(JpegLibrary, ErrorManagerIsSilentAndResets) {
  jpeg_error_mgr errors = DefaultJpegErrorManager();
  jpeg_decompress_struct info{};
  info.err = &errors;
  errors.msg_code = 42;
  errors.num_warnings = 3;
  errors.emit_message(reinterpret_cast<j_common_ptr>(&info), -1);
  errors.output_message(reinterpret_cast<j_common_ptr>(&info));
  EXPECT_EQ(errors.num_warnings, 3);
  char text[JMSG_LENGTH_MAX] = "stale";
  errors.format_message(reinterpret_cast<j_common_ptr>(&info), text);
  EXPECT_STREQ(text, "");
  errors.reset_error_mgr(reinterpret_cast<j_common_ptr>(&info));
  EXPECT_EQ(errors.msg_code, 0);
  EXPECT_EQ(errors.num_warnings, 0);
}

TEST(JpegLibrary, AValidPictureDecodesAndATruncatedOneEndsQuietly) {
  const TBytes jpeg = RampJpeg();
  TTestDecompressor whole(jpeg);
  whole.ReadAll();
  for (int x = 0; x < Side; ++x) EXPECT_NEAR(whole.Pixels[5 * Side + x], x * 16, 3);

  // Cut inside the scan data: the library warns (silently here) and ends the picture itself.
  const TBytes cut(jpeg.begin(), jpeg.end() - 6);
  TTestDecompressor truncated(cut);
  EXPECT_NO_THROW(truncated.ReadAll());
}

TEST(JpegLibrary, AFatalErrorRaisesWithTheLibrarysMessageCode) {
  TTestDecompressor garbage(TBytes{'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'});
  try {
    garbage.ReadAll();
    FAIL() << "no exception";
  } catch (const EJpegTest& e) {
    EXPECT_EQ(std::string(e.what()), "JPEG error #" + std::to_string(JERR_NO_SOI));
  }
  // The instance is still usable for a clean abort and destruction.
  jpeg_abort_decompress(&garbage.Info);
}

TEST(JpegLibrary, GuardsNestAndTheOuterOneCarriesOn) {
  const TBytes jpeg = RampJpeg();
  struct TNested {
    TTestDecompressor* Good;
    TTestDecompressor* Bad;
    int InnerResult;
  };
  TTestDecompressor good(jpeg), bad(TBytes{0xFF, 0xD8, 0xFF, 0x00});
  TNested nested{&good, &bad, -1};
  CallJpeg<EJpegTest>(
      reinterpret_cast<j_common_ptr>(&good.Info),
      [](j_common_ptr, void* context) {
        auto* n = static_cast<TNested*>(context);
        n->InnerResult = lumox_jpeg_run_guarded(
            reinterpret_cast<j_common_ptr>(&n->Bad->Info),
            [](j_common_ptr common, void*) {
              jpeg_read_header(reinterpret_cast<j_decompress_ptr>(common), TRUE);
            },
            nullptr);
        jpeg_read_header(&n->Good->Info, TRUE);
      },
      &nested);
  EXPECT_EQ(nested.InnerResult, 0);
  EXPECT_EQ(good.Info.image_width, JDIMENSION{Side});
}

}  // namespace
}  // namespace lumox
