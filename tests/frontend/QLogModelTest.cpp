#include <gtest/gtest.h>

#include <random>

#include "frontend/QLogModel.h"
#include "tests/frontend/QLogSample.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

QByteArrayList LinesOf(const TQLog& log) {
  QByteArrayList lines;
  for (int row = 0; row < log.LineCount(); ++row) lines.append(log.Line(row).Text.toByteArray());
  return lines;
}

// What a save writes.
QByteArray SavedBytes(const TQLog& log) {
  QByteArray bytes;
  log.PutLines([&](QByteArrayView piece) { bytes += piece; });
  return bytes;
}

std::vector<TQLogLineKind> KindsOf(const TQLog& log) {
  std::vector<TQLogLineKind> kinds;
  for (int row = 0; row < log.LineCount(); ++row) kinds.push_back(log.Line(row).Kind);
  return kinds;
}

std::vector<TQLogLineKind> KindsOf(const QByteArrayList& lines) {
  std::vector<TQLogLineKind> kinds;
  for (const QByteArray& line : lines) kinds.push_back(ClassifyQLogLine(line));
  return kinds;
}

// A log of `count` lines, empty, short and longer than a kilobyte, tagged now and then, a
// separator every 250 lines, each ended by LF, CR LF or CR; and its lines.
std::pair<QByteArray, QByteArrayList> MixedLog(int count) {
  const qsizetype lengths[] = {0, 1, 7, 40, 1023, 1024, 5000};
  const QByteArrayView breaks[] = {"\n", "\r\n", "\r"};
  std::mt19937 random(7);
  QByteArray bytes;
  QByteArrayList lines;
  for (int row = 0; row < count; ++row) {
    QByteArray line(lengths[random() % std::size(lengths)], char('a' + row % 26));
    if (row % 10 == 3) line.prepend("12:00 (ERR) ");
    if (row % 250 == 17) line.prepend("12:00 --- session separator ---");
    QByteArrayView lineBreak = breaks[random() % std::size(breaks)];
    if (line.isEmpty() && bytes.endsWith('\r') && lineBreak.startsWith('\n'))
      lineBreak = "\r";  // no CR LF by chance
    bytes.append(line).append(lineBreak);
    lines.append(line);
  }
  return {bytes, lines};
}

TEST(QLogModel, TheFirstTagFoundDecidesTheKindAndTagsAreCaseSensitive) {
  using enum TQLogLineKind;
  const std::pair<const char*, TQLogLineKind> cases[] = {
      {"12:00 (INFO) ready", Info},
      {"12:00 (NOTE) lap", Note},
      {"12:00 (ERROR) no file", Error},
      {"12:00 (CRIT) stop", Critical},
      {"12:00 (WARN) slow", Warning},
      {" (WARN", Warning},
      {"x --- application start --- y", Separator},
      {"x ----- session separator -----", Separator},
      {"12:00 (WARN) --- session separator ---", Warning},
      {"12:00 (INFO) --- application start ---", Separator},
      {"12:00 (INFO) then (CRIT)", Critical},
      {"12:00 ((INFO) ( (NOTE", Note},
      {"12:00 (info) (warn) (err)", Plain},
      {"12:00(ERR) no blank", Plain},
      {"(INFO)--- session separator --", Plain},
      {"--- Session Separator ---", Plain}};
  for (const auto& [line, kind] : cases) EXPECT_EQ(ClassifyQLogLine(line), kind) << line;
}

TEST(QLogModel, DeletingKeepsTheLastSessionAndALogWithoutSeparatorsLosesNothing) {
  TQLog log = TQLog::FromBytes(test::SampleQLog());
  ASSERT_EQ(LinesOf(log), test::SampleQLogLines());
  ASSERT_EQ(log.LastSessionLine(), test::SampleLastSession());
  EXPECT_EQ(log.DeleteOldSessions(), test::SampleLastSession());
  EXPECT_EQ(LinesOf(log), test::SampleQLogLines().mid(test::SampleLastSession()));
  EXPECT_EQ(log.Line(0).Kind, TQLogLineKind::Separator);
  EXPECT_EQ(log.Line(1).Kind, TQLogLineKind::Info);
  EXPECT_EQ(log.DeleteOldSessions(), 0);
  TQLog plain = TQLog::FromBytes("12:00 (INFO) a\n12:00 (WARN) --- session separator ---");
  EXPECT_EQ(plain.LastSessionLine(), -1);
  EXPECT_EQ(plain.DeleteOldSessions(), 0);
  EXPECT_EQ(plain.LineCount(), 2);
}

TEST(QLogModel, LinesEndAtCrLfLfOrCrAndEveryOtherByteSurvivesASaveWithCrLfAfterEach) {
  EXPECT_EQ(LinesOf(TQLog::FromBytes("a\r\nb\nc\rd")), QByteArrayList({"a", "b", "c", "d"}));
  EXPECT_EQ(LinesOf(TQLog::FromBytes("a\n\rb\r\n\r\n")), QByteArrayList({"a", "", "b", ""}));
  EXPECT_EQ(LinesOf(TQLog::FromBytes("a\rb\rc\r")), QByteArrayList({"a", "b", "c"}));
  EXPECT_EQ(LinesOf(TQLog::FromBytes("\r\r\n\n\r")), QByteArrayList({"", "", "", ""}));
  EXPECT_EQ(SavedBytes(TQLog::FromBytes("a\nb\rc")), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(SavedBytes(TQLog::FromBytes("")), "");
  QByteArray all;
  for (int byte = 0; byte < 256; ++byte)
    if (byte != '\r' && byte != '\n') all.append(char(byte));
  const QByteArray bytes = all + "\r\n" + test::SampleQLog();
  EXPECT_EQ(SavedBytes(TQLog::FromBytes(bytes)), bytes);
}

TEST(QLogModel, EveryLineIsFoundAmongShortLongAndEmptyOnesBeforeAndAfterADeletion) {
  const auto [bytes, lines] = MixedLog(3000);
  const int lastSession = 17 + 250 * 11;
  TQLog log = TQLog::FromBytes(bytes);
  for (const int first : {0, lastSession}) {
    if (first > 0) {
      ASSERT_EQ(log.DeleteOldSessions(), lastSession);
    }
    ASSERT_EQ(LinesOf(log), lines.mid(first));
    EXPECT_EQ(KindsOf(log), KindsOf(lines.mid(first)));
    EXPECT_EQ(log.LastSessionLine(), lastSession - first);
    EXPECT_EQ(SavedBytes(log), lines.mid(first).join("\r\n") + "\r\n");
  }
}

// What the viewer saves it can open again: a save that would outgrow the size it reads is
// refused and leaves the file as it was.
TEST(QLogModel, ALogAtTheSizeLimitIsSavedOnlyWhereItCanBeOpenedAgain) {
  constexpr qint64 kLimit = 4096;
  const QByteArray crLfLine = "12:00 (INFO) a\r\n", lfLine = "12:00 (INFO) ab\n";
  const struct {
    const char* Name;
    QByteArray Bytes;
    bool DeleteOldSessions;
    bool Saved;
  } cases[] = {
      {"CR LF after every line", crLfLine.repeated(256), false, true},
      {"no line break after the last line", crLfLine.repeated(255) + "12:00 (INFO) abc", false, false},
      {"line breaks only", QByteArray(kLimit, '\n'), false, false},
      {"LF after every line", lfLine.repeated(250) + "12:01 --- session separator ---\n" + lfLine.repeated(4),
       false, false},
      {"LF after every line, old sessions deleted",
       lfLine.repeated(250) + "12:01 --- session separator ---\n" + lfLine.repeated(4), true, true},
  };
  for (const auto& each : cases) {
    ASSERT_EQ(each.Bytes.size(), kLimit) << each.Name;
    const test::TTempFolder folder;
    const QString path = folder.Write("QLOG.TXT", each.Bytes);
    TQLog log = TQLog::Load(path, kLimit);
    if (each.DeleteOldSessions) log.DeleteOldSessions();
    const QString error = test::ErrorOf([&] { log.Save(folder.Path(), path, kLimit); });
    if (each.Saved) {
      EXPECT_EQ(error, "") << each.Name;
      EXPECT_EQ(LinesOf(TQLog::Load(path, kLimit)), LinesOf(log)) << each.Name;
    } else {
      EXPECT_TRUE(error.contains(path) && error.contains(QString::number(SavedBytes(log).size())) &&
                  error.contains(QString::number(kLimit)))
          << error.toStdString();
      EXPECT_EQ(test::ReadBytes(path), each.Bytes) << each.Name;
    }
  }
}

}  // namespace
}  // namespace lumox
