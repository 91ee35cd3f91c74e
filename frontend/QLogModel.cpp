#include "frontend/QLogModel.h"

#include "installation/FileSystem.h"
#include "platform/Errors.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <utility>

namespace lumox {
namespace {

struct TTag {
  QByteArrayView Text;
  TQLogLineKind Kind;
};

// In the order they are looked for; the first one found decides.
constexpr std::array Tags = {
    TTag{" (WARN", TQLogLineKind::Warning},
    TTag{"--- session separator ---", TQLogLineKind::Separator},
    TTag{"--- application start ---", TQLogLineKind::Separator},
    TTag{" (ERR", TQLogLineKind::Error},
    TTag{" (CRIT", TQLogLineKind::Critical},
    TTag{" (NOTE", TQLogLineKind::Note},
    TTag{" (INFO", TQLogLineKind::Info},
};

// The second byte of every tag is one of these, which are rare in a log line: a line is searched
// for them alone, once each, rather than once for every tag.
constexpr std::array TagAnchors = {'(', '-'};
static_assert(std::ranges::all_of(Tags, [](const TTag& tag) { return std::ranges::count(TagAnchors, tag.Text[1]); }));

// One line in kLinesPerMark, and every line of kLongLine bytes or more, is marked: finding a line
// then walks at most 64 lines of less than a kilobyte each, and the marks of a log of line breaks
// alone take a quarter of its size.
constexpr int kLinesPerMark = 64;
constexpr qsizetype kLongLine = 1024;

constexpr std::uint32_t Maroon = 0x800000;
constexpr std::uint32_t Red = 0xFF0000;
constexpr std::uint32_t Blue = 0x0000FF;
constexpr std::uint32_t Navy = 0x000080;
constexpr std::uint32_t Black = 0x000000;

// Where the first `byte` at or after `from` lies in `bytes`; the size of `bytes` when nowhere.
// A log is searched several times a line: Qt's own search does more work for each call.
qsizetype Find(QByteArrayView bytes, char byte, qsizetype from) {
  if (from >= bytes.size()) return bytes.size();
  const void* at = std::memchr(bytes.data() + from, byte, std::size_t(bytes.size() - from));
  return at ? static_cast<const char*>(at) - bytes.data() : bytes.size();
}

}  // namespace

TQLogLineKind ClassifyQLogLine(QByteArrayView line) {
  std::size_t first = Tags.size();  // the earliest tag of the table found so far
  for (const char anchor : TagAnchors) {
    for (qsizetype at = Find(line, anchor, 1); at < line.size() && first > 0; at = Find(line, anchor, at + 1)) {
      const QByteArrayView rest = line.sliced(at - 1);
      // The third byte tells most tags apart before a whole comparison.
      for (std::size_t tag = 0; tag < first; ++tag)
        if (rest.size() > 2 && rest[2] == Tags[tag].Text[2] && rest.startsWith(Tags[tag].Text)) first = tag;
    }
  }
  return first < Tags.size() ? Tags[first].Kind : TQLogLineKind::Plain;
}

TQLogLook LookOf(TQLogLineKind kind) {
  switch (kind) {
    case TQLogLineKind::Separator: return {Black, true};
    case TQLogLineKind::Error: return {Red, false};
    case TQLogLineKind::Critical: return {Red, true};
    case TQLogLineKind::Note: return {Blue, false};
    case TQLogLineKind::Info: return {Navy, false};
    case TQLogLineKind::Plain:
    case TQLogLineKind::Warning: break;
  }
  return {Maroon, false};
}

TQLogLineSplitter::TQLogLineSplitter(QByteArrayView bytes, qsizetype from) : Bytes(bytes), Start(from) {
  FindEnd();
}

void TQLogLineSplitter::Next() {
  Start = AfterBreak(Bytes, End);
  FindEnd();
}

qsizetype TQLogLineSplitter::AfterBreak(QByteArrayView bytes, qsizetype end) {
  const bool crLf = end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n';
  return end + (crLf ? 2 : 1);
}

void TQLogLineSplitter::FindEnd() {
  if (AtEnd()) return;
  if (Lf < Start) Lf = Find(Bytes, '\n', Start);
  if (Cr < Start) Cr = Find(Bytes, '\r', Start);
  End = std::min(Lf, Cr);
}

TQLog TQLog::FromBytes(QByteArray bytes) {
  Q_ASSERT(bytes.size() <= kMaxQLogFileSize);
  TQLog log;
  log.Bytes = std::move(bytes);
  for (TQLogLineSplitter lines(log.Bytes); !lines.AtEnd(); lines.Next(), ++log.Count) {
    const QByteArrayView line = lines.Line();
    const TQLogLineKind kind = ClassifyQLogLine(line);
    if (kind == TQLogLineKind::Separator) log.LastSession = log.Count;
    if (log.Count % kLinesPerMark == 0 || line.size() >= kLongLine)
      log.Marks.push_back(
          {std::uint32_t(log.Count), std::uint32_t(lines.Offset()), std::uint32_t(line.size()), kind});
  }
  return log;
}

TQLog::TMarkIt TQLog::MarkAtOrBefore(int row) const {
  const auto after = std::ranges::upper_bound(Marks, std::uint32_t(row), {}, &TMark::Row);
  return after == Marks.begin() ? Marks.end() : std::prev(after);
}

// The lines between two marks all end before the second, so no search goes beyond it.
TQLogLineSplitter TQLog::LinesAfter(TMarkIt mark) const {
  const QByteArrayView bytes(Bytes);
  const auto next = std::next(mark);
  return TQLogLineSplitter(bytes.first(next == Marks.end() ? bytes.size() : next->Offset),
                           TQLogLineSplitter::AfterBreak(bytes, mark->Offset + mark->Length));
}

TQLogLine TQLog::Line(int row) const {
  const int wanted = First + row;
  const TMarkIt mark = MarkAtOrBefore(wanted);
  if (int(mark->Row) == wanted) return {QByteArrayView(Bytes).sliced(mark->Offset, mark->Length), mark->Kind};
  TQLogLineSplitter lines = LinesAfter(mark);
  for (int at = int(mark->Row) + 1; at < wanted; ++at) lines.Next();
  return {lines.Line(), ClassifyQLogLine(lines.Line())};
}

// Lines that end in CR LF already are put as they lie in the bytes, a run of them at once.
void TQLog::PutLines(const TPutBytes& put) const {
  const QByteArrayView bytes(Bytes);
  qsizetype runStart = 0, runEnd = 0;
  const auto putRun = [&] {
    if (runStart < runEnd) put(bytes.sliced(runStart, runEnd - runStart));
    runStart = runEnd;
  };
  ForEachLine([&](int, QByteArrayView line) {
    const qsizetype start = line.data() - bytes.data(), end = start + line.size();
    if (TQLogLineSplitter::AfterBreak(bytes, end) == end + 2) {  // a CR LF
      if (runStart == runEnd) runStart = start;
      runEnd = end + 2;
      return;
    }
    putRun();
    if (!line.isEmpty()) put(line);
    put("\r\n");
  });
  putRun();
}

qint64 TQLog::SavedSize() const {
  qint64 size = 0;
  ForEachLine([&](int, QByteArrayView line) { size += line.size() + 2; });
  return size;
}

TQLog TQLog::Load(const QString& path, qint64 maxSize) {
  Q_ASSERT(maxSize <= kMaxQLogFileSize);
  try {
    return FromBytes(ReadRegularFile(path, maxSize));
  } catch (const EInOutError& e) {
    throw EInOutError(QStringLiteral("Could not read \"%1\": %2").arg(path, MessageOf(e)));
  }
}

void TQLog::Save(const QString& zindoDir, const QString& path, qint64 maxSize) const {
  if (const qint64 size = SavedSize(); size > maxSize) {
    throw EInOutError(
        QStringLiteral("Lumox did not write \"%1\": with CR LF after every line the log would hold "
                       "%2 bytes, more than the %3 that Lumox reads of such a file, so it could not "
                       "be opened again.")
            .arg(path)
            .arg(size)
            .arg(maxSize));
  }
  WriteWholeFile(zindoDir, path, [this](const TPutBytes& put) { PutLines(put); });
}

// The bytes of the removed lines stay with the log until it goes: freeing them would mean
// copying all the others.
int TQLog::DeleteOldSessions() {
  const int removed = LastSessionLine();
  if (removed <= 0) return 0;
  First = LastSession;
  return removed;
}

}  // namespace lumox
