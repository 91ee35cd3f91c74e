#pragma once
// What libjpeg needs from this program: an error manager whose fatal errors end the current
// load with "JPEG error #n", and silent warnings unless a decoder installs its own output.
#include "framework/JpegDecoder.h"

#include <string>

namespace lumox {

// The process-wide default error manager, filled on first use. Decoders copy it into their
// library instance and may replace single callbacks.
const jpeg_error_mgr& DefaultJpegErrorManager();

// "JPEG error #n".
std::string JpegErrorMessage(int messageCode);

// Runs `step`, a group of library calls on `cinfo`; a fatal library error raises TError with
// JpegErrorMessage of the library's message code. The library leaves `step` by a long jump,
// so `step` (and any callback the library calls) holds no object with a destructor and
// raises no exception: a captureless lambda around the calls, results passed in `context`.
template <class TError>
void CallJpeg(j_common_ptr cinfo, TJpegStep step, void* context) {
  if (lumox_jpeg_run_guarded(cinfo, step, context) == 0) throw TError(JpegErrorMessage(cinfo->err->msg_code));
}

}  // namespace lumox
