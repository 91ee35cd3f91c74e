#include "framework/JpegDecoder.h"

/* clang-format off: the library's headers use FILE without including stdio.h */
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <jerror.h>
#include <jpeglib.h>
/* clang-format on */

/* Coefficient buffers of progressive files beyond this fail with an error, not a huge allocation. */
#define LUMOX_JPEG_MEMORY_LIMIT (512L * 1024 * 1024)

struct LumoxJpeg {
  struct jpeg_decompress_struct info;
  struct jpeg_error_mgr error;
  struct jpeg_source_mgr source;
  jmp_buf escape;
  int created;
  char message[JMSG_LENGTH_MAX];
};

static const JOCTET FakeEndOfImage[2] = {0xFF, JPEG_EOI};

static void ErrorExit(j_common_ptr info) {
  LumoxJpeg* self = (LumoxJpeg*)info->client_data;
  info->err->format_message(info, self->message);
  longjmp(self->escape, 1);
}

/* Warnings (a cut-short file, corrupt data) are tolerated: the picture shows what was decoded. */
static void OutputMessage(j_common_ptr info) { (void)info; }

static void InitSource(j_decompress_ptr info) { (void)info; }

static void TermSource(j_decompress_ptr info) { (void)info; }

/* The whole file is in the buffer from the start: being asked for more means it ended early. */
static boolean FillInputBuffer(j_decompress_ptr info) {
  WARNMS(info, JWRN_JPEG_EOF);
  info->src->next_input_byte = FakeEndOfImage;
  info->src->bytes_in_buffer = sizeof FakeEndOfImage;
  return TRUE;
}

static void SkipInputData(j_decompress_ptr info, long count) {
  struct jpeg_source_mgr* source = info->src;
  if (count <= 0) return;
  if ((size_t)count > source->bytes_in_buffer) {
    FillInputBuffer(info);
    return;
  }
  source->next_input_byte += count;
  source->bytes_in_buffer -= (size_t)count;
}

LumoxJpeg* lumox_jpeg_create(const unsigned char* data, size_t size) {
  LumoxJpeg* self = (LumoxJpeg*)calloc(1, sizeof(LumoxJpeg));
  if (self == NULL) return NULL;
  self->info.err = jpeg_std_error(&self->error);
  self->error.error_exit = ErrorExit;
  self->error.output_message = OutputMessage;
  self->info.client_data = self;
  if (setjmp(self->escape)) return self; /* read_header reports the failure */
  jpeg_create_decompress(&self->info);
  self->created = 1;
  self->info.mem->max_memory_to_use = LUMOX_JPEG_MEMORY_LIMIT;
  self->source.init_source = InitSource;
  self->source.fill_input_buffer = FillInputBuffer;
  self->source.skip_input_data = SkipInputData;
  self->source.resync_to_restart = jpeg_resync_to_restart;
  self->source.term_source = TermSource;
  self->source.next_input_byte = data;
  self->source.bytes_in_buffer = size;
  self->info.src = &self->source;
  return self;
}

void lumox_jpeg_destroy(LumoxJpeg* self) {
  if (self == NULL) return;
  if (self->created) jpeg_destroy_decompress(&self->info);
  free(self);
}

int lumox_jpeg_read_header(LumoxJpeg* self, unsigned* width, unsigned* height, int* components) {
  if (!self->created) return 1;
  if (setjmp(self->escape)) return 1;
  jpeg_read_header(&self->info, TRUE);
  *width = self->info.image_width;
  *height = self->info.image_height;
  switch (self->info.jpeg_color_space) {
    case JCS_GRAYSCALE:
      self->info.out_color_space = JCS_GRAYSCALE;
      *components = 1;
      break;
    case JCS_YCbCr:
    case JCS_RGB:
      self->info.out_color_space = JCS_EXT_BGR;
      *components = 3;
      break;
    default:
      *components = 0;
  }
  return 0;
}

int lumox_jpeg_start(LumoxJpeg* self) {
  if (setjmp(self->escape)) return 1;
  jpeg_start_decompress(&self->info);
  return 0;
}

int lumox_jpeg_read_row(LumoxJpeg* self, unsigned char* row) {
  JSAMPROW rows[1];
  rows[0] = row;
  if (setjmp(self->escape)) return 1;
  if (self->info.output_scanline >= self->info.output_height) return -1;
  return jpeg_read_scanlines(&self->info, rows, 1) == 1 ? 0 : -1;
}

const char* lumox_jpeg_message(const LumoxJpeg* self) { return self->message; }
