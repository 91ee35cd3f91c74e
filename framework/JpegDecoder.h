/* The JPEG library behind plain C functions. The library leaves a call on a fatal error by a long
   jump; it lands in the guard that started the call, inside C code, so no C++ frame is ever
   skipped, and C++ code raises only after the guard has returned. */
#pragma once
/* clang-format off: jpeglib.h needs FILE and size_t declared before it. */
#include <stddef.h>
#include <stdio.h>
#include <jpeglib.h>
/* clang-format on */

#ifdef __cplusplus
extern "C" {
#endif

typedef void (*TJpegStep)(j_common_ptr cinfo, void* context);

/* Runs step(cinfo, context); 1 when it returned, 0 when the library left it with a fatal
   error (the message code is in cinfo->err->msg_code). Guards may nest. */
int lumox_jpeg_run_guarded(j_common_ptr cinfo, TJpegStep step, void* context);

/* The error exit: jumps to the innermost running guard; aborts when there is none. */
void lumox_jpeg_error_exit(j_common_ptr cinfo);

/* A source over bytes that are all in memory from the start. When the library asks for more,
   they ended early: it gets an end-of-image marker and EndedEarly is set. */
typedef struct {
  struct jpeg_source_mgr Manager;
  int EndedEarly;
} LumoxJpegSource;

/* Makes `source` the library's source, over `size` bytes at `data` (kept, not copied). */
void lumox_jpeg_memory_source(j_decompress_ptr cinfo, LumoxJpegSource* source, const unsigned char* data,
                              size_t size);

/* A whole JPEG file decoded row by row. Every call but create and destroy returns 0 on success,
   1 after a library error (lumox_jpeg_message tells which), and read_row -1 when no row was
   delivered. */
typedef struct LumoxJpeg LumoxJpeg;

/* Decodes from `data` (kept, not copied). NULL when out of memory. */
LumoxJpeg* lumox_jpeg_create(const unsigned char* data, size_t size);
void lumox_jpeg_destroy(LumoxJpeg* jpeg);
/* Reads the header; `components` becomes 1 (grey rows of one byte per pixel), 3 (colour rows
   of blue, green, red) or 0 for colour spaces that are not decoded (CMYK, YCCK, others). */
int lumox_jpeg_read_header(LumoxJpeg* jpeg, unsigned* width, unsigned* height, int* components);
int lumox_jpeg_start(LumoxJpeg* jpeg);
int lumox_jpeg_read_row(LumoxJpeg* jpeg, unsigned char* row);
const char* lumox_jpeg_message(const LumoxJpeg* jpeg);

#ifdef __cplusplus
}
#endif
