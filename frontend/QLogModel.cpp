#include "frontend/QLogModel.h"

#include "installation/FileSystem.h"
#include "installation/WriteGuard.h"
#include "platform/Errors.h"

#include <array>
#include <limits>
#include <utility>

namespace lumox {
namespace {

struct TTag {
  QLatin1StringView Text;
  TQLogLineKind Kind;
};

// In the order they are looked for; the first one found decides.
constexpr std::array Tags = {
    TTag{QLatin1StringView(" (WARN"), TQLogLineKind::Warning},
    TTag{QLatin1StringView("--- session separator ---"), TQLogLineKind::Separator},
    TTag{QLatin1StringView("--- application start ---"), TQLogLineKind::Separator},
    TTag{QLatin1StringView(" (ERR"), TQLogLineKind::Error},
    TTag{QLatin1StringView(" (CRIT"), TQLogLineKind::Critical},
    TTag{QLatin1StringView(" (NOTE"), TQLogLineKind::Note},
    TTag{QLatin1StringView(" (INFO"), TQLogLineKind::Info},
};

constexpr std::uint32_t Maroon = 0x800000;
constexpr std::uint32_t Red = 0xFF0000;
constexpr std::uint32_t Blue = 0x0000FF;
constexpr std::uint32_t Navy = 0x000080;
constexpr std::uint32_t Black = 0x000000;

int FindLastSeparator(const QStringList& lines) {
  for (qsizetype i = lines.size() - 1; i >= 0; --i) {
    if (ClassifyQLogLine(lines[i]) == TQLogLineKind::Separator) return int(i);
  }
  return -1;
}

}  // namespace

TQLogLineKind ClassifyQLogLine(QStringView line) {
  for (const TTag& tag : Tags) {
    if (line.contains(tag.Text)) return tag.Kind;
  }
  return TQLogLineKind::Plain;
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

TQLog::TQLog(QStringList lines) : LogLines(std::move(lines)), LastSession(FindLastSeparator(LogLines)) {}

TQLog TQLog::FromBytes(const QByteArray& bytes) {
  QStringList lines;
  qsizetype start = 0;
  while (start < bytes.size()) {
    qsizetype end = start;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    lines.append(QString::fromLatin1(bytes.constData() + start, end - start));
    if (end < bytes.size() && bytes[end] == '\r') ++end;
    if (end < bytes.size() && bytes[end] == '\n') ++end;
    start = end;
  }
  return TQLog(std::move(lines));
}

QByteArray TQLog::ToBytes() const {
  QByteArray bytes;
  for (const QString& line : LogLines) bytes += line.toLatin1() + "\r\n";
  return bytes;
}

TQLog TQLog::Load(const QString& path) {
  try {
    return FromBytes(ReadRegularFile(path, std::numeric_limits<qint64>::max()));
  } catch (const EInOutError& e) {
    throw EInOutError(QStringLiteral("Could not read \"%1\": %2").arg(path, MessageOf(e)));
  }
}

void TQLog::Save(const QString& zindoDir, const QString& path) const {
  WriteWholeFile(zindoDir, path, ToBytes());
}

int TQLog::DeleteOldSessions() {
  if (LastSession <= 0) return 0;
  const int removed = LastSession;
  LogLines.remove(0, removed);
  LastSession = 0;
  return removed;
}

}  // namespace lumox
