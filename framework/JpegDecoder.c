#include "framework/JpegDecoder.h"

#include <setjmp.h>
#include <stdlib.h>

/* Coefficient buffers of progressive files beyond this fail with an error, not a huge allocation. */
#define LUMOX_JPEG_MEMORY_LIMIT (512L * 1024 * 1024)

static _Thread_local jmp_buf* Landing = NULL;

int lumox_jpeg_run_guarded(j_common_ptr cinfo, TJpegStep step, void* context) {
  jmp_buf here;
  jmp_buf* const outer = Landing;
  Landing = &here;
  if (setjmp(here) != 0) {
    Landing = outer;
    return 0;
  }
  step(cinfo, context);
  Landing = outer;
  return 1;
}

void lumox_jpeg_error_exit(j_common_ptr cinfo) {
  (void)cinfo;
  /* A fatal error outside a guard has nowhere to go; returning would let the library run on. */
  if (Landing == NULL) abort();
  longjmp(*Landing, 1);
}

static const JOCTET FakeEndOfImage[2] = {0xFF, JPEG_EOI};

static void InitSource(j_decompress_ptr info) { (void)info; }

static void TermSource(j_decompress_ptr info) { (void)info; }

static boolean FillInputBuffer(j_decompress_ptr info) {
  ((LumoxJpegSource*)info->src)->EndedEarly = 1;
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

void lumox_jpeg_memory_source(j_decompress_ptr cinfo, LumoxJpegSource* source, const unsigned char* data,
                              size_t size) {
  source->Manager.init_source = InitSource;
  source->Manager.fill_input_buffer = FillInputBuffer;
  source->Manager.skip_input_data = SkipInputData;
  source->Manager.resync_to_restart = jpeg_resync_to_restart;
  source->Manager.term_source = TermSource;
  source->Manager.next_input_byte = data;
  source->Manager.bytes_in_buffer = size;
  source->EndedEarly = 0;
  cinfo->src = &source->Manager;
}

struct LumoxJpeg {
  struct jpeg_decompress_struct info;
  struct jpeg_error_mgr error;
  LumoxJpegSource source;
  const unsigned char* data;
  size_t size;
  int created;
  char message[JMSG_LENGTH_MAX];
};

/* Fatal errors keep the library's text. Warnings (a cut-short file, corrupt data) are
   tolerated: the picture shows what was decoded. */
static void ErrorExit(j_common_ptr info) {
  LumoxJpeg* self = (LumoxJpeg*)info->client_data;
  info->err->format_message(info, self->message);
  lumox_jpeg_error_exit(info);
}

static void OutputMessage(j_common_ptr info) { (void)info; }

static int Run(LumoxJpeg* self, TJpegStep step, void* context) {
  return lumox_jpeg_run_guarded((j_common_ptr)&self->info, step, context) ? 0 : 1;
}

static void Create(j_common_ptr info, void* context) {
  LumoxJpeg* self = (LumoxJpeg*)context;
  jpeg_create_decompress((j_decompress_ptr)info);
  self->created = 1;
  info->mem->max_memory_to_use = LUMOX_JPEG_MEMORY_LIMIT;
  lumox_jpeg_memory_source(&self->info, &self->source, self->data, self->size);
}

static void ReadHeader(j_common_ptr info, void* context) {
  (void)context;
  jpeg_read_header((j_decompress_ptr)info, TRUE);
}

static void Start(j_common_ptr info, void* context) {
  (void)context;
  jpeg_start_decompress((j_decompress_ptr)info);
}

static void ReadRow(j_common_ptr info, void* context) {
  JSAMPROW rows[1];
  rows[0] = (JSAMPROW)context;
  jpeg_read_scanlines((j_decompress_ptr)info, rows, 1);
}

LumoxJpeg* lumox_jpeg_create(const unsigned char* data, size_t size) {
  LumoxJpeg* self = (LumoxJpeg*)calloc(1, sizeof(LumoxJpeg));
  if (self == NULL) return NULL;
  self->info.err = jpeg_std_error(&self->error);
  self->error.error_exit = ErrorExit;
  self->error.output_message = OutputMessage;
  self->info.client_data = self;
  self->data = data;
  self->size = size;
  Run(self, Create, self); /* read_header reports a failure */
  return self;
}

void lumox_jpeg_destroy(LumoxJpeg* self) {
  if (self == NULL) return;
  if (self->created) jpeg_destroy_decompress(&self->info);
  free(self);
}

int lumox_jpeg_read_header(LumoxJpeg* self, unsigned* width, unsigned* height, int* components) {
  if (!self->created || Run(self, ReadHeader, NULL) != 0) return 1;
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

int lumox_jpeg_start(LumoxJpeg* self) { return Run(self, Start, NULL); }

int lumox_jpeg_read_row(LumoxJpeg* self, unsigned char* row) {
  const JDIMENSION before = self->info.output_scanline;
  if (before >= self->info.output_height) return -1;
  if (Run(self, ReadRow, row) != 0) return 1;
  return self->info.output_scanline > before ? 0 : -1;
}

const char* lumox_jpeg_message(const LumoxJpeg* self) { return self->message; }
