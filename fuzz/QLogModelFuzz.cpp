// Reads arbitrary bytes as the simulator's log: every line reads the same by its place as in
// one pass, saving and reading again gives the same lines, a second save the same bytes, every line's kind is the one a plain search for each tag
// gives, and deleting old sessions keeps the last one whole.
#include "frontend/QLogModel.h"

#include <QByteArrayList>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Every line by its place, and every line in one pass: both must give the same.
QByteArrayList LinesOf(const lumox::TQLog& log) {
  QByteArrayList lines, passed;
  for (int row = 0; row < log.LineCount(); ++row) lines.append(log.Line(row).Text.toByteArray());
  log.ForEachLine([&](int, QByteArrayView text) { passed.append(text.toByteArray()); });
  if (passed != lines) std::abort();
  return lines;
}

QByteArray Saved(const lumox::TQLog& log) {
  QByteArray bytes;
  log.PutLines([&](QByteArrayView piece) { bytes += piece; });
  return bytes;
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
  const QByteArray saved = Saved(log);
  const lumox::TQLog reread = lumox::TQLog::FromBytes(saved);
  if (LinesOf(reread) != LinesOf(log) || Saved(reread) != saved) std::abort();
  for (int row = 0; row < log.LineCount(); ++row)
    if (log.Line(row).Kind != KindBySearch(log.Line(row).Text)) std::abort();

  const int last = log.LastSessionLine();
  const QByteArrayList lines = LinesOf(log);
  const int removed = log.DeleteOldSessions();
  if (removed != std::max(last, 0) || LinesOf(log) != lines.mid(removed)) std::abort();
  if (last >= 0 && log.Line(0).Kind != lumox::TQLogLineKind::Separator) std::abort();
  return 0;
}
