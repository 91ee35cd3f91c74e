#include "frontend/QLogModel.h"

#include "installation/FileSystem.h"
#include "installation/WriteGuard.h"
#include "platform/Errors.h"

#include <algorithm>
#include <array>
#include <cstring>
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

// Calls `visit(start, length)` for every line of `bytes`. The next LF and the next CR are each
// looked for again only once the lines have passed them, so however the breaks mix (a file of
// CRs alone has no LF to find) this is one pass over the bytes.
template <class F>
void ForEachLine(QByteArrayView bytes, F visit) {
  qsizetype lf = -1, cr = -1;
  for (qsizetype start = 0; start < bytes.size();) {
    if (lf < start) lf = Find(bytes, '\n', start);
    if (cr < start) cr = Find(bytes, '\r', start);
    const qsizetype end = std::min(lf, cr);
    visit(start, end - start);
    const bool crLf = end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n';
    start = end + (crLf ? 2 : 1);
  }
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

TQLog TQLog::FromBytes(QByteArray bytes) {
  Q_ASSERT(bytes.size() <= kMaxQLogFileSize);
  TQLog log;
  log.Bytes = std::move(bytes);
  ForEachLine(log.Bytes, [&](qsizetype start, qsizetype length) {
    const TQLogLineKind kind = ClassifyQLogLine(QByteArrayView(log.Bytes).sliced(start, length));
    if (kind == TQLogLineKind::Separator) log.LastSession = log.LineCount();
    log.Places.push_back({std::uint32_t(start), std::uint32_t(length), kind});
  });
  return log;
}

QByteArrayView TQLog::Line(int row) const {
  const TPlace& place = Places[std::size_t(row)];
  return QByteArrayView(Bytes).sliced(place.Offset, place.Length);
}

QByteArray TQLog::ToBytes() const {
  qsizetype size = 0;
  for (const TPlace& place : Places) size += qsizetype(place.Length) + 2;
  QByteArray bytes(size, Qt::Uninitialized);
  char* out = bytes.data();
  for (const TPlace& place : Places) {
    out = std::copy_n(Bytes.constData() + place.Offset, place.Length, out);
    out = std::copy_n("\r\n", 2, out);
  }
  return bytes;
}

TQLog TQLog::Load(const QString& path) {
  try {
    return FromBytes(ReadRegularFile(path, kMaxQLogFileSize));
  } catch (const EInOutError& e) {
    throw EInOutError(QStringLiteral("Could not read \"%1\": %2").arg(path, MessageOf(e)));
  }
}

void TQLog::Save(const QString& zindoDir, const QString& path) const {
  WriteWholeFile(zindoDir, path, ToBytes());
}

// The bytes of the removed lines stay with the log until it goes: freeing them would mean
// copying all the others.
int TQLog::DeleteOldSessions() {
  if (LastSession <= 0) return 0;
  const int removed = LastSession;
  Places.erase(Places.begin(), Places.begin() + removed);
  LastSession = 0;
  return removed;
}

}  // namespace lumox
