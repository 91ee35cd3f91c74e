// Arbitrary bytes as a JPEG picture through the library's error handling: every fatal error
// must come back as an exception, and the instance must still be destroyed cleanly.
#include "imageformats/JpegLibrary.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Large pictures only cost time; the error paths are the same.
constexpr JDIMENSION MaxPixels = 1 << 20;

struct TScanContext {
  const std::uint8_t* Data;
  std::size_t Size;
  std::vector<JSAMPLE>* Row;
  bool TooLarge;
};

// The memory source refuses empty data with a fatal error, so it is set up under the guard too.
void ReadHeader(j_common_ptr common, void* context) {
  const auto info = reinterpret_cast<j_decompress_ptr>(common);
  auto& scan = *static_cast<TScanContext*>(context);
  jpeg_mem_src(info, scan.Data, static_cast<unsigned long>(scan.Size));
  jpeg_read_header(info, TRUE);
  scan.TooLarge = std::uint64_t{info->image_width} * info->image_height > MaxPixels;
}

void ReadScanlines(j_common_ptr common, void* context) {
  const auto info = reinterpret_cast<j_decompress_ptr>(common);
  auto& row = *static_cast<TScanContext*>(context)->Row;
  jpeg_start_decompress(info);
  JSAMPROW rows[1] = {row.data()};
  while (info->output_scanline < info->output_height) jpeg_read_scanlines(info, rows, 1);
  jpeg_finish_decompress(info);
}

class EFuzzJpeg : public std::exception {
 public:
  explicit EFuzzJpeg(const std::string&) {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  jpeg_error_mgr errors = lumox::DefaultJpegErrorManager();
  jpeg_decompress_struct info{};
  info.err = &errors;
  jpeg_create_decompress(&info);
  std::vector<JSAMPLE> row;
  TScanContext context{data, size, &row, false};
  const auto common = reinterpret_cast<j_common_ptr>(&info);
  try {
    lumox::CallJpeg<EFuzzJpeg>(common, ReadHeader, &context);
    if (!context.TooLarge) {
      // Room for any output colour space of the widest row.
      row.resize(std::size_t{info.image_width} * 4 + 16);
      lumox::CallJpeg<EFuzzJpeg>(common, ReadScanlines, &context);
    }
  } catch (const EFuzzJpeg&) {
    if (errors.msg_code <= 0) std::abort();
  }
  jpeg_destroy_decompress(&info);
  return 0;
}
