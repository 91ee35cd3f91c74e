#include <gtest/gtest.h>
#include <jerror.h>

#include <stdexcept>

#include "imageformats/JpegLibrary.h"
#include "tests/framework/PictureFiles.h"

namespace lumox {
namespace {

using test::TBytes;

class EJpegTest : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A decompressor over its copy of `data` with the default error manager, destroyed in every case.
class TTestDecompressor {
 public:
  explicit TTestDecompressor(TBytes data) : Data(std::move(data)), Errors(DefaultJpegErrorManager()) {
    Info.err = &Errors;
    jpeg_create_decompress(&Info);
    jpeg_mem_src(&Info, Data.data(), static_cast<unsigned long>(Data.size()));
  }
  ~TTestDecompressor() { jpeg_destroy_decompress(&Info); }

  // Reads the grey 16 x 16 picture into Pixels.
  void ReadAll() {
    CallJpeg<EJpegTest>(
        reinterpret_cast<j_common_ptr>(&Info),
        [](j_common_ptr common, void* context) {
          const auto d = reinterpret_cast<j_decompress_ptr>(common);
          jpeg_read_header(d, TRUE);
          jpeg_start_decompress(d);
          while (d->output_scanline < d->output_height && d->output_scanline < 16) {
            JSAMPROW row = static_cast<JSAMPLE*>(context) + d->output_scanline * 16;
            jpeg_read_scanlines(d, &row, 1);
          }
          jpeg_finish_decompress(d);
        },
        Pixels.data());
  }

  const TBytes Data;
  jpeg_error_mgr Errors;
  jpeg_decompress_struct Info{};
  TBytes Pixels = TBytes(16 * 16);
};

TEST(JpegLibrary, APictureDecodesATruncatedOneEndsQuietlyAndAFatalErrorRaisesItsCode) {
  const TBytes jpeg = test::QuadrantJpeg(16, 16, test::TJpegKind::Grey);
  TTestDecompressor whole(jpeg);
  whole.ReadAll();
  EXPECT_NEAR(whole.Pixels[12 * 16 + 12], 200, 2);
  TTestDecompressor truncated(TBytes(jpeg.begin(), jpeg.end() - 6));  // warned about, silently
  EXPECT_NO_THROW(truncated.ReadAll());

  TTestDecompressor garbage(TBytes{'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'});
  try {
    garbage.ReadAll();
    FAIL() << "no exception";
  } catch (const EJpegTest& e) {
    EXPECT_EQ(std::string(e.what()), "JPEG error #" + std::to_string(JERR_NO_SOI));
  }
  jpeg_abort_decompress(&garbage.Info);  // still usable for a clean abort
}

TEST(JpegLibrary, TheErrorManagerIsSilentAndResetsAndGuardsNest) {
  jpeg_error_mgr errors = DefaultJpegErrorManager();
  jpeg_decompress_struct info{};
  info.err = &errors;
  errors.msg_code = 42;
  errors.num_warnings = 3;
  errors.emit_message(reinterpret_cast<j_common_ptr>(&info), -1);
  errors.output_message(reinterpret_cast<j_common_ptr>(&info));
  char text[JMSG_LENGTH_MAX] = "stale";
  errors.format_message(reinterpret_cast<j_common_ptr>(&info), text);
  EXPECT_STREQ(text, "");
  errors.reset_error_mgr(reinterpret_cast<j_common_ptr>(&info));
  EXPECT_EQ(errors.msg_code + errors.num_warnings, 0);

  // A failing guard inside a running one returns 0 and the outer one carries on.
  TTestDecompressor good(test::QuadrantJpeg(16, 16, test::TJpegKind::Grey)),
      bad(TBytes{0xFF, 0xD8, 0xFF, 0x00});
  std::pair<TTestDecompressor*, int> inner{&bad, -1};
  CallJpeg<EJpegTest>(
      reinterpret_cast<j_common_ptr>(&good.Info),
      [](j_common_ptr outer, void* context) {
        auto* nested = static_cast<std::pair<TTestDecompressor*, int>*>(context);
        nested->second = lumox_jpeg_run_guarded(
            reinterpret_cast<j_common_ptr>(&nested->first->Info),
            [](j_common_ptr common, void*) {
              jpeg_read_header(reinterpret_cast<j_decompress_ptr>(common), TRUE);
            },
            nullptr);
        jpeg_read_header(reinterpret_cast<j_decompress_ptr>(outer), TRUE);
      },
      &inner);
  EXPECT_EQ(inner.second, 0);
  EXPECT_EQ(good.Info.image_width, JDIMENSION{16});
}

}  // namespace
}  // namespace lumox
