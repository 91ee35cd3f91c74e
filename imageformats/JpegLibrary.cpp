#include "imageformats/JpegLibrary.h"

namespace lumox {
namespace {

void IgnoreMessage(j_common_ptr, int) {}

void OutputNothing(j_common_ptr) {}

// An empty text, so a decoder that shows messages never shows an unset buffer.
void FormatNothing(j_common_ptr, char* buffer) { buffer[0] = '\0'; }

void ResetErrorManager(j_common_ptr cinfo) {
  cinfo->err->msg_code = 0;
  cinfo->err->num_warnings = 0;
}

jpeg_error_mgr MakeDefaultErrorManager() {
  jpeg_error_mgr manager{};
  manager.error_exit = lumox_jpeg_error_exit;
  manager.emit_message = IgnoreMessage;
  manager.output_message = OutputNothing;
  manager.format_message = FormatNothing;
  manager.reset_error_mgr = ResetErrorManager;
  return manager;
}

}  // namespace

const jpeg_error_mgr& DefaultJpegErrorManager() {
  static const jpeg_error_mgr manager = MakeDefaultErrorManager();
  return manager;
}

std::string JpegErrorMessage(int messageCode) { return "JPEG error #" + std::to_string(messageCode); }

}  // namespace lumox
