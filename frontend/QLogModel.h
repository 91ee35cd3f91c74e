#pragma once
// The simulator's log QLOG.TXT as the viewer handles it: lines of 8-bit text, each with a
// severity look taken from a tag in the line, and sessions that start at separator lines.
// A simulator that crashed while writing, or a damaged disk, leaves logs with lines of many
// megabytes, so the lines stay places in the file's bytes: a log costs little more than its size.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

namespace lumox {

// No real log comes near this size; a larger file is refused unread.
inline constexpr qint64 kMaxQLogFileSize = qint64(1) << 30;

enum class TQLogLineKind : std::uint8_t { Plain, Warning, Separator, Error, Critical, Note, Info };

// The kind of `line`, by the first of its tags found (case-sensitive). A warning is looked
// for first, so a warning line that also holds a separator text is no separator.
TQLogLineKind ClassifyQLogLine(QByteArrayView line);

struct TQLogLook {
  std::uint32_t Rgb;  // 0xRRGGBB
  bool Bold;
};

TQLogLook LookOf(TQLogLineKind kind);

// The lines of one log and where its last session starts.
class TQLog {
 public:
  TQLog() = default;

  // Splits `bytes`, at most kMaxQLogFileSize of them, at CR LF, LF or CR; a final line break
  // adds no empty line. The lines keep every other byte as it is, so saving gives them back.
  static TQLog FromBytes(QByteArray bytes);
  // Every line followed by CR LF.
  QByteArray ToBytes() const;

  // Throws EInOutError naming the file when it cannot be read, is no regular file or is larger
  // than kMaxQLogFileSize.
  static TQLog Load(const QString& path);
  // Replaces the file, below `zindoDir`, through a temporary one; a failed or refused save
  // (EInOutError) leaves it whole.
  void Save(const QString& zindoDir, const QString& path) const;

  int LineCount() const { return int(Places.size()); }
  // The bytes of line `row`, without its line break; valid while the log is not changed.
  QByteArrayView Line(int row) const;
  TQLogLineKind KindOf(int row) const { return Places[std::size_t(row)].Kind; }
  // Index of the last separator line, or -1 when the log has none.
  int LastSessionLine() const { return LastSession; }
  // Removes the lines before the last separator and returns how many they were.
  int DeleteOldSessions();

 private:
  // A file of at most kMaxQLogFileSize bytes has offsets that fit in 32 bits.
  struct TPlace {
    std::uint32_t Offset;
    std::uint32_t Length;
    TQLogLineKind Kind;
  };

  QByteArray Bytes;
  std::vector<TPlace> Places;
  int LastSession = -1;
};

}  // namespace lumox
