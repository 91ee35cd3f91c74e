/* The JPEG library behind a plain C interface. The library reports fatal errors by a long jump;
   it lands inside these C functions, which turn it into a status, so no C++ frame is ever
   skipped. Every call but create and destroy returns 0 on success, 1 after a library error
   (lumox_jpeg_message tells which), and read_row -1 when no row was delivered. */
#pragma once
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

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
