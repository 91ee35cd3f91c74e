/* Leaving libjpeg on a fatal error. The library's error exit must not return, and unwinding a
   C++ exception through its C frames is not safe, so the exit jumps back to the guard that
   started the library calls; C++ code raises only after the guard has returned. */
#pragma once
/* jpeglib.h needs FILE and size_t declared before it. */
#include <stdio.h>

#include <jpeglib.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void (*TJpegStep)(j_common_ptr cinfo, void* context);

/* Runs step(cinfo, context); 1 when it returned, 0 when the library left it with a fatal
   error (the message code is in cinfo->err->msg_code). Guards may nest. */
int lumox_jpeg_run_guarded(j_common_ptr cinfo, TJpegStep step, void* context);

/* The error exit: jumps to the innermost running guard; aborts when there is none. */
void lumox_jpeg_error_exit(j_common_ptr cinfo);

#ifdef __cplusplus
}
#endif
