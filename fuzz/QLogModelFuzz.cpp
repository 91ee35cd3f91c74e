// Reads arbitrary bytes as the simulator's log: saving and reading again gives the same
// lines, a second save the same bytes, and deleting old sessions keeps the last one whole.
#include "frontend/QLogModel.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  lumox::TQLog log = lumox::TQLog::FromBytes(bytes);
  const QByteArray saved = log.ToBytes();
  const lumox::TQLog reread = lumox::TQLog::FromBytes(saved);
  if (reread.Lines() != log.Lines() || reread.ToBytes() != saved) std::abort();

  const int last = log.LastSessionLine();
  const QStringList lines = log.Lines();
  const int removed = log.DeleteOldSessions();
  if (removed != std::max(last, 0) || log.Lines() != lines.mid(removed)) std::abort();
  if (last >= 0 && lumox::ClassifyQLogLine(log.Lines().front()) != lumox::TQLogLineKind::Separator) std::abort();
  return 0;
}
