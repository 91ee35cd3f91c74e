// Reads arbitrary bytes as the simulator's log: saving and reading again gives the same
// lines, a second save the same bytes, every line's kind is the one a plain search for each tag
// gives, and deleting old sessions keeps the last one whole.
#include "frontend/QLogModel.h"

#include <QByteArrayList>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QByteArrayList LinesOf(const lumox::TQLog& log) {
  QByteArrayList lines;
  for (int row = 0; row < log.LineCount(); ++row) lines.append(log.Line(row).toByteArray());
  return lines;
}

// Each tag in turn, the first one found deciding.
lumox::TQLogLineKind KindBySearch(QByteArrayView line) {
  using enum lumox::TQLogLineKind;
  const std::pair<const char*, lumox::TQLogLineKind> tags[] = {
      {" (WARN", Warning}, {"--- session separator ---", Separator}, {"--- application start ---", Separator},
      {" (ERR", Error},    {" (CRIT", Critical},                     {" (NOTE", Note},
      {" (INFO", Info}};
  for (const auto& [tag, kind] : tags)
    if (line.contains(tag)) return kind;
  return Plain;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  lumox::TQLog log = lumox::TQLog::FromBytes(bytes);
  const QByteArray saved = log.ToBytes();
  const lumox::TQLog reread = lumox::TQLog::FromBytes(saved);
  if (LinesOf(reread) != LinesOf(log) || reread.ToBytes() != saved) std::abort();
  for (int row = 0; row < log.LineCount(); ++row)
    if (log.KindOf(row) != KindBySearch(log.Line(row))) std::abort();

  const int last = log.LastSessionLine();
  const QByteArrayList lines = LinesOf(log);
  const int removed = log.DeleteOldSessions();
  if (removed != std::max(last, 0) || LinesOf(log) != lines.mid(removed)) std::abort();
  if (last >= 0 && log.KindOf(0) != lumox::TQLogLineKind::Separator) std::abort();
  return 0;
}
