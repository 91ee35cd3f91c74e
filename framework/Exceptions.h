#pragma once
// Errors of the picture and stream layer. Every one is an ELumox, so callers that show a
// preview catch one base for a bad file, a short read and an unopenable path alike.
#include "platform/Exception.h"

namespace lumox {

// A picture file or a bitmap request that cannot be served (bad data, unsupported variant, too large).
class EInvalidGraphic : public ELumox {
 public:
  using ELumox::ELumox;
};

// A graphic that cannot be converted into the requested class.
class EConvertError : public ELumox {
 public:
  using ELumox::ELumox;
};

class EStreamError : public ELumox {
 public:
  using ELumox::ELumox;
};

// Fewer bytes than required, or a position before the start of the stream.
class EReadError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

// A file that cannot be opened as asked.
class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

}  // namespace lumox
