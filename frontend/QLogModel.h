#pragma once
// The simulator's log QLOG.TXT as the viewer handles it: lines of 8-bit text, each with a
// severity look taken from a tag in the line, and sessions that start at separator lines.
// A simulator that crashed while writing, or a damaged disk, leaves logs with lines of many
// megabytes, and a log may as well be nothing but line breaks; so the log keeps its file's bytes
// and marks only a few of its lines, from which the others are found: a log costs little more
// than its size, however long or short its lines.
#include "installation/WriteGuard.h"

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

// Walks the lines of bytes split at CR LF, LF or CR, in one pass however the breaks mix.
class TQLogLineSplitter {
 public:
  // Starts at the line that begins at `from`.
  explicit TQLogLineSplitter(QByteArrayView bytes, qsizetype from = 0);

  bool AtEnd() const { return Start >= Bytes.size(); }
  qsizetype Offset() const { return Start; }
  // The current line, without its line break.
  QByteArrayView Line() const { return Bytes.sliced(Start, End - Start); }
  void Next();

  // Where the line after the one that ends at `end` of `bytes` begins.
  static qsizetype AfterBreak(QByteArrayView bytes, qsizetype end);

 private:
  void FindEnd();

  QByteArrayView Bytes;
  qsizetype Start;
  qsizetype End = 0;
  // The next LF and CR, each looked for again only once the lines have passed it: a file of
  // CRs alone has no LF to find.
  qsizetype Lf = -1;
  qsizetype Cr = -1;
};

struct TQLogLine {
  QByteArrayView Text;  // without the line break
  TQLogLineKind Kind;
};

// The lines of one log and where its last session starts.
class TQLog {
 public:
  TQLog() = default;

  // Splits `bytes`, at most kMaxQLogFileSize of them, at CR LF, LF or CR; a final line break
  // adds no empty line. The lines keep every other byte as it is, so saving gives them back.
  static TQLog FromBytes(QByteArray bytes);
  // Puts every line followed by CR LF, as a save writes them.
  void PutLines(const TPutBytes& put) const;

  // Throws EInOutError naming the file when it cannot be read, is no regular file or is larger
  // than `maxSize`, at most kMaxQLogFileSize.
  static TQLog Load(const QString& path, qint64 maxSize = kMaxQLogFileSize);
  // Replaces the file, below `zindoDir`, through a temporary one, writing the lines as it goes
  // rather than making a copy of the log first. A save that would make the file larger than
  // `maxSize` (each line gets two bytes of line break) is refused, as Load could not open it
  // again. A failed or refused save (EInOutError) leaves the file whole.
  void Save(const QString& zindoDir, const QString& path, qint64 maxSize = kMaxQLogFileSize) const;

  int LineCount() const { return Count - First; }
  // Line `row`; its text is valid while the log is not changed. Costs a search among the marks
  // and a walk over at most a few kilobytes.
  TQLogLine Line(int row) const;
  // Calls `visit(row, text)` for every line in order, in one pass that reads the bytes of the
  // short lines only.
  template <class F>
  void ForEachLine(F visit) const {
    for (auto mark = MarkAtOrBefore(First); mark != Marks.end(); ++mark) {
      int row = int(mark->Row) - First;
      if (row >= 0) visit(row, QByteArrayView(Bytes).sliced(mark->Offset, mark->Length));
      for (TQLogLineSplitter lines = LinesAfter(mark); !lines.AtEnd(); lines.Next())
        if (++row >= 0) visit(row, lines.Line());
    }
  }
  // Index of the last separator line, or -1 when the log has none.
  int LastSessionLine() const { return LastSession < 0 ? -1 : LastSession - First; }
  // Removes the lines before the last separator and returns how many they were.
  int DeleteOldSessions();

 private:
  // A line whose place is kept: every kLinesPerMark-th line and every long one, so that the
  // lines between two marks are few and short. A file of at most kMaxQLogFileSize bytes has
  // rows and offsets that fit in 32 bits.
  struct TMark {
    std::uint32_t Row;
    std::uint32_t Offset;
    std::uint32_t Length;
    TQLogLineKind Kind;
  };

  using TMarkIt = std::vector<TMark>::const_iterator;
  // The last mark at or before `row`; the end when the log has no lines.
  TMarkIt MarkAtOrBefore(int row) const;
  // The lines from the one after `mark` up to the next mark.
  TQLogLineSplitter LinesAfter(TMarkIt mark) const;
  qint64 SavedSize() const;

  QByteArray Bytes;
  std::vector<TMark> Marks;  // by row, the first line's among them
  // Rows count from the file's first line; the lines before First are deleted.
  int Count = 0;
  int First = 0;
  int LastSession = -1;
};

}  // namespace lumox
