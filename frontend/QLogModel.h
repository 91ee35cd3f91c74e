#pragma once
// The simulator's log QLOG.TXT as the viewer handles it: lines of 8-bit text, each with a
// severity look taken from a tag in the line, and sessions that start at separator lines.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>

namespace lumox {

enum class TQLogLineKind { Plain, Warning, Separator, Error, Critical, Note, Info };

// The kind of `line`, by the first of its tags found (case-sensitive). A warning is looked
// for first, so a warning line that also holds a separator text is no separator.
TQLogLineKind ClassifyQLogLine(QStringView line);

struct TQLogLook {
  std::uint32_t Rgb;  // 0xRRGGBB
  bool Bold;
};

TQLogLook LookOf(TQLogLineKind kind);

// The lines of one log and where its last session starts.
class TQLog {
 public:
  explicit TQLog(QStringList lines = {});

  // Splits `bytes` at CR LF, LF or CR; a final line break adds no empty line. Every byte
  // becomes the character of the same code (Latin-1), so saving gives the bytes back.
  static TQLog FromBytes(const QByteArray& bytes);
  // Every line followed by CR LF, one byte per character.
  QByteArray ToBytes() const;

  // Throws EInOutError naming the file when it cannot be read or is no regular file.
  static TQLog Load(const QString& path);
  // Replaces the file, below `zindoDir`, through a temporary one; a failed or refused save
  // (EInOutError) leaves it whole.
  void Save(const QString& zindoDir, const QString& path) const;

  const QStringList& Lines() const { return LogLines; }
  // Index of the last separator line, or -1 when the log has none.
  int LastSessionLine() const { return LastSession; }
  // Removes the lines before the last separator and returns how many they were.
  int DeleteOldSessions();

 private:
  QStringList LogLines;
  int LastSession = -1;
};

}  // namespace lumox
