#include "imageformats/JpegGuard.h"

#include <setjmp.h>
#include <stdlib.h>

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
